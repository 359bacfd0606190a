#include "TavroCore/content/MainRomajiCurriculum.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(MainRomajiCurriculum, TitlesAreExact) {
  const std::vector<std::string> expected = {
      "Single Hiragana & Basic Vowels",
      "Easy Words \u00B7 2\u20133 Characters",
      "Dakuon, Sokuon & Y\u014Don",
      "Basic Kanji Words \u00B7 With Hiragana Guide",
      "Advanced Kanji & Daily Phrases \u00B7 With Hiragana Guide",
      "Master Challenge \u00B7 Complex Kanji & Full Sentences",
  };
  EXPECT_EQ(MainRomajiCurriculum::titles(), expected);
}

TEST(MainRomajiCurriculum, RoundsHaveTheirSizesAndEnds) {
  struct Case {
    std::int64_t round;
    std::size_t count;
    JapanesePrompt first;
    JapanesePrompt last;
  };
  const std::vector<Case> cases = {
      {1, 14, JapanesePrompt::kana("あ"), JapanesePrompt::kana("わ")},
      {2, 25, JapanesePrompt::kana("あい"), JapanesePrompt::kana("みみ")},
      {3, 25, JapanesePrompt::kana("がく"), JapanesePrompt::kana("ちょきん")},
      {4, 25, JapanesePrompt("学校", "がっこう"), JapanesePrompt("勉強", "べんきょう")},
      {5, 25, JapanesePrompt("準備", "じゅんび"),
       JapanesePrompt({{"健康", "けんこう"},
                       {"のために", "のために"},
                       {"運動", "うんどう"},
                       {"します", "します"}})},
      {6, 25, JapanesePrompt("一期一会", "いちごいちえ"),
       JapanesePrompt({{"商品", "しょうひん"},
                       {"の", "の"},
                       {"値段", "ねだん"},
                       {"は", "は"},
                       {"1,250", "1,250"},
                       {"円", "えん"},
                       {"です。", "です。"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.round);
    const auto prompts = MainRomajiCurriculum::prompts(c.round);
    ASSERT_EQ(prompts.size(), c.count);
    EXPECT_EQ(prompts.front(), c.first);
    EXPECT_EQ(prompts.back(), c.last);
  }
  for (std::int64_t round : {-1, 0, 7, 100})
    EXPECT_TRUE(MainRomajiCurriculum::prompts(round).empty()) << round;
}

TEST(MainRomajiCurriculum, SentencesKeepAsciiDigitsAndIdeographicPunctuation) {
  const auto round6 = MainRomajiCurriculum::prompts(6);
  EXPECT_EQ(round6[16].display(), "今日の会議は10:30からです。");
  EXPECT_EQ(round6[16].reading(), "きょうのかいぎは10:30からです。");
  EXPECT_EQ(round6[18].reading(),
            "まいにち30ぷんずつれんしゅうすると、すこしずつじょうたつします。");
  EXPECT_EQ(round6[18].segments.size(), 10u);
  const auto round5 = MainRomajiCurriculum::prompts(5);
  EXPECT_EQ(round5[15].display(), "予定を確認します");
  EXPECT_EQ(round5[15].segments.size(), 4u);
}

TEST(MainRomajiCurriculum, ReadingGuideShowsInGuidedModeAndLateRomajiRounds) {
  struct Case {
    std::string mode;
    std::int64_t round;
    bool shown;
  };
  const std::vector<Case> cases = {
      {"romaji", 3, false},       {"romaji", 4, true},  {"romaji", 6, true},
      {"romaji", 7, false},       {"kana", 4, false},   {"guided-romaji", 0, true},
      {"guided-romaji", 9, true}, {"Romaji", 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode + " " + std::to_string(c.round));
    EXPECT_EQ(MainRomajiCurriculum::showsReadingGuide(c.mode, c.round), c.shown);
  }
}

}  // namespace
}  // namespace tavro
