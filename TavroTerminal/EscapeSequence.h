// The keys a terminal sends as escape sequences: an Escape followed by the
// rest of a cursor, editing or function key (CSI "ESC [ ... final", SS3
// "ESC O x"), by a key typed with Alt (ESC and the key), or by nothing at
// all (the Escape key itself). The terminal layer reads what follows an
// Escape and asks `decode` whether it is a whole sequence yet, so a
// sequence is taken as one key or as nothing, never as its characters
// typed one by one: "ESC [ 1 ~" (Home in tmux) must not be Escape, then a
// round number. Kept apart from ncurses so tests and the fuzzer drive it.
#pragma once

#include "TavroTerminal/Key.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace tavro::terminal::EscapeSequence {

// The most units a caller keeps of one sequence: more than any key sends.
// Past it the caller drops the parameter bytes (0x20 to 0x3F) that keep
// coming and keeps only what ends the sequence, so a flood of them costs
// no memory and still ends as one sequence that means nothing, never as
// keys typed.
inline constexpr std::size_t maximumLength = 32;

// True for the bytes inside a CSI sequence before its final byte.
inline bool continuesSequence(char32_t unit) { return unit >= 0x20 && unit <= 0x3F; }

struct Decoded {
  // False while `after` may still be the start of a sequence: the caller
  // reads on, and when nothing more comes in a moment, an empty `after` is
  // the Escape key and anything else a cut sequence that does nothing.
  bool complete = false;
  // The key the sequence stands for; nothing for the keys the tutor does not
  // use (function keys, Insert, Page Up, keys typed with Alt, a sequence
  // that broke off).
  std::optional<Key> key;
  // True for the start of a bracketed paste ("ESC [ 200 ~").
  bool pasteStart = false;
  // How many units of `after` the sequence took; the rest are input of
  // their own.
  std::size_t length = 0;
};

// Decodes the units (code points) read after an Escape.
Decoded decode(std::u32string_view after);

}  // namespace tavro::terminal::EscapeSequence
