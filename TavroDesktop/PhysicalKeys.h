// The physical key of a desktop key event, in the core's terms. Qt reports
// the key's X11 keycode (the Linux evdev key code + 8, on xcb and on
// Wayland alike); the core names keys by its own hardware key codes. Kana
// keys on a JIS keyboard are taught by position, so the tutor maps the key
// itself and never the text the system layout made of it: a JIS learner
// whose system layout is US still types the kana printed on the keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavro::desktop {

// The core's key code of an X11 keycode: the letters, digits and
// punctuation keys of US and JIS keyboards (the JIS ¥ and ろ keys
// included), the space bar, Return, Tab, Backspace and Escape. Nothing for
// any other key (modifiers, function keys, the keypad) or a keycode out of
// range.
std::optional<std::uint16_t> coreKeyCode(std::uint32_t x11Keycode);

// What a layout-key round is given for a key: its unshifted label on the
// layout (`Keyboard::physicalKey`) or, with `shift`, the character Shift
// produces on that key (`Keyboard::shiftedKeys`; JIS Shift+0 gives
// `Keyboard::jisShiftZero`), the label itself when Shift changes nothing;
// " " for the space bar. Nothing for keys without a label, nor for a key
// the layout's keyboard does not have: on US the JIS ¥ and ろ keys, on JIS
// the key in the grave accent's place (there the half-width/full-width
// switch), so no two keys type the same text.
std::optional<std::string> keyText(std::uint32_t x11Keycode, bool shift, bool jis);

}  // namespace tavro::desktop
