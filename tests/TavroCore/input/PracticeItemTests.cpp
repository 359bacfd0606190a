#include "TavroCore/input/PracticeItem.h"

#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(PracticeItem, AlternativesDependOnTheMode) {
  EXPECT_EQ(PracticeItem("し", "romaji", false).alternatives(), Romaji::spellings("し"));
  EXPECT_EQ(PracticeItem("し", "guided-romaji", true).alternatives(),
            (std::vector<std::string>{"si", "shi"}));
  EXPECT_EQ(PracticeItem("がく", "kana", true).alternatives(),
            (std::vector<std::string>{KanaInput::keys("がく", true)}));
  EXPECT_EQ(PracticeItem("がく", "kana", false).alternatives(),
            (std::vector<std::string>{KanaInput::keys("がく", false)}));
  EXPECT_EQ(PracticeItem("123", "numpad", false).alternatives(), (std::vector<std::string>{"123"}));
}

TEST(PracticeItem, CompletedCharactersCountWholeCharacters) {
  struct Case {
    std::string name;
    PracticeItem item;
    std::string typed;
    std::int64_t expected;
  };
  const std::vector<Case> cases = {
      {"kana: voiced kana takes two keys", {"がく", "kana", true}, "t@", 1},
      {"kana: half of a voiced kana", {"がく", "kana", true}, "t", 0},
      {"kana: all keys", {"がく", "kana", true}, "t@h", 2},
      {"kana: wrong key", {"がく", "kana", true}, "x", 0},
      {"romaji", {"がっこう", "romaji", false}, "gakko", 3},
      {"guided romaji", {"がっこう", "guided-romaji", false}, "gakkou", 4},
      {"plain mode", {"hello", "english", false}, "hel", 3},
      // Part of it right is not enough once the typed text went astray.
      {"plain mode astray", {"hello", "english", false}, "hex", 0},
      {"numpad", {"123", "numpad", false}, "12", 2},
      {"nothing typed", {"123", "numpad", false}, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.item.completedCharacters(c.typed), c.expected);
  }
}

}  // namespace
}  // namespace tavro
