#include "TavroCore/history/WeakKeyHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro {
namespace {

using Keys = std::vector<std::string>;

WeakKeyHistory withTallies(const std::string& mode,
                           const std::map<std::string, KeyPerformance>& keys) {
  WeakKeyHistory history;
  history.modes[mode] = {keys.begin(), keys.end()};
  return history;
}

TEST(WeakKeyHistory, RecordCreditsTheTypedOrTheExpectedKey) {
  WeakKeyHistory history;
  history.record("romaji", "k", "k", true);
  history.record("romaji", "k", std::nullopt, true);
  history.record("romaji", "j", "k", false);
  EXPECT_EQ(history.modes["romaji"]["k"], (KeyPerformance{3, 1}));
  EXPECT_DOUBLE_EQ(history.modes["romaji"]["k"].errorRate(), 1.0 / 3);
  EXPECT_EQ(history.modes["romaji"].count("j"), 0u);

  // Keys are exact texts: upper and lower case are different keys.
  history.record("english", "K", "K", true);
  history.record("english", "k", "K", false);
  EXPECT_EQ(history.modes["english"]["K"], (KeyPerformance{2, 1}));
  EXPECT_EQ(history.modes["english"].size(), 1u);
}

TEST(WeakKeyHistory, RecordIgnoresWhatCannotBeCounted) {
  struct Case {
    const char* name;
    const char* mode;
    const char* actual;
    std::optional<std::string_view> expected;
    bool accepted;
  };
  const Case cases[] = {
      {"unknown mode", "japanese", "a", "a", true},
      {"mode differs in case", "Romaji", "a", "a", true},
      {"rejected without an expected key", "romaji", "a", std::nullopt, false},
      {"accepted with an empty typed key", "romaji", "", "a", true},
      {"rejected with an empty expected key", "romaji", "a", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WeakKeyHistory history;
    history.record(c.mode, c.actual, c.expected, c.accepted);
    EXPECT_TRUE(history.modes.empty());
  }
  for (const char* mode : {"romaji", "numpad", "guided-romaji", "kana", "english", "nepali",
                           "english-direct", "nepali-direct", "kana-custom"}) {
    SCOPED_TRACE(mode);
    WeakKeyHistory history;
    history.record(mode, "a", std::nullopt, true);
    EXPECT_EQ(history.modes[mode]["a"], (KeyPerformance{1, 0}));
  }
}

TEST(WeakKeyHistory, RankedKeys) {
  struct Case {
    const char* name;
    std::map<std::string, KeyPerformance> tallies;
    Keys ranked;
  };
  const Case cases[] = {
      {"equal rates: more errors first; never missed left out",
       {{"a", {4, 2}}, {"b", {2, 1}}, {"c", {10, 0}}},
       {"a", "b"}},
      {"higher rate first", {{"x", {10, 1}}, {"y", {3, 2}}, {"z", {100, 20}}}, {"y", "z", "x"}},
      {"full ties in code-point order",
       {{"b", {2, 1}}, {"a", {2, 1}}, {"A", {2, 1}}, {"あ", {2, 1}}},
       {"A", "a", "b", "あ"}},
      {"stored oddities do not crash",
       {{"p", {0, 3}}, {"q", {-1, 1}}, {"r", {1, 5}}},
       {"r", "p", "q"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(withTallies("kana", c.tallies).rankedKeys("kana"), c.ranked);
    EXPECT_TRUE(withTallies("kana", c.tallies).rankedKeys("romaji").empty());
  }
}

TEST(WeakKeyHistory, MergeAddsCounts) {
  WeakKeyHistory history;
  history.record("romaji", "k", std::nullopt, true);
  history.record("romaji", "s", "t", false);
  history.record("numpad", "7", "8", false);

  WeakKeyHistory merged;
  merged.merge(history);
  EXPECT_EQ(merged, history);
  merged.merge(history);
  EXPECT_EQ(merged.modes["romaji"]["k"], (KeyPerformance{2, 0}));
  EXPECT_EQ(merged.modes["romaji"]["t"], (KeyPerformance{2, 2}));
  EXPECT_EQ(merged.modes["numpad"]["8"], (KeyPerformance{2, 2}));

  WeakKeyHistory other = withTallies("kana", {{"a", {1, 1}}});
  other.modes["romaji"]["k"] = {5, 1};
  WeakKeyHistory left = history, right = other;
  left.merge(other);
  right.merge(history);
  EXPECT_EQ(left, right);
  EXPECT_EQ(left.modes["romaji"]["k"], (KeyPerformance{6, 1}));
  EXPECT_EQ(left.modes["romaji"]["t"], (KeyPerformance{1, 1}));
  EXPECT_EQ(left.modes["kana"]["a"], (KeyPerformance{1, 1}));
}

// Taking in a copy of the same learner's history (a backup) keeps, per key,
// the fuller tally: nothing is lost, and a second import changes nothing.
TEST(WeakKeyHistory, MergeKeepingFullerIsIdempotent) {
  WeakKeyHistory local = withTallies("romaji", {{"k", {10, 2}}, {"s", {4, 1}}, {"t", {6, 1}}});
  WeakKeyHistory backup = withTallies("romaji", {{"k", {8, 5}}, {"s", {9, 0}}, {"t", {6, 3}}});
  backup.modes["kana"]["a"] = {3, 3};
  backup.modes["numpad"];  // a mode without keys adds nothing

  WeakKeyHistory merged = local;
  merged.mergeKeepingFuller(backup);
  EXPECT_EQ(merged.modes["romaji"]["k"], (KeyPerformance{10, 2}));  // local has more attempts
  EXPECT_EQ(merged.modes["romaji"]["s"], (KeyPerformance{9, 0}));   // the backup has more
  EXPECT_EQ(merged.modes["romaji"]["t"], (KeyPerformance{6, 3}));   // equal: more errors
  EXPECT_EQ(merged.modes["kana"]["a"], (KeyPerformance{3, 3}));     // only in the backup
  EXPECT_EQ(merged.modes.count("numpad"), 0u);

  WeakKeyHistory twice = merged;
  twice.mergeKeepingFuller(backup);
  EXPECT_EQ(twice, merged);

  // A restore on a new computer gives the whole history back.
  WeakKeyHistory fresh;
  fresh.mergeKeepingFuller(backup);
  backup.modes.erase("numpad");
  EXPECT_EQ(fresh, backup);
  EXPECT_EQ(fresh.rankedKeys("kana"), (std::vector<std::string>{"a"}));
}

TEST(WeakKeyHistory, JsonForm) {
  WeakKeyHistory history;
  history.record("romaji", "k", std::nullopt, true);
  history.record("romaji", "a", "s", false);
  EXPECT_EQ(
      history.encode(),
      R"({"modes":{"romaji":{"k":{"attempts":1,"errors":0},"s":{"attempts":1,"errors":1}}}})");
  EXPECT_EQ(WeakKeyHistory::decode(history.encode()), history);
  EXPECT_EQ(WeakKeyHistory::decode(R"({"modes":{},"other":1})"), WeakKeyHistory());
  EXPECT_EQ(WeakKeyHistory::decode(R"({"modes":{"x":{"k":{"attempts":1,"errors":0,"rate":0.5}}}})")
                .modes.at("x")
                .at("k"),
            (KeyPerformance{1, 0}));

  const char* failures[] = {
      R"({})",
      R"({"modes":null})",
      R"({"modes":[]})",
      R"({"modes":{"romaji":[]}})",
      R"({"modes":{"romaji":{"k":{"attempts":1}}}})",
      R"({"modes":{"romaji":{"k":{"errors":1}}}})",
      R"({"modes":{"romaji":{"k":{"attempts":1.5,"errors":0}}}})",
      R"({"modes":{"romaji":{"k":{"attempts":"1","errors":0}}}})",
      R"({"modes":{"romaji":{"k":null}}})",
  };
  for (const char* text : failures) {
    SCOPED_TRACE(text);
    EXPECT_THROW(WeakKeyHistory::decode(text), json::DecodingError);
  }
}

}  // namespace
}  // namespace tavro
