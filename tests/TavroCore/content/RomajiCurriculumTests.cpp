#include "TavroCore/content/ExerciseMode.h"
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/content/SentenceDeck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace tavro {
namespace {

TEST(RomajiCurriculum, RoundsAndTheirBounds) {
  struct Case {
    std::int64_t round;
    std::size_t count;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {1, 12, "あさ", "はな"},
      {2, 12, "さくら", "ふくろ"},
      {3, 12, "がっこう", "ぷりん"},
      {4, 12, "でんしゃ", "きゅうり"},
      {5, 25, "きょうはいいてんきですね", "あしたもいいひになりますように"},
      {6, 10, "りんごを3こ", "2026ねんのにっき"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.round);
    std::vector<std::string> prompts = RomajiCurriculum::prompts(c.round);
    ASSERT_EQ(prompts.size(), c.count);
    EXPECT_EQ(prompts.front(), c.first);
    EXPECT_EQ(prompts.back(), c.last);
    EXPECT_EQ(prompts, RomajiCurriculum::rounds()[static_cast<std::size_t>(c.round - 1)]);
  }
  for (std::int64_t round :
       {std::int64_t{0}, std::int64_t{-1}, std::int64_t{7}, INT64_MIN, INT64_MAX}) {
    SCOPED_TRACE(round);
    EXPECT_TRUE(RomajiCurriculum::prompts(round).empty());
  }
  EXPECT_EQ(RomajiCurriculum::kanaPhrases().size(), 10u);
  EXPECT_EQ(RomajiCurriculum::kanaPhrases().front(), "あさのひかり");
  EXPECT_EQ(RomajiCurriculum::descriptions(),
            (std::vector<std::string>{"やさしいことば \u00B7 2文字", "やさしいことば \u00B7 3文字",
                                      "濁音・半濁音・促音のことば", "拗音といろいろなことば",
                                      "ひらがなのフレーズ・リズム", "フレーズと数字の練習"}));
}

TEST(ExerciseMode, IdentifiersAndTitles) {
  EXPECT_EQ(ExerciseMode::defaultMode, "romaji");
  EXPECT_EQ(
      std::vector<std::string_view>(ExerciseMode::menuModes.begin(), ExerciseMode::menuModes.end()),
      (std::vector<std::string_view>{"romaji", "numpad"}));
  EXPECT_TRUE(std::equal(ExerciseMode::menuModes.begin(), ExerciseMode::menuModes.end(),
                         ExerciseMode::allModes.begin()));
  struct Case {
    const char* mode;
    bool usesRomaji;
    const char* titleKey;
  };
  const Case cases[] = {
      {"romaji", true, "Romaji Input"},   {"guided-romaji", true, "Romaji Input"},
      {"numpad", false, "10-Key"},        {"kana", false, "Romaji Input"},
      {"english", false, "Romaji Input"}, {"Romaji", false, "Romaji Input"},
      {"", false, "Romaji Input"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(ExerciseMode::usesRomaji(c.mode), c.usesRomaji);
    EXPECT_EQ(ExerciseMode::titleKey(c.mode), c.titleKey);
  }
}

TEST(SentenceDeck, DealsEveryRoundFiveSentenceOncePerReset) {
  SentenceDeck deck;
  EXPECT_FALSE(deck.next());

  const std::vector<std::string>& sentences = RomajiCurriculum::rounds()[4];
  std::vector<std::vector<std::string>> orders;
  for (int shuffle = 0; shuffle < 3; ++shuffle) {
    deck.reset();
    std::vector<std::string> dealt;
    while (std::optional<std::string> sentence = deck.next()) dealt.push_back(*sentence);
    EXPECT_FALSE(deck.next());
    std::vector<std::string> sorted = dealt, expected = sentences;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
    orders.push_back(dealt);
  }
  // Three shuffles of 25 sentences all alike would mean no shuffling at all
  // (chance 1 in 25! squared).
  EXPECT_FALSE(orders[0] == orders[1] && orders[1] == orders[2]);

  deck.reset();
  deck.next();
  deck.reset();  // a reset refills a half-dealt deck
  EXPECT_EQ(deck.remaining().size(), 25u);
}

}  // namespace
}  // namespace tavro
