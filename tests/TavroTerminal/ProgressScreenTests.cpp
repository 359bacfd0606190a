// The progress screen and the weak-key drill as the learner meets them in
// the tutor: the chart's days in their columns, the keyboard marked by
// accuracy, the suggestion and where Enter leads, and the drill offered
// beside the numbered rounds with scores of its own.
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroTerminal/ProgressScreen.h"
#include "TavroHost/Storage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace tavro::terminal {
namespace {

using tavro::testing::TemporaryDirectory;

constexpr double day = 86'400;

// A tutor past its setup whose archive holds `archive`.
struct ProgressFixture {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;

  explicit ProgressFixture(const Archive& archive) {
    preferences.set(FirstLaunchSetup::completedKey, true);
    EXPECT_FALSE(saveArchive(archive, paths.archive()));
  }
  std::unique_ptr<Tutor> start() {
    return std::make_unique<Tutor>(paths, loadArchive(paths.archive()), preferences);
  }
};

Frame drawn(const Tutor& tutor) {
  Frame frame(Tutor::minimumWidth, Tutor::minimumHeight);
  tutor.render(frame, 0);
  return frame;
}

// A romaji attempt `daysAgo` days before now at `speed` keys per minute
// (a minute's round) with `misses` missed keys.
Attempt romaji(double daysAgo, std::int64_t speed, std::int64_t misses = 0, std::int64_t round = 1) {
  Date date = Date::fromUnixSeconds(Date::now().unixSeconds() - daysAgo * day);
  return Attempt(Uuid::random(), date, "romaji", round, speed, misses, 60);
}

std::string monthDay(double daysAgo) {
  std::time_t at = static_cast<std::time_t>(Date::now().unixSeconds() - daysAgo * day);
  std::tm local{};
  localtime_r(&at, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d", local.tm_mon + 1, local.tm_mday);
  return text;
}

// The bar cells of a chart column, top row first (rows 3 to 7).
std::string barColumn(const Frame& frame, int column) {
  std::string cells;
  for (int row = 3; row <= 7; ++row) cells += frame.cell(row, column).text;
  return cells;
}

TEST(ProgressScreenTest, ChartKeysAndSuggestionOfAPractisedExercise) {
  ASSERT_TRUE(utf8Locale);
  Archive archive;
  archive.attempts = {romaji(10, 100), romaji(3, 150, 50), romaji(3, 210), romaji(0, 240),
                      // Another mode's rounds take no part.
                      Attempt(Uuid::random(), Date::now(), "english", 1, 900, 0, 60)};
  WeakKeyHistory history;
  auto tally = [&](std::string_view key, int typed, int missed) {
    for (int i = 0; i < typed; ++i) history.record("romaji", key, key, i >= missed);
  };
  tally("y", 20, 8);  // 60 %: weak
  tally("k", 20, 2);  // 90 %: fair
  tally("a", 50, 0);  // strong
  archive.weakKeys = history;
  ProgressFixture fixture(archive);
  std::unique_ptr<Tutor> tutor = fixture.start();
  tutor->handle(Key::character("p"), 0);
  ASSERT_EQ(tutor->screen(), Tutor::Screen::progress);
  Frame frame = drawn(*tutor);
  std::string text = frame.text();
  SCOPED_TRACE(text);

  // Each day with rounds in its own column (today's last), its bar as high
  // as its median against the top label; days without rounds stay empty.
  // Medians: 100, 180 (150 and 210), 240; the top is 250.
  EXPECT_EQ(frame.line(3).rfind("  250┤", 0), 0u);
  EXPECT_EQ(barColumn(frame, 65), "▆████");  // 240 of 250: 38 of 40 eighths
  EXPECT_EQ(barColumn(frame, 59), " ▅███");  // 180: 29 eighths
  EXPECT_EQ(barColumn(frame, 45), "   ██");  // 100: 16 eighths
  EXPECT_EQ(barColumn(frame, 61), "     ");
  EXPECT_NE(frame.line(9).find(monthDay(29)), std::string::npos);
  EXPECT_NE(frame.line(9).find(monthDay(0)), std::string::npos);
  // The accuracy of a day by its band: the day with 50 misses of 410 keys is fair.
  EXPECT_EQ(frame.cell(11, 59).style, Style::keyFair);
  EXPECT_EQ(frame.cell(11, 65).style, Style::keyStrong);

  // Keys by accuracy, each with its mark, and a key never typed marked as such.
  EXPECT_NE(text.find(" Y! "), std::string::npos);
  EXPECT_NE(text.find(" K~ "), std::string::npos);
  EXPECT_NE(text.find(" A+ "), std::string::npos);
  EXPECT_NE(text.find(" Q. "), std::string::npos);
  EXPECT_NE(text.find("! under 85%   ~ 85% to 95%   + 95% and over   . not typed yet"),
            std::string::npos);

  EXPECT_NE(text.find("Next: the weak-key drill: y is right only 60% of the time."),
            std::string::npos);
  // Enter takes the suggestion: the drill, with y in its words.
  tutor->handle(Key::of(Key::Kind::enter), 1);
  ASSERT_EQ(tutor->screen(), Tutor::Screen::practice);
  EXPECT_EQ(tutor->round()->round(), drillRound);
  EXPECT_NE(drawn(*tutor).line(0).find("Round 8: Weak-key drill"), std::string::npos)
      << drawn(*tutor).text();
}

TEST(ProgressScreenTest, AFreshLearnerIsToldWhereToStart) {
  ASSERT_TRUE(utf8Locale);
  ProgressFixture fixture{Archive{}};
  std::unique_ptr<Tutor> tutor = fixture.start();
  tutor->handle(Key::character("p"), 0);
  std::string text = drawn(*tutor).text();
  EXPECT_NE(text.find("No rounds in the last 30 days."), std::string::npos) << text;
  EXPECT_NE(text.find("Next: round 1 ("), std::string::npos) << text;
  EXPECT_NE(text.find(" Q. "), std::string::npos) << text;
  tutor->handle(Key::character("h"), 1);
  EXPECT_EQ(tutor->screen(), Tutor::Screen::home);
}

TEST(ProgressScreenTest, TheDrillIsOfferedBesideRoundSevenAndRanksApart) {
  ASSERT_TRUE(utf8Locale);
  Archive archive;
  WeakKeyHistory history;
  for (int i = 0; i < 20; ++i) history.record("romaji", "y", "y", i >= 10);
  archive.weakKeys = history;
  ProgressFixture fixture(archive);
  std::unique_ptr<Tutor> tutor = fixture.start();
  std::string home = drawn(*tutor).text();
  EXPECT_NE(home.find("7  Weak Fingers: Y"), std::string::npos) << home;
  EXPECT_NE(home.find("8  Weak-key drill"), std::string::npos) << home;

  double now = 100;
  tutor->handle(Key::character("8"), now);
  tutor->handle(Key::of(Key::Kind::enter), now);
  ASSERT_EQ(tutor->screen(), Tutor::Screen::practice);
  typeRound(*tutor, now, "q", 2);
  ASSERT_EQ(tutor->screen(), Tutor::Screen::results);
  // The results' short chart: today's round in the last of 30 day cells.
  std::string results = drawn(*tutor).text();
  std::size_t days = results.find("Median speed, 30 days");
  ASSERT_NE(days, std::string::npos) << results;
  std::string row = results.substr(days, results.find('\n', days) - days);
  std::size_t scale = row.find(" 0–");
  ASSERT_NE(scale, std::string::npos) << results;
  EXPECT_EQ(row.substr(scale - 3, 2), "\xE2\x96") << results;  // a block (U+2581 to U+2588)
  EXPECT_NE(row.substr(0, scale - 3).find("·"), std::string::npos) << results;
  Archive saved = Archive::read(fixture.paths.archive());
  ASSERT_EQ(saved.attempts.size(), 1u);
  EXPECT_EQ(saved.attempts[0].round(), drillRound);
  EXPECT_EQ(saved.attempts[0].mode(), "romaji");
  EXPECT_TRUE(saved.scoreRows("romaji", weakKeyRound, std::nullopt).empty());
  // The drill's keystrokes count in the mode's history like any round's.
  EXPECT_GT(saved.weakKeys->modes.at("romaji").at("y").attempts, 20);

  // After the drill the next round is round 1; the drill is chosen again after a restart.
  tutor->handle(Key::character("h"), now += 1);
  tutor.reset();
  std::unique_ptr<Tutor> again = fixture.start();
  EXPECT_NE(drawn(*again).text().find(" > 8  Weak-key drill"), std::string::npos)
      << drawn(*again).text();
}

}  // namespace
}  // namespace tavro::terminal
