// The pieces the screens are made of: key tables (which key asks for what,
// and the footer made from the same rows) and the fields that take typed
// text, whose Backspace erases whole characters.
#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

namespace tavro::terminal {
namespace {

enum class Act { move, pick, quit, type };

const KeyTable<Act>& sample() {
  using K = Key::Kind;
  static const KeyTable<Act> table = {
      {{KeyMatch::of(K::up), KeyMatch::of(K::down)}, Act::move, "Up/Down move"},
      {{KeyMatch::typed('1', '7')}, Act::pick, "1-7 round"},
      {{KeyMatch::typed('q')}, Act::quit, ""},
      {{KeyMatch::of(K::text)}, Act::type, "type"},
  };
  return table;
}

TEST(KeyTableTest, FirstMatchingRowDecidesAndLettersAnswerInEitherCase) {
  struct Case {
    const char* name;
    Key key;
    std::optional<Act> action;
  };
  const Case cases[] = {
      {"up", Key::of(Key::Kind::up), Act::move},
      {"down", Key::of(Key::Kind::down), Act::move},
      {"first of a range", Key::character("1"), Act::pick},
      {"last of a range", Key::character("7"), Act::pick},
      {"past the range is other text", Key::character("8"), Act::type},
      {"lower-case letter", Key::character("q"), Act::quit},
      {"upper-case letter", Key::character("Q"), Act::quit},
      {"two characters are no letter key", Key::character("qq"), Act::type},
      {"kana is text", Key::character("か"), Act::type},
      {"a key without a row", Key::of(Key::Kind::escape), std::nullopt},
      {"a paste is no typed text", Key::pasted("q"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sample().actionFor(c.key), c.action);
  }
}

TEST(KeyTableTest, FooterJoinsTheLabelledRowsInOrder) {
  EXPECT_EQ(sample().hints(), "Up/Down move · 1-7 round · type");
}

// A field erases what the learner sees as one character: a kana with a
// combining mark, a flag, an emoji with its skin tone, a letter with an
// accent.
TEST(TypedFieldTest, BackspaceErasesAWholeCharacter) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::string character;
  };
  const Case cases[] = {
      {"ka with a combining dakuten", "\u304b\u3099"},
      {"flag", "\U0001F1EF\U0001F1F5"},
      {"emoji with a skin tone", "\U0001F44D\U0001F3FD"},
      {"e with a combining acute", "e\u0301"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TemporaryDirectory folder;
    platform::InMemoryUserDefaults preferences;
    preferences.set(FirstLaunchSetup::completedKey, true);
    Tutor tutor(StoragePaths{folder.path(), folder.path()}, LoadedArchive{}, preferences);
    tutor.handle(Key::character("a"), 1);  // the account screen, signed out
    tutor.handle(Key::character("e"), 1);  // the export path, proposed
    std::string proposed = (folder.path() / "tavro-backup.json").string();
    tutor.handle(Key::character("x" + c.character), 1);
    tutor.handle(Key::of(Key::Kind::backspace), 1);
    Frame frame(200, 30);
    tutor.render(frame, 1);
    EXPECT_NE(frame.text().find(proposed + "x_"), std::string::npos) << frame.text();
  }
}

}  // namespace
}  // namespace tavro::terminal
