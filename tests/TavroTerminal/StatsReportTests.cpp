// The whole-archive report of `tavro stats`: which modes and rounds it lists,
// in which order, and what each table holds.
#include "TavroTerminal/CommandLine.h"
#include "TavroTerminal/ScoreText.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavro::terminal {
namespace {

Attempt attempt(int n, std::string mode, std::int64_t round, std::int64_t correct) {
  return Attempt(testing::numberedUuid(n), Date{1000.0 + n}, std::move(mode), round, correct, 0,
                 60);
}

// The section headings of a report, in the order printed.
std::vector<std::string> headings(const std::string& report) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < report.size()) {
    std::size_t end = report.find('\n', at);
    if (end == std::string::npos) end = report.size();
    std::string line = report.substr(at, end - at);
    if (line.find(", round ") != std::string::npos) out.push_back(line);
    at = end + 1;
  }
  return out;
}

TEST(StatsReportTest, ListsKnownModesInTheirOrderThenOthersWithRoundsAscending) {
  Archive archive;
  // Appended out of order on purpose: the report must not follow the file.
  archive.attempts = {attempt(1, "zeta-mode", 2, 100), attempt(2, "kana", 3, 100),
                      attempt(3, "romaji", 4, 100),    attempt(4, "alpha-mode", 1, 100),
                      attempt(5, "romaji", 1, 100),    attempt(6, "kana", 3, 120),
                      attempt(7, "romaji", 8, 100)};
  EXPECT_EQ(headings(statsReport(archive)),
            (std::vector<std::string>{"Japanese · Romaji input, round 1, N5", "Japanese · Romaji input, round 4, N5",
                                      "Japanese · Romaji input, round 8 (weak-key drill)",
                                      "Japanese · Kana input, round 3, N5", "alpha-mode, round 1",
                                      "zeta-mode, round 2"}));
}

TEST(StatsReportTest, EachRoundShowsItsOwnTopFiveOnly) {
  Archive archive;
  for (int n = 1; n <= 7; ++n) archive.attempts.push_back(attempt(n, "romaji", 1, 100 * n));
  archive.attempts.push_back(attempt(8, "romaji", 2, 5000));
  archive.attempts.push_back(attempt(9, "kana", 1, 9000));
  std::string report = statsReport(archive);

  std::size_t round1 = report.find("Japanese · Romaji input, round 1");
  std::size_t round2 = report.find("Japanese · Romaji input, round 2");
  ASSERT_NE(round1, std::string::npos);
  ASSERT_NE(round2, std::string::npos);
  std::string table = report.substr(round1, round2 - round1);
  // Five ranked lines, the best (700 keys in 60 s) first; the two slowest
  // and the other rounds' attempts are not in it.
  EXPECT_NE(table.find(speedText(700)), std::string::npos);
  EXPECT_LT(table.find(speedText(700)), table.find(speedText(300)));
  EXPECT_EQ(table.find(speedText(200)), std::string::npos);
  EXPECT_EQ(table.find(speedText(5000)), std::string::npos);
  EXPECT_EQ(table.find(speedText(9000)), std::string::npos);
}

TEST(StatsReportTest, LevelRoundsAreRankedPerLevelInTheChosenUnit) {
  Archive archive;
  Attempt n1 = attempt(1, "romaji", 2, 100);
  n1.setJLPTLevel("N1");
  archive.attempts = {n1, attempt(2, "romaji", 2, 900), attempt(3, "guided-romaji", 2, 500)};
  std::string report = statsReport(archive, SpeedUnit::wordsPerMinute);
  // Attempts saved before the level was kept rank with N5; rounds that do
  // not depend on a level are one table.
  EXPECT_EQ(headings(report), (std::vector<std::string>{"Japanese · Romaji input, round 2, N5", "Japanese · Romaji input, round 2, N1",
                                                        "Japanese · Guided romaji, round 2"}));
  std::size_t n1Table = report.find("Japanese · Romaji input, round 2, N1");
  EXPECT_NE(report.find("20 WPM", n1Table), std::string::npos) << report;  // 100 keys in 60 s
  EXPECT_EQ(report.find("180 WPM", n1Table), std::string::npos) << report;
  EXPECT_EQ(report.find("keys/min"), std::string::npos) << report;
}

TEST(StatsReportTest, HostileModesArePrintedHarmlessAndAnEmptyArchiveSaysSo) {
  EXPECT_EQ(statsReport(Archive{}), "No finished rounds yet.\n");
  Archive archive;
  archive.attempts = {attempt(1, "x\x1b]0;owned\x07", 1, 100)};
  std::string report = statsReport(archive);
  EXPECT_EQ(report.find('\x1b'), std::string::npos);
  EXPECT_NE(report.find("x\xEF\xBF\xBD]0;owned\xEF\xBF\xBD, round 1"), std::string::npos);
}

