#include "TavroCore/input/RomajiGuide.h"

#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(RomajiGuide, FromSpellingSplitsAfterTheTypedCharacters) {
  struct Case {
    std::string spelling;
    std::string typed;
    RomajiGuide expected;
  };
  const std::vector<Case> cases = {
      {"namaste", "nama", {"nama", "s", "te"}},
      {"namaste", "", {"", "n", "amaste"}},
      {"namaste", "namaste", {"namaste", "", ""}},
      // The typed text is shown as typed, not compared with the spelling.
      {"namaste", "xy", {"xy", "m", "aste"}},
      {"ab", "abcd", {"abcd", "", ""}},
      // Characters, not bytes.
      {"नमस्ते", "न", {"न", "म", "स्ते"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spelling + " / " + c.typed);
    const RomajiGuide guide = RomajiGuide::fromSpelling(c.spelling, c.typed);
    EXPECT_EQ(guide, c.expected);
  }
  EXPECT_EQ(RomajiGuide("ab", "c", "de").text(), "abcde");
}

TEST(RomajiGuide, FromPromptFollowsTheFirstMatchingSpelling) {
  struct Case {
    std::string prompt;
    std::string typed;
    RomajiGuide expected;
  };
  const std::vector<Case> cases = {
      {"し", "S", {"s", "i", ""}},
      {"し", "sh", {"sh", "i", ""}},
      {"がっこう", "", {"", "g", "akkou"}},
      {"がっこう", "gak", {"gak", "k", "ou"}},
      {"がっこう", "gax", {"gax", "t", "ukou"}},
      // Nothing agrees: the typed text alone.
      {"し", "q", {"q", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt + " / " + c.typed);
    EXPECT_EQ(RomajiGuide::fromPrompt(c.prompt, c.typed), c.expected);
  }
}

// The guide line follows one spelling system instead of mixing them, while
// every spelling stays accepted.
TEST(RomajiGuide, StyledGuideSpellsWholePromptsInOneSystem) {
  struct Case {
    std::string prompt;
    RomajiStyle style;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"しょくじ", RomajiStyle::hepburn, "shokuji"},
      {"ともだち", RomajiStyle::hepburn, "tomodachi"},
      {"にしても、けんしょう", RomajiStyle::hepburn, "nishitemo,kenshou"},
      {"つくえ", RomajiStyle::hepburn, "tsukue"},
      {"ふじさん", RomajiStyle::hepburn, "fujisan"},
      {"ちゃわん", RomajiStyle::hepburn, "chawan"},
      {"じゅんび", RomajiStyle::hepburn, "junbi"},
      // っ doubles what the system writes after it.
      {"まっちゃ", RomajiStyle::hepburn, "maccha"},
      {"まっちゃ", RomajiStyle::kunrei, "mattya"},
      {"しょくじ", RomajiStyle::kunrei, "syokuzi"},
      {"ともだち", RomajiStyle::kunrei, "tomodati"},
      {"にしても、けんしょう", RomajiStyle::kunrei, "nisitemo,kensyou"},
      {"つくえ", RomajiStyle::kunrei, "tukue"},
      {"ふじさん", RomajiStyle::kunrei, "huzisan"},
      // ん before a vowel needs two keys in every style; ぢ and づ have one
      // accepted spelling each.
      {"きんえん", RomajiStyle::hepburn, "kinnen"},
      {"はなぢ", RomajiStyle::hepburn, "hanadi"},
      {"つづく", RomajiStyle::hepburn, "tsuduku"},
      // Fewest keys: on equal counts the table's first spelling.
      {"しょくじ", RomajiStyle::fewestKeys, "shokuzi"},
      {"ともだち", RomajiStyle::fewestKeys, "tomodati"},
      {"がっこう", RomajiStyle::fewestKeys, "gakkou"},
      // Characters without a spelling are typed as themselves.
      {"カし1", RomajiStyle::hepburn, "カshi1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt + " / " + std::string(rawValue(c.style)));
    EXPECT_EQ(Romaji::styledSpelling(c.prompt, "", c.style), c.expected);
    EXPECT_EQ(RomajiGuide::fromPrompt(c.prompt, "", c.style).text(), c.expected);
    // What the guide shows is a spelling the matcher accepts.
    Matcher matcher = Matcher::romaji(c.prompt);
    EXPECT_TRUE(matcher.input(c.expected));
    EXPECT_TRUE(matcher.complete());
  }
}

// Once the learner chose a spelling, the guide continues from it; where the
// typed keys leave the choice open, it leads to the style's spelling.
TEST(RomajiGuide, StyledGuideContinuesFromWhatWasTyped) {
  struct Case {
    std::string prompt;
    std::string typed;
    RomajiStyle style;
    RomajiGuide expected;
  };
  const std::vector<Case> cases = {
      {"にしても", "nis", RomajiStyle::hepburn, {"nis", "h", "itemo"}},
      {"にしても", "nisi", RomajiStyle::hepburn, {"nisi", "t", "emo"}},
      {"しょくじ", "syo", RomajiStyle::hepburn, {"syo", "k", "uji"}},
      {"しょくじ", "SHO", RomajiStyle::kunrei, {"sho", "k", "uzi"}},
      {"ともだち", "tomodac", RomajiStyle::kunrei, {"tomodac", "h", "i"}},
      {"ともだち", "tomodat", RomajiStyle::hepburn, {"tomodat", "i", ""}},
      {"まっちゃ", "mat", RomajiStyle::hepburn, {"mat", "c", "ha"}},
      {"まっちゃ", "max", RomajiStyle::hepburn, {"max", "t", "ucha"}},
      {"ほん", "hon", RomajiStyle::hepburn, {"hon", "", ""}},
      {"ほんや", "hon", RomajiStyle::hepburn, {"hon", "n", "ya"}},
      // Nothing agrees: the typed text alone.
      {"し", "q", RomajiStyle::hepburn, {"q", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt + " / " + c.typed + " / " + std::string(rawValue(c.style)));
    EXPECT_EQ(RomajiGuide::fromPrompt(c.prompt, c.typed, c.style), c.expected);
  }
  EXPECT_EQ(Romaji::styledSpelling("し", "q", RomajiStyle::hepburn), std::nullopt);
}

// A sentence of many し has thousands of spellings; the Hepburn one lies far
// past the 128 the search lists, and the guide still finds it.
TEST(RomajiGuide, StyledGuideReachesSpellingsBeyondTheSearchBound) {
  const std::string prompt = "しししししししししししし";
  std::string hepburn;
  for (int i = 0; i < 12; ++i) hepburn += "shi";
  EXPECT_EQ(Romaji::styledSpelling(prompt, "", RomajiStyle::hepburn), hepburn);
  EXPECT_EQ(Romaji::styledSpelling(prompt, "si", RomajiStyle::hepburn), "si" + hepburn.substr(3));
}

// The key hints spell what the guide line shows.
TEST(RomajiGuide, StyledHintsFollowTheStyledSpelling) {
  const std::vector<RomajiHint> hepburn = Romaji::hints("しち", "s", 2, RomajiStyle::hepburn);
  ASSERT_EQ(hepburn.size(), 2u);
  EXPECT_EQ(hepburn[0].text(), "[ S H I ]");
  EXPECT_EQ(hepburn[0].typedCount, 1);
  EXPECT_EQ(hepburn[0].activeStroke, 1);
  EXPECT_EQ(hepburn[1].text(), "[ C H I ]");
  EXPECT_EQ(hepburn[1].kana, "ち");
  EXPECT_FALSE(hepburn[1].isActive());

  const std::vector<RomajiHint> kunrei = Romaji::hints("しち", "si", 2, RomajiStyle::kunrei);
  ASSERT_EQ(kunrei.size(), 1u);
  EXPECT_EQ(kunrei[0].text(), "[ T I ]");
  EXPECT_EQ(kunrei[0].activeStroke, 0);

  EXPECT_TRUE(Romaji::hints("しち", "", 0, RomajiStyle::hepburn).empty());
  EXPECT_TRUE(Romaji::hints("しち", "q", 2, RomajiStyle::hepburn).empty());
  // Without a style the hints keep following the first spelling.
  EXPECT_EQ(Romaji::hints("しち", "", 1)[0].text(), "[ S I ]");
}

TEST(RomajiGuide, StyleRawValuesRoundTrip) {
  for (RomajiStyle style : RomajiStyles::allCases) {
    SCOPED_TRACE(std::string(rawValue(style)));
    EXPECT_EQ(fromRawValue<RomajiStyle>(rawValue(style)), style);
  }
  EXPECT_EQ(fromRawValue<RomajiStyle>("Hepburn"), std::nullopt);
}

}  // namespace
}  // namespace tavro
