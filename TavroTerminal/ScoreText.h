// The texts of scores as the tutor shows and prints them: an attempt's speed,
// accuracy and time, a results table, the weakest keys of a mode and the
// whole-archive report of `tavro stats`.
#pragma once

#include "TavroCore/history/Archive.h"
#include "TavroCore/history/DailyProgress.h"
#include "TavroCore/history/WeakKeyHistory.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroTerminal/InterfaceLanguage.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

// `text` with every control and format character but the line feed
// (escape sequences in a hostile file among them) replaced by U+FFFD, safe
// to print.
std::string printable(std::string_view text);

// "182 keys/min" ("182 打鍵/分" in the Japanese interface), or in words
// per minute "36 WPM" ("36 語/分"). Stored speeds stay in keys per minute.
std::string speedText(double keysPerMinute, InterfaceLanguage language = InterfaceLanguage::english,
                      SpeedUnit unit = SpeedUnit::keysPerMinute);
// The short form of the home screen's score columns: "182/min" or "36 WPM".
std::string shortSpeedText(double keysPerMinute, InterfaceLanguage language, SpeedUnit unit);
// "96.5%".
std::string accuracyText(double percent);
// The local date and time of an attempt, "2026-12-10 14:05".
std::string dateText(const Date& date);
// An attempt's typing time: "2m 5s", or "2分 5秒" in the Japanese interface.
std::string completionText(const Attempt& attempt, InterfaceLanguage language);

// The heading of a score table and one line of it, laid out in columns:
// rank, speed, accuracy, time, date and a mark for the new attempt.
// `tavro stats` prints them in English; the screens in the interface
// language, with columns counted in terminal columns.
std::string scoreHeading(InterfaceLanguage language = InterfaceLanguage::english);
std::string scoreLine(const ScoreRow& row, InterfaceLanguage language = InterfaceLanguage::english,
                      SpeedUnit unit = SpeedUnit::keysPerMinute);

// How a weak key of `mode` is named: with the kana keys ("kana" mode) by
// the kana it types on the layout (`jis`), so "d" reads し and "\\" ろ;
// otherwise as typed, the space bar by name.
std::string weakKeyName(std::string_view key, std::string_view mode, bool jis,
                        InterfaceLanguage language = InterfaceLanguage::english);

// "k 40% (2 of 5)" for the `limit` weakest keys of `mode`, weakest first,
// each named by weakKeyName.
std::vector<std::string> weakestKeys(const WeakKeyHistory& history, std::string_view mode,
                                     std::size_t limit,
                                     InterfaceLanguage language = InterfaceLanguage::english,
                                     bool jis = false);

// The name of an exercise mode as the screens show it, "Japanese · Romaji
// input"; an identifier the tutor does not know, as it is (made printable).
std::string modeDisplayName(std::string_view mode);

// One line of `tavro stats --days`, fields two spaces apart:
// "2026-03-08  rounds 3  best 183 keys/min  median 151 keys/min  accuracy 96.5%  time 1:05"
// Speeds in `unit`, rounded half away from zero; the accuracy with one
// decimal; the time practised rounded to the nearest minute, as hours and
// minutes. Always English, as the rest of the report.
std::string dayLine(const DayProgress& day, SpeedUnit unit = SpeedUnit::keysPerMinute);

// Every mode and round of the archive with its top five and the weakest
// keys of each mode, as printed by `tavro stats`; a round whose words come
// from the JLPT level ranks each level apart (attempts saved before the
// level was kept count as N5, as the archive ranks them). Speeds in `unit`.
// With `days`, one dayLine per local day with rounds of any mode follows,
// oldest first; the days are those of `timeZone` (an IANA identifier, or
// empty for the zone in force: TZ, else the system's). Attempts whose date
// no calendar day can name appear in the tables only.
std::string statsReport(const Archive& archive, SpeedUnit unit = SpeedUnit::keysPerMinute,
                        bool days = false, std::string_view timeZone = {});

// The speed unit `tavro stats` prints in: the learner's choice in the
// preferences, else the default of the practice language.
SpeedUnit preferredSpeedUnit(const platform::UserDefaults& preferences);

}  // namespace tavro::terminal
