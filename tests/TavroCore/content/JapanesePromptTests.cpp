#include "TavroCore/content/JapanesePrompt.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(JapanesePrompt, OneSegmentPromptJoinsDisplayAndReading) {
  const JapanesePrompt prompt("学校", "がっこう");
  EXPECT_EQ(prompt.display(), "学校");
  EXPECT_EQ(prompt.reading(), "がっこう");
  EXPECT_EQ(prompt, JapanesePrompt(std::vector<ReadingSegment>{{"学校", "がっこう"}}));
  // The same texts split differently are another prompt.
  EXPECT_NE(prompt, JapanesePrompt(std::vector<ReadingSegment>{{"学", "がっ"}, {"校", "こう"}}));
  EXPECT_EQ(JapanesePrompt().display(), "");
}

TEST(JapanesePrompt, KanaWordHasOneSegmentPerCharacter) {
  const JapanesePrompt prompt = JapanesePrompt::kana("きゃく");
  ASSERT_EQ(prompt.segments.size(), 3u);
  EXPECT_EQ(prompt.segments[1], ReadingSegment("ゃ", "ゃ"));
  EXPECT_EQ(prompt.reading(), "きゃく");
}

TEST(JapanesePrompt, ReadingContainsAnyLooksAtTheReadingOnly) {
  const JapanesePrompt prompt(std::vector<ReadingSegment>{{"学", "がっ"}, {"校", "こう"}});
  EXPECT_TRUE(prompt.readingContainsAny(U"\u3063"));        // っ in the first segment
  EXPECT_TRUE(prompt.readingContainsAny(U"\u3042\u3046"));  // う in the second
  EXPECT_FALSE(prompt.readingContainsAny(U"\u5B66"));       // 学 is shown, not read
  EXPECT_FALSE(prompt.readingContainsAny(U""));
  EXPECT_FALSE(JapanesePrompt().readingContainsAny(U"\u3063"));
}

TEST(JapanesePrompt, DisplayCharactersCountOnlyWholeSegments) {
  const JapanesePrompt prompt(std::vector<ReadingSegment>{
      {"予定", "よてい"}, {"を", "を"}, {"確認", "かくにん"}, {"します", "します"}});
  const std::vector<std::pair<std::int64_t, std::int64_t>> cases = {
      {-1, 0}, {0, 0}, {2, 0}, {3, 2}, {4, 3}, {7, 3}, {8, 5}, {10, 5}, {11, 8}, {40, 8}};
  for (const auto& [readingCount, expected] : cases) {
    SCOPED_TRACE(readingCount);
    EXPECT_EQ(prompt.completedDisplayCharacters(readingCount), expected);
  }
}

TEST(JapanesePrompt, TypedRomajiMarksSegmentsOnceTheirReadingIsComplete) {
  const JapanesePrompt word("学校", "がっこう");
  struct Case {
    std::string typed;
    std::int64_t expected;
  };
  for (const Case& c :
       std::vector<Case>{{"", 0}, {"gakko", 0}, {"gakkou", 2}, {"GAKKOU", 0}, {"gx", 0}}) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(word.completedDisplayCharacters(std::string_view(c.typed)), c.expected);
  }
  const JapanesePrompt phrase(
      std::vector<ReadingSegment>{{"明日", "あした"}, {"は", "は"}, {"9", "9"}, {"時", "じ"}});
  EXPECT_EQ(phrase.completedDisplayCharacters(std::string_view("ashitaha9")), 4);
  EXPECT_EQ(phrase.completedDisplayCharacters(std::string_view("ashitaha9ji")), 5);
}

}  // namespace
}  // namespace tavro
