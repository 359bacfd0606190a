// Daily progress: which local day each round falls on, the figures of a day,
// the window of recent days and the week-to-week trend.
#include "TavroCore/history/DailyProgress.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavro {

void PrintTo(const DayProgress& d, std::ostream* out) {
  *out << static_cast<int>(d.day.year()) << '-' << static_cast<unsigned>(d.day.month()) << '-'
       << static_cast<unsigned>(d.day.day()) << " rounds " << d.rounds << " best " << d.bestSpeed
       << " median " << d.medianSpeed << " accuracy " << d.accuracy << " seconds " << d.seconds;
}

namespace {

using std::chrono::year;
using std::chrono::year_month_day;

// An instant given in UTC.
Date utc(int y, unsigned m, unsigned d, int hour, int minute = 0) {
  auto day = std::chrono::sys_days(year{y} / m / d).time_since_epoch().count();
  return Date::fromUnixSeconds(static_cast<double>(day) * 86400 + hour * 3600 + minute * 60);
}

int serial = 0;

// A round of `correct` keys in 60 seconds (so `correct` keys per minute).
Attempt round(Date date, std::int64_t correct, std::int64_t misses = 0, double seconds = 60,
              std::string mode = "romaji") {
  return Attempt(testing::numberedUuid(static_cast<std::uint64_t>(++serial)), date, std::move(mode),
                 1, correct, misses, seconds);
}

DayProgress day(int y, unsigned m, unsigned d, std::int64_t rounds, double best, double median,
                double accuracy, double seconds) {
  return DayProgress{year{y} / m / d, rounds, best, median, accuracy, seconds};
}

void expectDays(const std::vector<DayProgress>& actual, const std::vector<DayProgress>& expected) {
  ASSERT_EQ(actual.size(), expected.size()) << ::testing::PrintToString(actual);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(::testing::PrintToString(expected[i]));
    EXPECT_EQ(actual[i].day, expected[i].day) << ::testing::PrintToString(actual[i]);
    EXPECT_EQ(actual[i].rounds, expected[i].rounds);
    EXPECT_DOUBLE_EQ(actual[i].bestSpeed, expected[i].bestSpeed);
    EXPECT_DOUBLE_EQ(actual[i].medianSpeed, expected[i].medianSpeed);
    EXPECT_NEAR(actual[i].accuracy, expected[i].accuracy, 1e-9);
    EXPECT_DOUBLE_EQ(actual[i].seconds, expected[i].seconds);
  }
}

