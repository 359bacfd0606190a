// The suggestion of the round to take next: each rule with the attempts
// and weak keys that call for it, and the attempts that must not count.
#include "TavroCore/practice/Suggestion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {
namespace {

// An attempt of a minute, so its speed is its correct keystrokes.
struct Taken {
  std::int64_t round;
  std::int64_t speed;
  double date;
  std::optional<std::string> level = std::nullopt;
  std::string mode = "romaji";
};

struct Tally {
  std::string mode;
  std::string key;
  std::int64_t attempts;
  std::int64_t errors;
};

Archive archiveOf(const std::vector<Taken>& taken, const std::vector<Tally>& tallies) {
  Archive archive;
  for (const Taken& t : taken) {
    Attempt attempt(Uuid::random(), Date{t.date}, t.mode, t.round, t.speed, 0, 60);
    if (t.level) attempt.setJLPTLevel(*t.level);
    archive.attempts.push_back(attempt);
  }
  if (!tallies.empty()) {
    archive.weakKeys.emplace();
    for (const Tally& tally : tallies)
      archive.weakKeys->modes[tally.mode][tally.key] = {tally.attempts, tally.errors};
  }
  return archive;
}

Suggestion expected(std::int64_t round, SuggestionReason reason, double best = 0,
                    double median = 0, std::string key = "", double keyAccuracy = 0) {
  Suggestion suggestion;
  suggestion.round = round;
  suggestion.reason = reason;
  suggestion.key = std::move(key);
  suggestion.keyAccuracy = keyAccuracy;
  suggestion.bestSpeed = best;
  suggestion.medianSpeed = median;
  return suggestion;
}

std::vector<Taken> allSix(std::int64_t latestRound, std::vector<std::int64_t> speeds) {
  std::vector<Taken> taken;
  for (std::int64_t round = 1; round <= 6; ++round) {
    taken.push_back({round, speeds[static_cast<std::size_t>(round - 1)],
                     round == latestRound ? 100.0 : static_cast<double>(round)});
  }
  return taken;
}

TEST(SuggestionTest, RulesInOrder) {
  using enum SuggestionReason;
  struct Case {
    const char* name;
    std::vector<Taken> taken;
    std::vector<Tally> tallies;
    Suggestion want;
    bool drillAvailable = true;
    JLPTLevel level = JLPTLevel::n5;
  };
  // Keys of the mode: k is the weakest typed often enough; t is weaker but
  // typed only 9 times; j at exactly 90 % is not under the threshold; the
  // other mode's x does not count.
  const std::vector<Tally> weak = {{"romaji", "k", 10, 2},  {"romaji", "s", 20, 3},
                                   {"romaji", "t", 9, 9},   {"romaji", "j", 10, 1},
                                   {"english", "x", 50, 50}};
  const std::vector<Case> cases = {
      {"empty archive", {}, {}, expected(1, firstRound)},
      {"weak keys but nothing practised", {}, weak, expected(1, firstRound)},
      {"only round 7, the drill and other modes",
       {{7, 100, 1}, {drillRound, 100, 2}, {1, 100, 3, std::nullopt, "kana"}},
       {},
       expected(1, firstRound)},
      {"weak key calls for the drill", {{1, 100, 1}}, weak, expected(drillRound, weakKey, 0, 0, "k", 80)},
      {"no drill to offer", {{1, 100, 1}}, weak, expected(2, notYetTaken), false},
      {"weak key typed only 9 times", {{1, 100, 1}}, {{"romaji", "t", 9, 9}}, expected(2, notYetTaken)},
      {"90 % is not under the threshold", {{1, 100, 1}}, {{"romaji", "j", 10, 1}}, expected(2, notYetTaken)},
      {"equal accuracy: more keystrokes, then code-point order",
       {{1, 100, 1}},
       {{"romaji", "a", 10, 2}, {"romaji", "c", 20, 4}, {"romaji", "b", 20, 4}},
       expected(drillRound, weakKey, 0, 0, "b", 80)},
      {"next round never taken", {{1, 100, 1}, {2, 100, 2}}, {}, expected(3, notYetTaken)},
      // Round 1 is appended last but dated first: the latest is round 3.
      {"latest by date, not by place",
       {{3, 100, 5}, {2, 100, 4}, {1, 100, 1}},
       {},
       expected(4, notYetTaken)},
      {"after round 6 comes round 1",
       {{2, 100, 1}, {3, 100, 2}, {4, 100, 3}, {5, 100, 4}, {6, 100, 5}},
       {},
       expected(1, notYetTaken)},
      // Median of 100, 50, 200 is 100; round 2 follows the latest (round 1).
      {"next round under the median",
       {{1, 100, 9}, {2, 50, 2}, {3, 200, 3}},
       {},
       expected(2, belowMedian, 50, 100)},
      // Round 1 lags too, but the search starts after the latest round.
      {"search starts after the latest round",
       allSix(2, {40, 100, 100, 50, 100, 100}),
       {},
       expected(4, belowMedian, 50, 100)},
      {"search wraps around after round 6",
       allSix(5, {100, 100, 50, 100, 100, 100}),
       {},
       expected(3, belowMedian, 50, 100)},
      // Bests 110 105 120 105 130 140 beside six rounds at 10: median 57.5.
      {"every round at or over the median",
       [] {
         std::vector<Taken> taken = allSix(6, {110, 105, 120, 105, 130, 140});
         for (std::int64_t round = 1; round <= 6; ++round) taken.push_back({round, 10, 50});
         return taken;
       }(),
       {},
       expected(2, slowestBest, 105, 57.5)},
      // Without round 7 and the drill: latest round 3, median 95, so round 5
      // is next. Counted, the latest would be round 7 or the drill (round 2
      // or 3 next) and the median 90 (no round under it).
      {"round 7 and the drill are neither latest nor in the median",
       [] {
         std::vector<Taken> taken = allSix(3, {100, 90, 90, 100, 90, 100});
         for (double date : {200.0, 201.0, 202.0}) taken.push_back({7, 10, date});
         for (double date : {203.0, 204.0}) taken.push_back({drillRound, 10, date});
         return taken;
       }(),
       {},
       expected(5, belowMedian, 90, 95)},
      {"another level's attempts do not count",
       {{1, 100, 1, "N5"}, {2, 100, 2}},
       {},
       expected(1, firstRound),
       true,
       JLPTLevel::n4},
      // The N4 attempt is the latest by date but not of this level; the one
      // without a level counts as N5.
      {"attempts without a level count as N5",
       {{1, 100, 9, "N4"}, {3, 100, 2}, {2, 100, 1, "N5"}},
       {},
       expected(4, notYetTaken)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<Suggestion> got =
        Suggestions::next(Exercise::japaneseRomaji, c.level, archiveOf(c.taken, c.tallies), c.drillAvailable);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->round, c.want.round);
    EXPECT_EQ(got->reason, c.want.reason);
    EXPECT_EQ(got->key, c.want.key);
    EXPECT_DOUBLE_EQ(got->keyAccuracy, c.want.keyAccuracy);
    EXPECT_DOUBLE_EQ(got->bestSpeed, c.want.bestSpeed);
    EXPECT_DOUBLE_EQ(got->medianSpeed, c.want.medianSpeed);
  }
}

TEST(SuggestionTest, LevelCountsOnlyWhereItChoosesTheWords) {
  // English has no level: attempts of any level text all count.
  Archive archive = archiveOf({{1, 100, 1, "N3", "english"}, {2, 100, 2, std::nullopt, "english"}}, {});
  std::optional<Suggestion> got = Suggestions::next(Exercise::english, JLPTLevel::n1, archive, true);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, expected(3, SuggestionReason::notYetTaken));
}

