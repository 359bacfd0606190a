// One key event as the screen model sees it: a piece of text (a typed
// character, a kana from an input method, a pasted character) or one of the
// keys that steer the screens. The terminal layer turns ncurses input into
// these; tests and benchmarks make them directly.
#pragma once

#include <string>
#include <utility>

namespace tavro::terminal {

struct Key {
  // home, end and del are the editing keys Home, End and Delete; the
  // terminal layer decodes them (and the keys the tutor does not use) from
  // whole escape sequences, so no part of a sequence ever arrives as keys.
  enum class Kind {
    text, enter, escape, backspace, up, down, left, right, tab, interrupt, paste, home, end, del
  };

  Kind kind = Kind::text;
  // The characters, for Kind::text; for Kind::paste the whole text of a
  // bracketed paste as the terminal sent it (Tabs, line breaks and any
  // escape sequences inside it included), which is text, never keys.
  std::string text;

  static Key of(Kind kind) { return Key{kind, {}}; }
  static Key character(std::string text) { return Key{Kind::text, std::move(text)}; }
  static Key pasted(std::string text) { return Key{Kind::paste, std::move(text)}; }
};

}  // namespace tavro::terminal
