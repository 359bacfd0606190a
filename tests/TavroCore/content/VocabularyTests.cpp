#include "TavroCore/content/Vocabulary.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

std::vector<std::string> displays(const std::vector<JapanesePrompt>& prompts) {
  std::vector<std::string> result;
  for (const JapanesePrompt& prompt : prompts) result.push_back(prompt.display());
  return result;
}

TEST(Vocabulary, ListsHaveTheirSizesAndEnds) {
  ASSERT_EQ(Vocabulary::basic().size(), 20u);
  EXPECT_EQ(Vocabulary::basic().front(), JapanesePrompt("顔", "かお"));
  EXPECT_EQ(Vocabulary::basic().back(), JapanesePrompt("形", "かたち"));
  ASSERT_EQ(Vocabulary::tango().size(), 30u);
  EXPECT_EQ(Vocabulary::tango().front(), JapanesePrompt("学校", "がっこう"));
  EXPECT_EQ(Vocabulary::tango().back(), JapanesePrompt("努力", "どりょく"));
}

TEST(Vocabulary, GuidedRoundsSelectByReading) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(displays(Vocabulary::guided(1)),
            (Names{"顔", "傘", "雨", "空", "山", "川", "花", "犬", "猫", "海"}));
  EXPECT_EQ(displays(Vocabulary::guided(2)),
            (Names{"桜", "車", "魚", "林", "光", "心", "力", "薬", "隣", "形"}));
  EXPECT_EQ(displays(Vocabulary::guided(3)), (Names{"学校", "勉強", "病院", "家族", "準備", "文化",
                                                    "相談", "原因", "結果", "努力"}));
  EXPECT_EQ(displays(Vocabulary::guided(4)),
            (Names{"勉強", "図書館", "会社", "旅行", "料理", "病院", "準備", "習慣", "将来", "社会",
                   "環境", "努力"}));
  for (std::int64_t round : {-3, 0, 5, 99})
    EXPECT_EQ(Vocabulary::guided(round), Vocabulary::tango()) << round;
}

TEST(Vocabulary, ConversionTakesLongestKnownReadingFirst) {
  struct Case {
    std::string text;
    std::vector<ReadingSegment> segments;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"きょうはがっこう", {{"今日", "きょう"}, {"は", "は"}, {"学校", "がっこう"}}},
      {"ともだちとえいが", {{"友達", "ともだち"}, {"と", "と"}, {"映画", "えいが"}}},
      // としょかん is not read as と + しょ... nor stopped short by a shorter entry.
      {"としょかん", {{"図書館", "としょかん"}}},
      // かさ (傘) and かお (顔) share a first kana; どりょく wins over nothing shorter.
      {"かおかさどりょくx", {{"顔", "かお"}, {"傘", "かさ"}, {"努力", "どりょく"}, {"x", "x"}}},
      {"ぬ", {{"ぬ", "ぬ"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Vocabulary::converted(c.text).segments, c.segments);
  }
}

}  // namespace
}  // namespace tavro