TEST(SuggestionTest, NothingForTheLearnersOwnText) {
  Archive archive = archiveOf({{1, 100, 1, std::nullopt, "kana-custom"}},
                              {{"kana-custom", "k", 20, 20}});
  EXPECT_EQ(Suggestions::next(Exercise::customText, JLPTLevel::n5, archive, true), std::nullopt);
}

TEST(SuggestionTest, DamagedSpeedsAndTalliesStayWithinReach) {
  // A stored attempt over a vanishing time has an infinite speed, and a
  // stored tally can claim more misses than keystrokes. The speed counts as
  // 0 (as in the daily figures), so it neither makes its round look best
  // nor leaves the median without an order; the key's accuracy stays 0 %.
  Archive archive = archiveOf(allSix(6, {100, 100, 100, 100, 100, 100}), {{"romaji", "k", 10, 40}});
  archive.attempts.erase(archive.attempts.begin() + 3);
  archive.attempts.emplace_back(Uuid::random(), Date{4}, "romaji", 4, 100, 0, 1e-320);
  ASSERT_FALSE(std::isfinite(archive.attempts.back().cpm()));
  EXPECT_EQ(Suggestions::next(Exercise::japaneseRomaji, JLPTLevel::n5, archive, true),
            expected(drillRound, SuggestionReason::weakKey, 0, 0, "k", 0));
  EXPECT_EQ(Suggestions::next(Exercise::japaneseRomaji, JLPTLevel::n5, archive, false),
            expected(4, SuggestionReason::belowMedian, 0, 100));
}

}  // namespace
}  // namespace tavro
