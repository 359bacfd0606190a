#include "TavroCore/input/Matcher.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using Strings = std::vector<std::string>;
using Inputs = std::set<std::string>;

// Feeds `keys` one at a time and returns which were accepted, as "+" / "-".
std::string feed(Matcher& matcher, const Strings& keys) {
  std::string out;
  for (const std::string& key : keys) out += matcher.input(key) ? '+' : '-';
  return out;
}

TEST(RomajiMatcher, AcceptsAnySpellingAndSuggestsThePreferredOne) {
  Matcher matcher = Matcher::romaji("し");
  EXPECT_TRUE(matcher.alternatives().empty());
  EXPECT_EQ(matcher.expectedInput(), "s");
  EXPECT_TRUE(matcher.input("S"));
  EXPECT_EQ(matcher.typed(), "s");
  EXPECT_EQ(matcher.next(), (Inputs{"h", "i"}));
  EXPECT_EQ(matcher.expectedInput(), "i");
  EXPECT_EQ(matcher.candidates(), (Strings{"si", "shi"}));
  EXPECT_FALSE(matcher.complete());
  EXPECT_EQ(feed(matcher, {"h", "i"}), "++");
  EXPECT_TRUE(matcher.complete());
  EXPECT_EQ(matcher.typed(), "shi");
  EXPECT_EQ(matcher.next(), Inputs{});
  EXPECT_EQ(matcher.expectedInput(), std::nullopt);
}

TEST(RomajiMatcher, RejectedKeysChangeNothing) {
  Matcher matcher = Matcher::romaji("か");
  EXPECT_FALSE(matcher.input("x"));
  EXPECT_EQ(matcher.typed(), "");
  EXPECT_EQ(feed(matcher, {"k", "k", "a"}), "+-+");
  EXPECT_TRUE(matcher.complete());
  EXPECT_FALSE(matcher.input("a"));
  EXPECT_EQ(matcher.typed(), "ka");
  // A piece of several characters is taken or refused as a whole.
  Matcher whole = Matcher::romaji("かな");
  EXPECT_FALSE(whole.input("kx"));
  EXPECT_TRUE(whole.input("KAN"));
  EXPECT_EQ(whole.typed(), "kan");
  // An empty piece is accepted while the text still agrees.
  EXPECT_TRUE(whole.input(""));
  EXPECT_EQ(whole.typed(), "kan");
  // Bad input is refused plainly.
  EXPECT_FALSE(whole.input("\xFF"));
  EXPECT_FALSE(whole.input("👍"));
  EXPECT_EQ(whole.typed(), "kan");
}

TEST(RomajiMatcher, CompleteStillTakesALongerSpelling) {
  Matcher matcher = Matcher::romaji("ほん");
  EXPECT_EQ(feed(matcher, {"h", "o", "n"}), "+++");
  EXPECT_TRUE(matcher.complete());
  EXPECT_EQ(matcher.next(), (Inputs{"'", "n"}));
  EXPECT_TRUE(matcher.input("n"));
  EXPECT_TRUE(matcher.complete());
  EXPECT_EQ(matcher.typed(), "honn");
  EXPECT_FALSE(matcher.replaceNativePrefix("ho"));
  EXPECT_EQ(matcher.typed(), "honn");
}

