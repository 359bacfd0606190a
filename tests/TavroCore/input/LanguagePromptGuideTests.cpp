#include "TavroCore/input/LanguagePrompt.h"

#include "Support/Text.h"

#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/RomajiGuide.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(LanguagePromptGuide, EnglishIsTypedAsShownAndCaseSensitive) {
  const LanguagePrompt prompt("Hello world");
  EXPECT_EQ(prompt.completedDisplayCharacters("Hello w"), 7);
  EXPECT_EQ(prompt.guide("Hello w", TavroLanguage::english), RomajiGuide("Hello w", "o", "rld"));
  // English keeps the case of what was typed.
  EXPECT_EQ(prompt.guide("HE", TavroLanguage::english), RomajiGuide("HE", "l", "lo world"));
  // The count is a position in the display: it stops at the shown length.
  EXPECT_EQ(prompt.completedDisplayCharacters("Hello world and more"), 11);

  Matcher matcher = prompt.matcher(TavroLanguage::english, true);
  EXPECT_FALSE(matcher.input("h"));
  EXPECT_TRUE(matcher.input("H"));
}

TEST(LanguagePromptGuide, RomanizedNepaliCountsWholeWords) {
  const LanguagePrompt single("नमस्ते", std::string("namaste"));
  EXPECT_EQ(single.completedDisplayCharacters("nama"), 0);
  EXPECT_EQ(single.guide("nama", TavroLanguage::nepali), RomajiGuide("nama", "s", "te"));
  EXPECT_EQ(single.completedDisplayCharacters("NAMASTE"),
            static_cast<std::int64_t>(text::graphemeCount("नमस्ते")));

  // मेरो देश नेपाल हो। : words of 2, 2, 3 and 2 characters (the danda is one).
  const LanguagePrompt sentence("मेरो देश नेपाल हो।", std::string("mero desh nepal ho."));
  struct Case {
    std::string typed;
    std::int64_t done;
  };
  const std::vector<Case> cases = {
      {"mer", 0},
      {"mero", 2},
      {"mero ", 3},
      {"mero d", 3},
      {"mero desh", 5},
      {"mero desh ", 6},
      {"mero desh nepal ho", 10},
      {"mero desh nepal ho.", 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(sentence.completedDisplayCharacters(c.typed), c.done);
  }
  // The guide follows the variant the typed text agrees with.
  const LanguagePrompt variant("पानी", std::string("pani"), {"paani"});
  EXPECT_EQ(variant.guide("PAA", TavroLanguage::nepali), RomajiGuide("paa", "n", "i"));
  EXPECT_EQ(variant.guide("x", TavroLanguage::nepali), RomajiGuide("x", "a", "ni"));
}

TEST(LanguagePromptGuide, WordCountMismatchCountsNothingUntilComplete) {
  const LanguagePrompt prompt("एकअर्का लाई", std::string("ekarkalai"));
  EXPECT_EQ(prompt.completedDisplayCharacters("ekarka"), 0);
  EXPECT_EQ(prompt.completedDisplayCharacters("ekarkala"), 0);
  EXPECT_EQ(prompt.completedDisplayCharacters("ekarkalai"),
            static_cast<std::int64_t>(text::graphemeCount(prompt.display)));
}

TEST(LanguagePromptGuide, DirectDevanagariCountsLeadingCharacters) {
  const LanguagePrompt prompt("सन् २०२६ मा।", std::string("san 2026 ma."));
  struct Case {
    std::string typed;
    std::int64_t done;
    RomajiGuide guide;
  };
  const std::vector<Case> cases = {
      {"स", 1, {"", "s", "an 2026 ma."}},
      // A half-typed cluster does not count: न without the virama.
      {"सन", 1, {"", "s", "an 2026 ma."}},
      {"सन्", 2, {"san", " ", "2026 ma."}},
      {"सन् ", 3, {"san ", "2", "026 ma."}},
      // Either digit form, and a full stop for the danda.
      {"सन् 2026", 7, {"san 2026", " ", "ma."}},
      // मा is one character, not done without its vowel sign.
      {"सन् २०२६ म", 8, {"san 2026 ", "m", "a."}},
      {"सन् 2026 मा.", 10, {"san 2026 ma.", "", ""}},
      {"सन् २०२६ मा।", 10, {"san 2026 ma.", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(prompt.completedDisplayCharacters(c.typed), c.done);
    EXPECT_EQ(prompt.guide(c.typed, TavroLanguage::nepali), c.guide);
  }
}

TEST(LanguagePromptGuide, NepaliMatcherFollowsTheDirectFlag) {
  const LanguagePrompt prompt("पानी", std::string("pani"), {"paani"});
  Matcher roman = prompt.matcher(TavroLanguage::nepali, false);
  EXPECT_TRUE(roman.input("P"));  // lower-cased
  EXPECT_FALSE(roman.input("प"));
  Matcher direct = prompt.matcher(TavroLanguage::nepali, true);
  EXPECT_FALSE(direct.input("p"));
  EXPECT_TRUE(direct.input("प"));
}

}  // namespace
}  // namespace tavro
