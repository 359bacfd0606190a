#include "TavroTerminal/EscapeSequence.h"

#include <string>

namespace tavro::terminal::EscapeSequence {
namespace {

std::optional<Key> cursorKey(char32_t final) {
  switch (final) {
    case U'A':
      return Key::of(Key::Kind::up);
    case U'B':
      return Key::of(Key::Kind::down);
    case U'C':
      return Key::of(Key::Kind::right);
    case U'D':
      return Key::of(Key::Kind::left);
    case U'H':
      return Key::of(Key::Kind::home);
    case U'F':
      return Key::of(Key::Kind::end);
    case U'Z':  // Shift+Tab goes back, as Up does
      return Key::of(Key::Kind::up);
    default:
      return std::nullopt;
  }
}

// The "ESC [ n ~" keys of the VT220 and xterm: 1 and 7 Home, 4 and 8 End
// (rxvt and the Linux console differ), 3 Delete; 2 Insert, 5 and 6 the
// page keys and 11 to 34 the function keys mean nothing here.
std::optional<Key> tildeKey(std::u32string_view parameters) {
  std::u32string_view first = parameters.substr(0, parameters.find(U';'));
  if (first == U"1" || first == U"7") return Key::of(Key::Kind::home);
  if (first == U"4" || first == U"8") return Key::of(Key::Kind::end);
  if (first == U"3") return Key::of(Key::Kind::del);
  return std::nullopt;
}

}  // namespace

Decoded decode(std::u32string_view after) {
  if (after.empty()) return {};
  char32_t kind = after[0];
  if (kind == U'\x1b') {
    // Escape pressed twice: the first is the key, the second starts anew.
    return {true, Key::of(Key::Kind::escape), false, 0};
  }
  if (kind == U'[') {
    std::size_t at = 1;
    // Parameter bytes, then intermediate bytes, then one final byte.
    while (at < after.size() && after[at] >= 0x30 && after[at] <= 0x3F) ++at;
    while (at < after.size() && after[at] >= 0x20 && after[at] <= 0x2F) ++at;
    if (at == after.size()) return {};
    char32_t final = after[at];
    if (final < 0x40 || final > 0x7E) {
      // Broken off by a unit that belongs to no sequence: the part read is
      // dropped, the unit is input of its own.
      return {true, std::nullopt, false, at};
    }
    std::u32string_view parameters = after.substr(1, at - 1);
    Decoded decoded{true, std::nullopt, false, at + 1};
    if (final == U'~') {
      if (parameters == U"200") {
        decoded.pasteStart = true;
      } else {
        decoded.key = tildeKey(parameters);
      }
    } else if (parameters.find_first_of(U"<>=?") == std::u32string_view::npos) {
      // Modified cursor keys ("ESC [ 1 ; 5 A") move as the plain ones.
      decoded.key = cursorKey(final);
    }
    return decoded;
  }
  if (kind == U'O') {
    if (after.size() < 2) return {};
    char32_t final = after[1];
    if (final >= 0x40 && final <= 0x7E) {
      std::optional<Key> key = cursorKey(final);
      if (final == U'M') key = Key::of(Key::Kind::enter);  // Enter on the keypad
      return {true, key, false, 2};
    }
    return {true, std::nullopt, false, 1};  // Alt+O, then a unit of its own
  }
  // A key typed with Alt: nothing the tutor uses, and never the Escape
  // that leaves a screen.
  return {true, std::nullopt, false, 1};
}

}  // namespace tavro::terminal::EscapeSequence
