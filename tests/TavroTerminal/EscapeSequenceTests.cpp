// What follows an Escape: a whole key sequence is one key (or nothing the
// tutor uses), a lone Escape is the Escape key, and no part of a sequence
// is ever taken as keys typed.
#include "TavroTerminal/EscapeSequence.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavro::terminal {
namespace {

TEST(EscapeSequenceTest, WholeSequencesAreOneKeyOrNothing) {
  using Kind = Key::Kind;
  struct Case {
    const char* name;
    std::u32string after;
    bool complete;
    std::optional<Kind> key;
    std::size_t length;
    bool paste = false;
  };
  const Case cases[] = {
      {"nothing yet: the caller waits, then it is Escape", U"", false, std::nullopt, 0},
      {"a CSI begun", U"[", false, std::nullopt, 0},
      {"a CSI with its number but no end", U"[1", false, std::nullopt, 0},
      {"Home as tmux sends it", U"[1~", true, Kind::home, 3},
      {"Home as xterm sends it", U"[H", true, Kind::home, 2},
      {"Home in application mode", U"OH", true, Kind::home, 2},
      {"Home as rxvt sends it", U"[7~", true, Kind::home, 3},
      {"End", U"[4~", true, Kind::end, 3},
      {"End as xterm sends it", U"[F", true, Kind::end, 2},
      {"End in application mode", U"OF", true, Kind::end, 2},
      {"Delete", U"[3~", true, Kind::del, 3},
      {"Delete with a modifier", U"[3;5~", true, Kind::del, 5},
      {"Up", U"[A", true, Kind::up, 2},
      {"Ctrl+Right moves as Right", U"[1;5C", true, Kind::right, 5},
      {"Left in application mode", U"OD", true, Kind::left, 2},
      {"Shift+Tab goes back", U"[Z", true, Kind::up, 2},
      {"Enter on the keypad", U"OM", true, Kind::enter, 2},
      {"F1 means nothing", U"OP", true, std::nullopt, 2},
      {"F5 means nothing", U"[15~", true, std::nullopt, 4},
      {"Insert means nothing", U"[2~", true, std::nullopt, 3},
      {"Page Down means nothing", U"[6~", true, std::nullopt, 3},
      {"a mouse report means nothing", U"[<0;3;4M", true, std::nullopt, 8},
      {"the start of a paste", U"[200~", true, std::nullopt, 5, true},
      {"Alt+a is no key, and never Escape", U"a", true, std::nullopt, 1},
      {"Alt+1 never picks a round", U"1", true, std::nullopt, 1},
      {"Alt+O, then a 1 of its own", U"O1", true, std::nullopt, 1},
      {"a keypad key in application mode means nothing", U"Ox", true, std::nullopt, 2},
      {"Escape twice: the first is the key", U"\x1b", true, Kind::escape, 0},
      {"a sequence broken by a control character is dropped, the character kept",
       U"[1\r", true, std::nullopt, 2},
      {"a flood of parameters is still one sequence",
       std::u32string(100, U'1').insert(0, U"[") + U"~", true, std::nullopt, 102},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EscapeSequence::Decoded decoded = EscapeSequence::decode(c.after);
    EXPECT_EQ(decoded.complete, c.complete);
    EXPECT_EQ(decoded.pasteStart, c.paste);
    ASSERT_EQ(decoded.key.has_value(), c.key.has_value());
    if (c.key) {
      EXPECT_EQ(decoded.key->kind, *c.key);
    }
    if (c.complete) {
      EXPECT_EQ(decoded.length, c.length);
    }
  }
}

// Read one unit at a time, as the terminal delivers them, every sequence is
// complete exactly at its last unit: never earlier (a prefix acting as a
// key) and never needing more than it has.
TEST(EscapeSequenceTest, CompleteAtTheLastUnitAndNotBefore) {
  for (const std::u32string& sequence :
       {std::u32string(U"[1~"), std::u32string(U"[1;5C"), std::u32string(U"OH"),
        std::u32string(U"[200~"), std::u32string(U"[15;2~")}) {
    SCOPED_TRACE(std::string(sequence.begin(), sequence.end()));
    for (std::size_t length = 0; length < sequence.size(); ++length)
      EXPECT_FALSE(EscapeSequence::decode(sequence.substr(0, length)).complete) << length;
    EscapeSequence::Decoded whole = EscapeSequence::decode(sequence + U"x");
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(whole.length, sequence.size());
  }
}

}  // namespace
}  // namespace tavro::terminal
