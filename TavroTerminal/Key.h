// One key event as the screen model sees it: a piece of text (a typed
// character, a kana from an input method, a pasted character) or one of the
// keys that steer the screens. The terminal layer turns ncurses input into
// these; tests and benchmarks make them directly.
#pragma once

#include <string>
#include <utility>

namespace tavro::terminal {

struct Key {
  enum class Kind { text, enter, escape, backspace, up, down, left, right, tab, interrupt };

  Kind kind = Kind::text;
  std::string text;  // the characters, for Kind::text

  static Key of(Kind kind) { return Key{kind, {}}; }
  static Key character(std::string text) { return Key{Kind::text, std::move(text)}; }
};

}  // namespace tavro::terminal
