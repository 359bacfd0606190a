// The key map: every tally of a mode's weak-key history on the drawn key
// that types it, and the colour band of each key.
#include "TavroCore/practice/KeyMap.h"

#include "TavroCore/input/Keyboard.h"

#include "Tallies.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tavro {
namespace {

using testing::historyOf;
using testing::Tally;

const KeyAccuracy* find(const KeyMap& map, const std::string& label) {
  for (const auto& row : map.rows) {
    for (const KeyAccuracy& key : row) {
      if (key.label == label) return &key;
    }
  }
  return nullptr;
}

TEST(KeyMapTest, RowsAreTheLayoutsOwnAndStartUntyped) {
  for (bool jis : {false, true}) {
    SCOPED_TRACE(jis ? "JIS" : "US");
    // A history of another mode only: nothing of it may show.
    KeyMap map = KeyMap::of(historyOf("romaji", {{"a", 10, 5}, {" ", 4, 0}}), "english", jis);
    const auto& rows = Keyboard::rows(jis);
    ASSERT_EQ(map.rows.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(map.rows[r].size(), rows[r].size());
      for (std::size_t k = 0; k < rows[r].size(); ++k) {
        const KeyAccuracy& key = map.rows[r][k];
        EXPECT_EQ(key.label, rows[r][k]);
        EXPECT_EQ(key.typed, 0);
        EXPECT_EQ(key.accuracy, std::nullopt) << key.label;  // never typed is not 100 %
        EXPECT_EQ(key.band, KeyBand::untyped) << key.label;
      }
    }
    EXPECT_EQ(map.otherKeystrokes, 0);
  }
}

TEST(KeyMapTest, EveryCharacterLandsOnTheKeyThatTypesIt) {
  struct Case {
    const char* name;
    bool jis;
    const char* mode;
    std::vector<Tally> tallies;
    std::string label;
    std::int64_t typed;
    std::int64_t missed;
  };
  const std::string shiftZero(Keyboard::jisShiftZero);
  const std::vector<Case> cases = {
      {"upper and lower case add up", false, "english", {{"A", 3, 1}, {"a", 7, 0}}, "a", 10, 1},
      {"US shifted digit", false, "english", {{"!", 4, 2}, {"1", 6, 0}}, "1", 10, 2},
      {"US quote key", false, "english", {{"\"", 5, 1}, {"'", 5, 0}}, "'", 10, 1},
      {"JIS shifted digit", true, "english", {{"!", 4, 2}}, "1", 4, 2},
      {"JIS Shift+2 is a quote", true, "english", {{"\"", 5, 1}, {"2", 1, 0}}, "2", 6, 1},
      {"JIS Shift+7 is an apostrophe", true, "english", {{"'", 3, 3}}, "7", 3, 3},
      // Kana keys: the history holds the key characters typed for the kana.
      {"kana あ and small ぁ on 3", true, "kana", {{"3", 8, 1}, {"#", 2, 1}}, "3", 10, 2},
      {"kana を on Shift+0", true, "kana", {{shiftZero, 4, 1}, {"0", 6, 0}}, "0", 10, 1},
      {"kana ろ and its shifted key", true, "kana", {{"\\", 5, 0}, {"_", 5, 5}}, "\\", 10, 5},
      {"kana dakuten key", true, "kana", {{"@", 9, 0}, {"`", 1, 1}}, "@", 10, 1},
      {"kana ー on the yen key", true, "kana", {{"¥", 4, 0}, {"|", 1, 0}}, "¥", 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyMap map = KeyMap::of(historyOf(c.mode, c.tallies), c.mode, c.jis);
    const KeyAccuracy* key = find(map, c.label);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->typed, c.typed);
    EXPECT_EQ(key->missed, c.missed);
    ASSERT_TRUE(key->accuracy.has_value());
    EXPECT_DOUBLE_EQ(*key->accuracy,
                     static_cast<double>(c.typed - c.missed) * 100 / static_cast<double>(c.typed));
    EXPECT_EQ(map.otherKeystrokes, 0);
  }
}

TEST(KeyMapTest, KeysOffTheDrawnRowsAreCountedApart) {
  // The space bar, Devanagari typed directly and a key only the other
  // layout has.
  WeakKeyHistory history =
      historyOf("nepali-direct", {{" ", 12, 1}, {"क", 3, 1}, {"¥", 2, 0}, {"k", 5, 0}});
  KeyMap us = KeyMap::of(history, "nepali-direct", false);
  EXPECT_EQ(us.otherKeystrokes, 17);
  EXPECT_EQ(find(us, "k")->typed, 5);
  // On JIS the yen key is drawn.
  KeyMap jis = KeyMap::of(history, "nepali-direct", true);
  EXPECT_EQ(jis.otherKeystrokes, 15);
  EXPECT_EQ(find(jis, "¥")->typed, 2);
}

TEST(KeyMapTest, BandsChangeExactlyAt85And95Percent) {
  struct Case {
    const char* name;
    std::int64_t typed;
    std::int64_t missed;
    double accuracy;
    KeyBand band;
  };
  const std::vector<Case> cases = {
      {"every keystroke missed", 7, 7, 0, KeyBand::weak},
      {"just under 85", 100, 16, 84, KeyBand::weak},
      {"85 exactly", 20, 3, 85, KeyBand::fair},
      {"just under 95", 100, 6, 94, KeyBand::fair},
      {"95 exactly", 20, 1, 95, KeyBand::strong},
      {"never missed", 3, 0, 100, KeyBand::strong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyMap map = KeyMap::of(historyOf("romaji", {{"f", c.typed, c.missed}}), "romaji", false);
    const KeyAccuracy* key = find(map, "f");
    ASSERT_TRUE(key->accuracy.has_value());
    EXPECT_DOUBLE_EQ(*key->accuracy, c.accuracy);
    EXPECT_EQ(key->band, c.band);
    EXPECT_EQ(KeyMap::band(c.accuracy), c.band);
  }
  EXPECT_EQ(KeyMap::band(std::nullopt), KeyBand::untyped);
  EXPECT_EQ(KeyMap::band(84.999), KeyBand::weak);
  EXPECT_EQ(KeyMap::band(94.999), KeyBand::fair);
}

TEST(KeyMapTest, DamagedTalliesStayWithinZeroToHundredPercent) {
  constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
  // Counts as a stored file may hold them: more misses than keystrokes,
  // negative counts, sums beyond 64 bits.
  KeyMap map = KeyMap::of(historyOf("english", {{"q", 10, 50},
                                                {"w", -5, -1},
                                                {"e", 4, -3},
                                                {"r", most, 1},
                                                {"R", most, 1},
                                                {" ", most, 0},
                                                {"\t", most, 0}}),
                          "english", false);
  const KeyAccuracy* q = find(map, "q");
  EXPECT_EQ(q->missed, 10);
  EXPECT_EQ(q->accuracy, std::optional<double>(0));
  EXPECT_EQ(find(map, "w")->accuracy, std::nullopt);
  EXPECT_EQ(find(map, "w")->band, KeyBand::untyped);
  EXPECT_EQ(find(map, "e")->missed, 0);
  EXPECT_EQ(find(map, "e")->accuracy, std::optional<double>(100));
  const KeyAccuracy* r = find(map, "r");
  EXPECT_EQ(r->typed, most);
  ASSERT_TRUE(r->accuracy.has_value());
  EXPECT_GE(*r->accuracy, 0);
  EXPECT_LE(*r->accuracy, 100);
  EXPECT_EQ(map.otherKeystrokes, most);
}

}  // namespace
}  // namespace tavro
