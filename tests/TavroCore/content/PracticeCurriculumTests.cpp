#include "TavroCore/content/PracticeCurriculum.h"

#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/KanaInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tavro {
namespace {

using Prompts = std::vector<std::string>;

// Rounds 1 to 6 of the hiragana curriculum, one after another.
Prompts hiraganaPool() {
  Prompts pool;
  for (const Prompts& round : RomajiCurriculum::rounds())
    pool.insert(pool.end(), round.begin(), round.end());
  return pool;
}

bool contains(const Prompts& prompts, const std::string& prompt) {
  return std::find(prompts.begin(), prompts.end(), prompt) != prompts.end();
}

TEST(PracticeCurriculum, FixedRounds) {
  struct Case {
    const char* mode;
    std::int64_t round;
    Prompts prompts;
  };
  const Case cases[] = {
      {"romaji", 0, {}},
      {"romaji", 8, {}},
      {"numpad", -1, {}},
      {"kana", INT64_MAX, {}},
      {"romaji", 1, RomajiCurriculum::rounds()[0]},
      {"romaji", 5, RomajiCurriculum::rounds()[4]},
      {"guided-romaji", 6, RomajiCurriculum::rounds()[5]},
      {"kana", 4, RomajiCurriculum::rounds()[3]},
      {"kana", 5, RomajiCurriculum::kanaPhrases()},
      {"english", 5, RomajiCurriculum::rounds()[4]},  // unknown modes are served as romaji
      {"numpad", 1, {"14", "45", "56", "41", "54", "65", "15", "46"}},
      {"numpad", 2, {"147", "258", "369", "789", "456", "123"}},
      {"numpad", 3, {"102", "304", "506", "708", "900", "120"}},
      {"numpad", 4, {"12345", "67890", "31415", "90210", "24680"}},
      {"numpad", 5, {"12.50", "0.75", "123.45", "90.08", "1000.00"}},
      {"numpad", 6, {"12+34", "56-7", "8*9", "144/12", "25.5+4.5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " round " + std::to_string(c.round));
    EXPECT_EQ(PracticeCurriculum::prompts(c.mode, c.round, "k", false), c.prompts);
  }
}

TEST(PracticeCurriculum, RomajiWeakRoundPractisesTheFirstWeakKeyThatOccurs) {
  Prompts k = PracticeCurriculum::prompts("romaji", 7, "k", false);
  // q occurs in no spelling, so k decides the round.
  EXPECT_EQ(PracticeCurriculum::prompts("romaji", 7, "qk", false), k);
  EXPECT_EQ(PracticeCurriculum::prompts("guided-romaji", 7, "qk", true), k);
  ASSERT_GE(k.size(), 6u);
  EXPECT_EQ((Prompts{k.begin(), k.begin() + 6}),
            (Prompts{"かさ", "かお", "えき", "ねこ", "さくら", "つくえ"}));
  EXPECT_EQ(k.back(), "2026ねんのにっき");
  for (const char* without : {"あさ", "うみ", "すし", "あした", "でんしゃは8じ"})
    EXPECT_FALSE(contains(k, without)) << without;

  // c is only in the ch- spellings of ち and its combinations.
  Prompts c = PracticeCurriculum::prompts("romaji", 7, "c", false);
  ASSERT_FALSE(c.empty());
  EXPECT_EQ(c.front(), "ちから");
  for (const char* with : {"ちゃわん", "ちょっと", "きょうは25にち"}) {
    EXPECT_TRUE(contains(c, with)) << with;
  }
  EXPECT_FALSE(contains(c, "かさ"));

  // Weak keys that occur nowhere, or none at all: the whole material.
  for (const char* weak : {"", "Q", "@#", "K"}) {
    SCOPED_TRACE(weak);
    Prompts all = PracticeCurriculum::prompts("romaji", 7, weak, false);
    EXPECT_EQ(all.size(), 83u);
    EXPECT_EQ(all, hiraganaPool());
  }
}

TEST(PracticeCurriculum, KanaWeakRoundComparesKanaKeysOfTheChosenLayout) {
  Prompts pool = hiraganaPool();
  pool.erase(pool.begin() + 48, pool.begin() + 73);
  pool.insert(pool.begin() + 48, RomajiCurriculum::kanaPhrases().begin(),
              RomajiCurriculum::kanaPhrases().end());
  EXPECT_EQ(PracticeCurriculum::prompts("kana", 7, "", true), pool);

  for (bool jis : {false, true}) {
    SCOPED_TRACE(jis ? "JIS" : "US");
    std::string roKey = KanaInput::keys("ろ", jis);
    ASSERT_FALSE(roKey.empty());
    Prompts ro = PracticeCurriculum::prompts("kana", 7, roKey.substr(0, 1), jis);
    EXPECT_EQ(ro.front(), "こころ");
    EXPECT_TRUE(contains(ro, "ふくろ"));
    EXPECT_FALSE(contains(ro, "あさ"));
  }
}

TEST(PracticeCurriculum, OtherModesCompareThePromptsThemselves) {
  EXPECT_EQ(PracticeCurriculum::prompts("english", 7, "xね", false),
            (Prompts{"ねこ", "きょうはいいてんきですね", "ねるまえにほんをよみます",
                     "らいねんはにほんをりょこうします", "2026ねんのにっき"}));
  EXPECT_EQ(PracticeCurriculum::prompts("kana-custom", 7, "n", false), hiraganaPool());
}

TEST(PracticeCurriculum, NumpadWeakRound) {
  struct Case {
    const char* name;
    const char* weakKeys;
    Prompts first;
  };
  const Case cases[] = {
      {"no weak keys: the digits", "", {"0001", "1210", "2023", "3430", "4045"}},
      {"nothing on the keypad: the digits", "aZ٣", {"0001", "1210", "2023", "3430", "4045"}},
      {"a single plus", "+", {"+00+", "1++0", "+02+"}},
      {"keys off the keypad are dropped", "a7b", {"7007", "1770", "7027"}},
      {"two full stops", "..", {".00.", "1..0", ".02."}},
      {"repeats kept in order", "9/9", {"900/", "19/0", "9029"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prompts prompts = PracticeCurriculum::prompts("numpad", 7, c.weakKeys, false);
    ASSERT_EQ(prompts.size(), 25u);
    EXPECT_EQ((Prompts{prompts.begin(), prompts.begin() + static_cast<long>(c.first.size())}),
              c.first);
  }
  Prompts sevens = PracticeCurriculum::prompts("numpad", 7, "a7b", false);
  EXPECT_EQ(sevens[11], "1771");
  EXPECT_EQ(sevens[24], "7247");
}

}  // namespace
}  // namespace tavro