TEST(RomajiMatcher, AgreesUnderCanonicalEquivalenceBothWays) {
  struct Row {
    const char* name;
    const char* prompt;
    const char* key;
  };
  const Row rows[] = {
      {"decomposed prompt, precomposed key", "e\u0301", "\u00E9"},
      {"precomposed prompt, decomposed key", "\u00E9", "e\u0301"},
      {"both decomposed", "e\u0301", "e\u0301"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Matcher matcher = Matcher::romaji(row.prompt);
    EXPECT_EQ(matcher.next(), Inputs{"\u00E9"});
    EXPECT_EQ(matcher.expectedInput(), "\u00E9");
    EXPECT_FALSE(matcher.input("e"));  // half of the character
    EXPECT_TRUE(matcher.input(row.key));
    EXPECT_EQ(matcher.typed(), "\u00E9");
    EXPECT_TRUE(matcher.complete());
    EXPECT_EQ(matcher.candidates(), Strings{"\u00E9"});
  }
}

TEST(AlternativesMatcher, ComparesCaseAsConfigured) {
  Matcher exact({"Hello"}, true);
  EXPECT_EQ(feed(exact, {"h", "H", "e"}), "-++");
  EXPECT_EQ(exact.next(), Inputs{"l"});
  EXPECT_EQ(exact.expectedInput(), "l");
  EXPECT_EQ(exact.candidates(), Strings{"Hello"});

  // Input is lower-cased, the alternatives are not: "Hello" cannot be typed.
  Matcher lowering({"Hello", "hi"}, false);
  EXPECT_EQ(feed(lowering, {"H"}), "+");
  EXPECT_EQ(lowering.typed(), "h");
  EXPECT_EQ(lowering.candidates(), Strings{"hi"});
  EXPECT_FALSE(lowering.replaceNativePrefix("H"));

  Matcher none({}, true);
  EXPECT_FALSE(none.input(""));
  EXPECT_FALSE(none.input("a"));
  EXPECT_FALSE(none.complete());
  EXPECT_EQ(none.next(), Inputs{});
  EXPECT_EQ(none.expectedInput(), std::nullopt);
}

TEST(AlternativesMatcher, AgreesOnWholeCharactersUnderCanonicalEquivalence) {
  Matcher matcher({"cafe\u0301 ok", "cab"}, true);  // é decomposed in the alternative
  EXPECT_TRUE(matcher.input("caf"));
  EXPECT_EQ(matcher.next(), Inputs{"\u00E9"});
  EXPECT_FALSE(matcher.input("e"));  // only half of the character é
  EXPECT_TRUE(matcher.input("\u00E9"));
  EXPECT_EQ(matcher.candidates(), Strings{"cafe\u0301 ok"});
  EXPECT_EQ(matcher.expectedInput(), " ");
  EXPECT_TRUE(matcher.input(" ok"));
  EXPECT_TRUE(matcher.complete());

  // A replacement rewrites the whole text, possibly shorter.
  EXPECT_TRUE(matcher.replaceNativePrefix("ca"));
  EXPECT_EQ(matcher.typed(), "ca");
  EXPECT_FALSE(matcher.replaceNativePrefix("cx"));
  EXPECT_EQ(matcher.typed(), "ca");
}

TEST(NepaliMatcher, RomanizedModeIgnoresDevanagari) {
  LanguagePrompt prompt("नमस्ते", "namaste", {"namaskar"});
  Matcher matcher = Matcher::nepali(prompt, false);
  EXPECT_EQ(matcher.alternatives(), (Strings{"namaste", "namaskar"}));
  EXPECT_EQ(feed(matcher, {"N", "a", "m", "a", "s"}), "+++++");
  EXPECT_EQ(matcher.next(), (Inputs{"k", "t"}));
  EXPECT_EQ(matcher.expectedInput(), "t");
  // Devanagari text agrees with no romanized alternative: next stays empty.
  EXPECT_TRUE(matcher.replaceNativePrefix("nama"));
  EXPECT_FALSE(matcher.replaceNativePrefix("न"));
  EXPECT_EQ(matcher.typed(), "nama");

  Matcher mixed = Matcher::nepali(LanguagePrompt("नमस्ते", "नम", {"na"}), false);
  EXPECT_EQ(mixed.next(), Inputs{"n"});  // the Devanagari alternative never contributes
  EXPECT_EQ(mixed.expectedInput(true), "न");
  EXPECT_TRUE(mixed.input("न"));
  EXPECT_EQ(mixed.next(), Inputs{});
  EXPECT_EQ(mixed.expectedInput(), "म");
}

TEST(NepaliMatcher, DirectModeAgreesOnBytesAndSuggestsScalars) {
  LanguagePrompt prompt("नमस्ते १।");
  Matcher matcher = Matcher::nepali(prompt, true);
  EXPECT_EQ(matcher.alternatives(), prompt.nativeAlternatives());
  EXPECT_EQ(feed(matcher, {"न", "म", "स"}), "+++");
  EXPECT_EQ(matcher.next(), Inputs{"\u094D"});
  EXPECT_TRUE(matcher.input("\u094D"));  // the virama alone: half a cluster still agrees
  EXPECT_EQ(matcher.expectedInput(true), "त");
  EXPECT_TRUE(matcher.input("ते "));
  EXPECT_EQ(matcher.next(), (Inputs{"1", "१"}));
  EXPECT_FALSE(matcher.input("X"));
  EXPECT_TRUE(matcher.input("1."));
  EXPECT_TRUE(matcher.complete());
  // Direct mode is case-sensitive: a replacement is allowed.
  EXPECT_TRUE(matcher.replaceNativePrefix("नम"));
  EXPECT_EQ(matcher.typed(), "नम");
}

}  // namespace
}  // namespace tavro