TEST(DailyProgressTest, GroupsRoundsByLocalDayWithTheDaysFigures) {
  struct Case {
    const char* name;
    std::vector<Attempt> attempts;
    std::optional<std::string_view> mode;
    std::string_view zone;
    std::vector<DayProgress> days;
    std::int64_t undated = 0;
  };
  const double huge = std::numeric_limits<double>::max();
  const Case cases[] = {
      {"empty archive", {}, std::nullopt, "America/New_York", {}},
      // Daylight saving starts in New York at 02:00 on 2026-03-08: before
      // it midnight is 05:00 UTC, after it 04:00 UTC. A zone offset kept
      // from before the shift would put the last round on the 8th.
      {"across the daylight-saving shift",
       {round(utc(2026, 3, 8, 4, 30), 100), round(utc(2026, 3, 8, 5, 30), 200),
        round(utc(2026, 3, 9, 3, 30), 300), round(utc(2026, 3, 9, 4, 30), 400)},
       std::nullopt,
       "America/New_York",
       {day(2026, 3, 7, 1, 100, 100, 100, 60), day(2026, 3, 8, 2, 300, 250, 100, 120),
        day(2026, 3, 9, 1, 400, 400, 100, 60)}},
      // The same rounds seen after moving from New York to Tokyo: 20:00 UTC
      // is the afternoon of the 1st in one and the morning of the 2nd in
      // the other.
      {"the same rounds in New York",
       {round(utc(2026, 6, 1, 3), 100), round(utc(2026, 6, 1, 20), 200)},
       std::nullopt,
       "America/New_York",
       {day(2026, 5, 31, 1, 100, 100, 100, 60), day(2026, 6, 1, 1, 200, 200, 100, 60)}},
      {"the same rounds in Tokyo",
       {round(utc(2026, 6, 1, 3), 100), round(utc(2026, 6, 1, 20), 200)},
       std::nullopt,
       "Asia/Tokyo",
       {day(2026, 6, 1, 1, 100, 100, 100, 60), day(2026, 6, 2, 1, 200, 200, 100, 60)}},
      // A day's accuracy weighs every keystroke: 100 of 110 keys, not the
      // mean of 90 % and 100 %. The 0-second round is a round at speed 0.
      {"one round, an odd and an even count, a round without time",
       {round(utc(2026, 1, 1, 12), 120, 0, 30), round(utc(2026, 1, 2, 12), 300),
        round(utc(2026, 1, 2, 13), 100), round(utc(2026, 1, 2, 14), 200),
        round(utc(2026, 1, 3, 12), 90, 10), round(utc(2026, 1, 3, 13), 400),
        round(utc(2026, 1, 3, 14), 10, 0, 0), round(utc(2026, 1, 3, 15), 200)},
       std::nullopt,
       "UTC",
       {day(2026, 1, 1, 1, 240, 240, 100, 30), day(2026, 1, 2, 3, 300, 200, 100, 180),
        day(2026, 1, 3, 4, 400, 145, 100.0 * 700 / 710, 180)}},
      // Order of the file does not matter: a merged archive is not sorted.
      {"attempts out of date order",
       {round(utc(2026, 2, 3, 12), 300), round(utc(2026, 2, 1, 12), 100),
        round(utc(2026, 2, 3, 13), 500), round(utc(2026, 2, 1, 13), 200)},
       std::nullopt,
       "UTC",
       {day(2026, 2, 1, 2, 200, 150, 100, 120), day(2026, 2, 3, 2, 500, 400, 100, 120)}},
      {"one mode",
       {round(utc(2026, 4, 1, 12), 100), round(utc(2026, 4, 1, 13), 300, 0, 60, "kana"),
        round(utc(2026, 4, 2, 12), 500, 0, 60, "kana")},
       "romaji",
       "UTC",
       {day(2026, 4, 1, 1, 100, 100, 100, 60)}},
      {"all modes",
       {round(utc(2026, 4, 1, 12), 100), round(utc(2026, 4, 1, 13), 300, 0, 60, "kana"),
        round(utc(2026, 4, 2, 12), 500, 0, 60, "kana")},
       std::nullopt,
       "UTC",
       {day(2026, 4, 1, 2, 300, 200, 100, 120), day(2026, 4, 2, 1, 500, 500, 100, 60)}},
      // Dates no calendar day names are skipped and counted; the edges of
      // the range still land on their days, and damaged times and counts
      // give figures, never NaN.
      {"dates far in the past or the future, damaged times",
       {round(Date{huge}, 100), round(Date{-huge}, 100),
        round(Date{std::numeric_limits<double>::quiet_NaN()}, 100),
        round(Date{std::numeric_limits<double>::infinity()}, 100), round(utc(1, 1, 1, 23), 100),
        round(utc(9999, 12, 31, 0), 100),
        round(utc(1, 1, 2, 0), 60, 0, std::numeric_limits<double>::infinity()),
        round(utc(1, 1, 2, 1), 60, 0, -5),
        round(utc(9999, 12, 30, 23, 59), std::numeric_limits<std::int64_t>::max(), 0, 1e-300),
        round(utc(9999, 12, 30, 23, 59), std::numeric_limits<std::int64_t>::max(),
              std::numeric_limits<std::int64_t>::max())},
       std::nullopt,
       "UTC",
       {day(1, 1, 2, 2, 0, 0, 100, 0),
        day(9999, 12, 30, 2, 9.223372036854775807e18, 9.223372036854775807e18 / 2, 200.0 / 3, 60)},
       6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DailyProgress progress = DailyProgress::summarize(c.attempts, c.mode, c.zone);
    expectDays(progress.days, c.days);
    EXPECT_EQ(progress.undatedAttempts, c.undated);
  }
}

TEST(DailyProgressTest, KeepsOnlyTheRecentDaysOfTheWindow) {
  std::vector<Attempt> attempts = {
      round(utc(2026, 5, 1, 12), 100), round(utc(2026, 5, 8, 12), 200),
      round(utc(2026, 5, 10, 3), 300),   // the 9th in New York, inside
      round(utc(2026, 5, 11, 12), 400),  // after `now`
  };
  Date now = utc(2026, 5, 10, 12);  // the 10th in New York
  struct Case {
    std::int64_t count;
    std::vector<int> days;  // of May
  };
  const Case cases[] = {{1, {}},
                        {2, {9}},
                        {3, {8, 9}},
                        {30, {1, 8, 9}},
                        {0, {}},
                        {-5, {}},
                        {std::numeric_limits<std::int64_t>::max(), {1, 8, 9}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    DailyProgress progress = DailyProgress::summarize(attempts, std::nullopt, "America/New_York",
                                                      RecentDays{c.count, now});
    std::vector<int> got;
    for (const DayProgress& d : progress.days)
      got.push_back(static_cast<int>(static_cast<unsigned>(d.day.day())));
    EXPECT_EQ(got, c.days);
  }
}

TEST(DailyProgressTest, TrendComparesTheMediansOfTheFirstAndLastWeek) {
  struct Case {
    const char* name;
    std::vector<Attempt> attempts;
    std::optional<double> trend;
  };
  const Case cases[] = {
      {"no rounds", {}, std::nullopt},
      // Twelve days apart, the two weeks would share the days between.
      {"weeks overlapping",
       {round(utc(2026, 7, 1, 12), 100), round(utc(2026, 7, 13, 12), 300)},
       std::nullopt},
      {"thirteen days apart",
       {round(utc(2026, 7, 1, 12), 100), round(utc(2026, 7, 14, 12), 300)},
       200},
      // The first week's median is over all its rounds (100, 100, 100,
      // 400: 100), not over its daily medians (100 and 400: 250); the
      // round of the 8th is in neither week (the last is the 9th to 15th).
      {"two weeks with a day between",
       {round(utc(2026, 7, 1, 12), 100), round(utc(2026, 7, 1, 13), 100),
        round(utc(2026, 7, 1, 14), 100), round(utc(2026, 7, 4, 12), 400),
        round(utc(2026, 7, 8, 12), 900), round(utc(2026, 7, 15, 12), 300),
        round(utc(2026, 7, 9, 12), 200)},
       150},
      {"slower later", {round(utc(2026, 7, 1, 12), 300), round(utc(2026, 8, 1, 12), 250)}, -50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DailyProgress::summarize(c.attempts, std::nullopt, "UTC").trend, c.trend);
  }
  // The trend is of the days kept: in a window of the last 20 days the
  // first week starts on the 26th of June.
  std::vector<Attempt> attempts = {round(utc(2026, 6, 1, 12), 100),
                                   round(utc(2026, 6, 26, 12), 200),
                                   round(utc(2026, 7, 14, 12), 500)};
  EXPECT_EQ(
      DailyProgress::summarize(attempts, std::nullopt, "UTC", RecentDays{20, utc(2026, 7, 15, 12)})
          .trend,
      std::optional<double>(300));
}

TEST(DailyProgressTest, RefusesAnUnknownTimeZone) {
  std::vector<Attempt> attempts = {round(utc(2026, 6, 1, 12), 100)};
  EXPECT_THROW(DailyProgress::summarize(attempts, std::nullopt, "Mars/Olympus_Mons"),
               std::invalid_argument);
  EXPECT_THROW(DailyProgress::summarize({}, std::nullopt, "Etc/Unknown"), std::invalid_argument);
  EXPECT_NO_THROW(DailyProgress::summarize(attempts, std::nullopt, ""));
}

}  // namespace
}  // namespace tavro
