#include "Support/CharacterBounds.h"
#include "Support/Text.h"

#include <gtest/gtest.h>

namespace tavro::text {
namespace {

// The slices cut at `characterEnds`.
std::vector<std::string> slices(std::string_view text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end : characterEnds(text)) {
    out.emplace_back(text.substr(start, end - start));
    start = end;
  }
  return out;
}

std::string manyMarks(int count) {
  std::string out = "e";
  for (int index = 0; index < count; ++index) out += "\u0301";
  return out;
}

TEST(CharacterBounds, AgreeWithTheGraphemeSegmentation) {
  const std::string texts[] = {
      "",
      "kana",
      "きょうはいいてんきですね",
      "a\r\nb\n",
      "cafe\u0301 ok",
      "\u0301か",
      "👍🏽👨‍👩‍👧🇯🇵🇳",
      "नमस्ते क्षत्रिय",
      "한국어 \u1100\u1161\u11A8",
      "か\u3099ー「！」",
      "\t\x01x",
      manyMarks(40) + "x",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(slices(text), graphemes(text));
    EXPECT_EQ(characterCount(text), graphemeCount(text));
    std::size_t first = text.empty() ? 0 : graphemes(text).front().size();
    EXPECT_EQ(firstCharacterSize(text), first);
  }
}

TEST(CharacterBounds, CutIllFormedTextIntoSlicesThatCoverIt) {
  const std::string texts[] = {"\xFF", "a\xE3\x81", "\xE3\x81\x82\xC0\xAFz", std::string("a\0b", 3)};
  for (const std::string& text : texts) {
    std::vector<std::size_t> ends = characterEnds(text);
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back(), text.size());
    EXPECT_TRUE(std::is_sorted(ends.begin(), ends.end()));
    EXPECT_EQ(characterCount(text), ends.size());
    EXPECT_EQ(firstCharacterSize(text), ends.front());
  }
  EXPECT_EQ(characterEnds("a\xFF" "b"), (std::vector<std::size_t>{1, 2, 3}));
}

TEST(CharacterBounds, UpperCaseAndAscii) {
  EXPECT_EQ(uppercased("kana ß é"), "KANA SS É");
  EXPECT_EQ(uppercased("か"), "か");
  EXPECT_TRUE(isAscii("abc\x7F"));
  EXPECT_FALSE(isAscii("abç"));
}

}  // namespace
}  // namespace tavro::text
