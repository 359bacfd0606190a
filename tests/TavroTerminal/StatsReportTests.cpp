// The whole-archive report of `tavro stats`: which modes and rounds it lists,
// in which order, and what each table holds.
#include "TavroTerminal/ScoreText.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
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
                      attempt(5, "romaji", 1, 100),    attempt(6, "kana", 3, 120)};
  EXPECT_EQ(headings(statsReport(archive)),
            (std::vector<std::string>{"Japanese · Romaji input, round 1, N5", "Japanese · Romaji input, round 4, N5",
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

}  // namespace
}  // namespace tavro::terminal
