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

// "182 keys/min".
std::string speedText(double keysPerMinute);
// "96.5%".
std::string accuracyText(double percent);
// The local date and time of an attempt, "2026-12-10 14:05".
std::string dateText(const Date& date);

// The heading of a score table and one line of it, laid out in columns:
// rank, speed, accuracy, time, date and a mark for the new attempt.
std::string scoreHeading();
std::string scoreLine(const ScoreRow& row);

// "k 40% (2 of 5)" for the `limit` weakest keys of `mode`, weakest first.
std::vector<std::string> weakestKeys(const WeakKeyHistory& history, std::string_view mode,
                                     std::size_t limit);

// Every mode and round of the archive with its top five and the weakest
// keys of each mode, as printed by `tavro stats`.
std::string statsReport(const Archive& archive);

}  // namespace tavro::terminal
