// The texts of scores as the tutor shows and prints them: an attempt's speed,
// accuracy and time, a results table, the weakest keys of a mode and the
// whole-archive report of `tavro stats`.
#pragma once

#include "TavroCore/history/Archive.h"
#include "TavroCore/history/WeakKeyHistory.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

// `text` with every control and format character but the line feed
// (escape sequences in a hostile file among them) replaced by U+FFFD, safe
// to print.
std::string printable(std::string_view text);

// "182 keys/min" ("182 打鍵/分" in the Japanese interface).
std::string speedText(double keysPerMinute, bool english = true);
// "96.5%".
std::string accuracyText(double percent);
// The local date and time of an attempt, "2026-12-10 14:05".
std::string dateText(const Date& date);
// An attempt's typing time: "2m 5s", or "2分 5秒" in the Japanese interface.
std::string completionText(const Attempt& attempt, bool english);

// The heading of a score table and one line of it, laid out in columns:
// rank, speed, accuracy, time, date and a mark for the new attempt.
// `tavro stats` prints them in English; the screens in the interface
// language, with columns counted in terminal columns.
std::string scoreHeading(bool english = true);
std::string scoreLine(const ScoreRow& row, bool english = true);

// "k 40% (2 of 5)" for the `limit` weakest keys of `mode`, weakest first.
std::vector<std::string> weakestKeys(const WeakKeyHistory& history, std::string_view mode,
                                     std::size_t limit, bool english = true);

// Every mode and round of the archive with its top five and the weakest
// keys of each mode, as printed by `tavro stats`.
std::string statsReport(const Archive& archive);

}  // namespace tavro::terminal
