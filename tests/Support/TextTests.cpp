#include "Support/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro::text {
namespace {

TEST(Graphemes, SplitsUserPerceivedCharactersNotCodePoints) {
  struct Case {
    std::string name;
    std::string text;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", {}},
      {"ascii", "ka", {"k", "a"}},
      {"decomposed voiced mark stays with its kana", "\u304B\u3099a", {"\u304B\u3099", "a"}},
      {"family emoji is one character", "\U0001F468\u200D\U0001F469\u200D\U0001F467!",
       {"\U0001F468\u200D\U0001F469\u200D\U0001F467", "!"}},
      {"flag", "\U0001F1EF\U0001F1F5", {"\U0001F1EF\U0001F1F5"}},
      {"devanagari cluster", "\u0928\u092E\u0938\u094D\u0924\u0947",
       {"\u0928", "\u092E", "\u0938\u094D\u0924\u0947"}},
      {"crlf is one character", "a\r\nb", {"a", "\r\n", "b"}},
      {"unpaired combining mark first", "\u0301a", {"\u0301", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(graphemes(c.text), c.expected);
    EXPECT_EQ(graphemeCount(c.text), c.expected.size());
  }
}

TEST(Graphemes, IllFormedUtf8BecomesReplacementCharacters) {
  const std::string broken = "a\xE3\x81" "b\xFF";
  EXPECT_FALSE(isValidUtf8(broken));
  EXPECT_EQ(graphemes(broken), (std::vector<std::string>{"a", "\uFFFD", "b", "\uFFFD"}));
  EXPECT_TRUE(isValidUtf8("\u3057\U0001F600"));
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
}

TEST(Graphemes, PrefixCountsWholeCharacters) {
  EXPECT_EQ(graphemePrefix("\u304B\u3099\u3057", 1), "\u304B\u3099");
  EXPECT_EQ(graphemePrefix("abc", 0), "");
  EXPECT_EQ(graphemePrefix("abc", 10), "abc");
}

TEST(Graphemes, PrefixTestRefusesToCutACharacter) {
  struct Case {
    std::string text;
    std::string prefix;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"abc", "", true},
      {"abc", "ab", true},
      {"abc", "abc", true},
      {"abc", "abcd", false},
      {"abc", "b", false},
      {"\u304B\u3099a", "\u304B", false},          // would split が
      {"\u304B\u3099a", "\u304B\u3099", true},
      {"\u3057", std::string("\u3057").substr(0, 2), false},  // half a code point
      {"\U0001F468\u200D\U0001F469", "\U0001F468", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.prefix);
    EXPECT_EQ(hasGraphemePrefix(c.text, c.prefix), c.expected);
  }
}

TEST(Normalization, ComposesAndDecomposes) {
  EXPECT_EQ(nfc("\u304B\u3099"), "\u304C");
  EXPECT_EQ(nfd("\u304C"), "\u304B\u3099");
  EXPECT_EQ(nfc("e\u0301"), "\u00E9");
  EXPECT_EQ(nfc("plain"), "plain");
  EXPECT_EQ(nfc("a\xFF"), "a\uFFFD");  // never passes ill-formed bytes through
}

TEST(LowerCasing, UsesFullUnicodeMappings) {
  EXPECT_EQ(lowercased("KA"), "ka");
  EXPECT_EQ(lowercased("\u0130"), "i\u0307");  // İ lower-cases to two code points
  EXPECT_EQ(lowercased("\u0394\u03A3"), "\u03B4\u03C2");  // final sigma is context-sensitive
  EXPECT_EQ(lowercased("\uFF21"), "\uFF41");  // full-width A
  EXPECT_EQ(lowercased("\u3057"), "\u3057");
}

TEST(LowerCasing, AsciiShortcutAgreesWithIcuAndNormalizationLeavesAsciiAlone) {
  // A kana after the byte sends the text through ICU; alone it takes the
  // ASCII shortcut. Both must agree for every ASCII byte, NUL included.
  for (int byte = 0; byte < 0x80; ++byte) {
    const std::string ascii(1, static_cast<char>(byte));
    SCOPED_TRACE(byte);
    EXPECT_EQ(lowercased(ascii) + "\u3057", lowercased(ascii + "\u3057"));
    EXPECT_EQ(nfc(ascii), ascii);
    EXPECT_EQ(nfd(ascii), ascii);
  }
}

TEST(WellFormed, KeepsGoodTextAndRepairsBadBytes) {
  std::string storage;
  const std::string good = "ka\u3057";
  const std::string_view kept = wellFormed(good, storage);
  EXPECT_EQ(kept.data(), good.data());  // no copy for well-formed text
  EXPECT_EQ(wellFormed("k\xFF\xE3\x81", storage), "k\uFFFD\uFFFD");
  EXPECT_EQ(storage, "k\uFFFD\uFFFD");
  EXPECT_EQ(wellFormed("", storage), "");
}

TEST(Split, KeepsEmptyPiecesBetweenSeparators) {
  struct Case {
    std::string_view text;
    char separator;
    std::vector<std::string_view> pieces;
  };
  const Case cases[] = {
      {"a|b", '|', {"a", "b"}},
      {"a||b|", '|', {"a", "", "b", ""}},
      {"", '|', {""}},
      {"|", '|', {"", ""}},
      {"no separator", '|', {"no separator"}},
      {"two  words", ' ', {"two", "", "words"}},
      {"\u3057/shi", '/', {"\u3057", "shi"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(split(c.text, c.separator), c.pieces);
  }
}

TEST(Trimmed, RemovesAsciiBlanksAtEitherEndOnly) {
  struct Case {
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"token", "token"},
      {"  token  ", "token"},
      {"\ttoken\r\n", "token"},
      {"\r\n \t token \t\n", "token"},
      {" two  inner\twords ", "two  inner\twords"},  // inner blanks kept
      {"   ", ""},
      {" \t\r\n", ""},
      {"", ""},
      {" \u3057 ", "\u3057"},
      // Only the ASCII blanks it names: other white space is text to keep.
      {"\u3000token\u3000", "\u3000token\u3000"},
      {"\u00A0token\u00A0", "\u00A0token\u00A0"},
      {"\vtoken\f", "\vtoken\f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(trimmed(c.text), c.expected);
  }
  std::string_view padded = "  inside  ";
  EXPECT_EQ(trimmed(padded).data(), padded.data() + 2);  // a view, not a copy
}

TEST(Properties, ClassifyCodePoints) {
  EXPECT_TRUE(isWhiteSpace(U' '));
  EXPECT_TRUE(isWhiteSpace(U'\u3000'));
  EXPECT_TRUE(isWhiteSpace(U'\n'));
  EXPECT_FALSE(isWhiteSpace(U'\u200B'));  // zero-width space is a format character
  EXPECT_TRUE(isControlOrFormat(U'\u200B'));
  EXPECT_TRUE(isControlOrFormat(U'\x07'));
  EXPECT_FALSE(isControlOrFormat(U'a'));
  EXPECT_TRUE(isLetter(U'\u3057'));
  EXPECT_TRUE(isLetter(U'\u0928'));
  EXPECT_TRUE(isLetter(U'\u00E9'));
  EXPECT_FALSE(isLetter(U'1'));
  EXPECT_FALSE(isLetter(U'\u3002'));
}

TEST(CodePoints, RoundTripAndReplaceInvalidValues) {
  EXPECT_EQ(codePoints("a\u3057"), (std::vector<char32_t>{U'a', U'\u3057'}));
  EXPECT_EQ(fromCodePoints({U'a', U'\u3057', U'\U0001F600'}), "a\u3057\U0001F600");
  EXPECT_EQ(fromCodePoint(0xD800), "\uFFFD");
  EXPECT_EQ(fromCodePoint(0x110000), "\uFFFD");
}

TEST(Transforms, RunIcuTransliterators) {
  EXPECT_EQ(transform("Fullwidth-Halfwidth", "\uFF21\uFF11"), "A1");
  EXPECT_EQ(transform("Hiragana-Katakana", "\u30AB\u30BF\u30AB\u30CA", true), "\u304B\u305F\u304B\u306A");
  EXPECT_EQ(transform("Latin-Hiragana", "kana"), "\u304B\u306A");
  EXPECT_THROW(transform("No-Such-Transform", "x"), std::invalid_argument);
}

}  // namespace
}  // namespace tavro::text
