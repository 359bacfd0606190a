// What the system knows about the two physical keyboard layouts, US
// ("ANSI") and Japanese ("JIS"): the rows drawn on screen, the label of each
// hardware key code, what Shift produces on each key, the kana printed on the
// JIS keys, and the finger that presses each key. All tables are constants
// built on first use.
#pragma once

#include "TavroCore/RawValue.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The nine fingers, in the order of `Fingers::allCases`.
enum class Finger { leftPinky, leftRing, leftMiddle, leftIndex, rightIndex, rightMiddle, rightRing, rightPinky, thumb };

// Each finger's name, e.g. "leftPinky".
template <>
struct RawValues<Finger> {
  using enum Finger;
  static constexpr RawValueTable<Finger, 9> cases = {
      {{leftPinky, "leftPinky"}, {leftRing, "leftRing"}, {leftMiddle, "leftMiddle"},
       {leftIndex, "leftIndex"}, {rightIndex, "rightIndex"}, {rightMiddle, "rightMiddle"},
       {rightRing, "rightRing"}, {rightPinky, "rightPinky"}, {thumb, "thumb"}}};
};

namespace Fingers {
inline constexpr std::array<Finger, 9> allCases = allCasesOf<Finger>();
// The JSON form of a finger is in FingerJson.h, so that code asking for a key
// does not compile the JSON libraries.
}  // namespace Fingers

namespace Keyboard {

// The character Shift+0 stands for on a JIS keyboard, where it produces
// nothing: U+E000, a private-use character, so that a key sequence can hold
// that keystroke (kana を).
inline constexpr std::string_view jisShiftZero = "\xEE\x80\x80";

// The rows of the on-screen keyboard, top row first, each a list of
// one-character unshifted key labels.
const std::vector<std::vector<std::string>>& rows(bool jis);

// The unshifted label of a hardware key code (a macOS virtual key code), or
// nothing for codes without one (space, return, tab, the keypad, ...).
std::optional<std::string> physicalKey(std::uint16_t code, bool jis);

// Unshifted key label to the character Shift produces on that key.
const std::map<std::string, std::string, std::less<>>& shiftedKeys(bool jis);

// The unshifted label whose shifted character is `typed` ("A" gives "a",
// "!" gives "1"); when no key shifts to it, `typed` lower-cased.
std::string baseKey(std::string_view typed, bool jis);

// The finger for a key label, the same on both layouts: groups of the left
// hand and the right index, middle and ring fingers by the label
// (lower-cased), a space for the thumb, everything else the right pinky.
Finger finger(std::string_view label);

// As `finger(label)`, except for mode "numpad", where the keypad's own
// assignment applies (1 4 7 right index, 2 5 8 / right middle, 3 6 9 . * right
// ring, 0 thumb, everything else right pinky).
Finger finger(std::string_view label, std::string_view mode);

// Whether the on-screen key `label` is to be highlighted for the set of next
// inputs `next` (normally `Matcher::next`): for "numpad" when the set holds
// the label itself, otherwise when some element has the label as its base key.
bool isTarget(std::string_view label, const std::set<std::string>& next, std::string_view mode, bool jis);

// The kana printed on each JIS key label, 46 keys; the dakuten key "@" carries
// ゛ (U+309B). "[" (゜) and "¥" (ー) have no entry.
const std::map<std::string, std::string, std::less<>>& kana();

}  // namespace Keyboard
}  // namespace tavro