// An attempt at an instant given in UTC.
Attempt dated(int n, int y, unsigned m, unsigned d, int hour, int minute, std::int64_t correct,
              std::int64_t misses, double seconds, std::string mode = "romaji") {
  auto day = std::chrono::sys_days(std::chrono::year{y} / m / d).time_since_epoch().count();
  double unixSeconds = static_cast<double>(day) * 86400 + hour * 3600 + minute * 60;
  return Attempt(testing::numberedUuid(n), Date::fromUnixSeconds(unixSeconds), std::move(mode), 1,
                 correct, misses, seconds);
}

TEST(StatsReportTest, DaysFollowTheTablesOneExactLineEachInTheLocalDay) {
  Archive archive;
  archive.attempts = {
      // 23:30 on the 7th in New York (standard time, five hours behind):
      // 365 keys in 120 s is 182.5 a minute, printed 183, not printf's 182.
      dated(1, 2026, 3, 8, 4, 30, 365, 36, 120),
      // The 8th, the day daylight saving starts: 100 and 201 a minute, an
      // even count whose median 150.5 prints 151.
      dated(2, 2026, 3, 8, 5, 30, 100, 0, 60, "kana"),
      dated(3, 2026, 3, 9, 3, 30, 201, 0, 60),
      // 00:30 on the 9th in daylight time (00:30 UTC minus four hours);
      // 3630 s are 60.5 minutes, printed 1:01.
      dated(4, 2026, 3, 9, 4, 30, 6050, 0, 3630),
  };
  const std::string days =
      "2026-03-07  rounds 1  best 183 keys/min  median 183 keys/min  accuracy 91.0%  time 0:02\n"
      "2026-03-08  rounds 2  best 201 keys/min  median 151 keys/min  accuracy 100.0%  time 0:02\n"
      "2026-03-09  rounds 1  best 100 keys/min  median 100 keys/min  accuracy 100.0%  time 1:01\n";
  std::string tables = statsReport(archive);
  std::string report = statsReport(archive, SpeedUnit::keysPerMinute, true, "America/New_York");
  EXPECT_EQ(report, tables + days);
  EXPECT_EQ(tables.find("rounds "), std::string::npos);

  // In words per minute as the rest of the report: 36.5 rounds up too.
  std::string words = statsReport(archive, SpeedUnit::wordsPerMinute, true, "America/New_York");
  EXPECT_NE(words.find("\n2026-03-07  rounds 1  best 37 WPM  median 37 WPM  accuracy 91.0%  "
                       "time 0:02\n"),
            std::string::npos)
      << words;

  // No rounds, no days.
  EXPECT_EQ(statsReport(Archive{}, SpeedUnit::keysPerMinute, true, "UTC"),
            "No finished rounds yet.\n");
}

TEST(StatsReportTest, DayLineKeepsItsFormAtTheEdges) {
  struct Case {
    const char* name;
    DayProgress day;
    std::string line;
  };
  using std::chrono::year;
  const Case cases[] = {
      {"nothing practised", {year{1} / 1 / 2, 1, 0, 0, 0, 0},
       "0001-01-02  rounds 1  best 0 keys/min  median 0 keys/min  accuracy 0.0%  time 0:00"},
      {"half speeds round away from zero, 89.5 s to a minute",
       {year{2026} / 12 / 1, 2, 0.5, 1.5, 100, 89.5},
       "2026-12-01  rounds 2  best 1 keys/min  median 2 keys/min  accuracy 100.0%  time 0:01"},
      {"a damaged day",
       {year{9999} / 12 / 30, 3, 1e300, -5, 250, std::numeric_limits<double>::infinity()},
       "9999-12-30  rounds 3  best >1e9 keys/min  median 0 keys/min  accuracy 100.0%  time 0:00"},
      {"a long day", {year{2026} / 7 / 4, 40, 300, 250.49, 97.26, 10 * 3600 + 29},
       "2026-07-04  rounds 40  best 300 keys/min  median 250 keys/min  accuracy 97.3%  time 10:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dayLine(c.day), c.line);
  }
}

TEST(CommandLineTest, DaysGoWithStatsOnlyAndTheHelpSaysSo) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<bool> days;  // nothing: an error
  };
  const Case cases[] = {
      {{"stats"}, false},          {{"stats", "--days"}, true},
      {{"--days", "stats"}, true}, {{"--data-dir", "/d", "stats", "--days"}, true},
      {{"--days"}, std::nullopt},  {{"stats", "--days", "--days"}, std::nullopt},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& argument : c.arguments) joined += argument + " ";
    SCOPED_TRACE(joined);
    auto parsed = CommandLine::parse(c.arguments);
    if (!c.days) {
      EXPECT_TRUE(std::holds_alternative<std::string>(parsed));
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    EXPECT_EQ(std::get<CommandLine>(parsed).days, *c.days);
  }
  EXPECT_NE(helpText().find("tavro stats --days"), std::string::npos);
}

}  // namespace
}  // namespace tavro::terminal
