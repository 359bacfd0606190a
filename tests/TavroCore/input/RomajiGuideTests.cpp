#include "TavroCore/input/RomajiGuide.h"

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

}  // namespace
}  // namespace tavro
