// The X11 keycode to core key code table, as constant data.
#include "TavroDesktop/PhysicalKeys.h"

#include "TavroCore/input/Keyboard.h"

#include <array>

namespace tavro::desktop {
namespace {

struct KeyPair {
  std::uint16_t evdev;  // the kernel's key code (linux/input-event-codes.h)
  std::uint16_t core;   // the core's hardware key code
};

// Positions, not characters: the kernel names each key after its US
// legend, and a JIS keyboard reports the key in the same place under the
// same code (KEY_LEFTBRACE is JIS "@", KEY_BACKSLASH is JIS "]"). The core's
// own table gives each code its label per layout.
// clang-format off
constexpr auto keyPairs = std::to_array<KeyPair>({
  {1, 53},                                                    // KEY_ESC
  {2, 18}, {3, 19}, {4, 20}, {5, 21}, {6, 23},                // KEY_1 .. KEY_5
  {7, 22}, {8, 26}, {9, 28}, {10, 25}, {11, 29},              // KEY_6 .. KEY_0
  {12, 27}, {13, 24},                                         // KEY_MINUS, KEY_EQUAL
  {14, 51}, {15, 48},                                         // KEY_BACKSPACE, KEY_TAB
  {16, 12}, {17, 13}, {18, 14}, {19, 15}, {20, 17},           // q w e r t
  {21, 16}, {22, 32}, {23, 34}, {24, 31}, {25, 35},           // y u i o p
  {26, 33}, {27, 30},                                         // KEY_LEFTBRACE, KEY_RIGHTBRACE
  {28, 36},                                                   // KEY_ENTER
  {30, 0}, {31, 1}, {32, 2}, {33, 3}, {34, 5},                // a s d f g
  {35, 4}, {36, 38}, {37, 40}, {38, 37},                      // h j k l
  {39, 41}, {40, 39}, {41, 50},                               // KEY_SEMICOLON, KEY_APOSTROPHE, KEY_GRAVE
  {43, 42},                                                   // KEY_BACKSLASH
  {44, 6}, {45, 7}, {46, 8}, {47, 9}, {48, 11},               // z x c v b
  {49, 45}, {50, 46},                                         // n m
  {51, 43}, {52, 47}, {53, 44},                               // KEY_COMMA, KEY_DOT, KEY_SLASH
  {57, 49},                                                   // KEY_SPACE
  {89, 94},                                                   // KEY_RO (JIS ろ)
  {124, 93},                                                  // KEY_YEN (JIS ¥)
});
// clang-format on

// X11 numbers keycodes from 8 up: evdev's key code + 8.
constexpr std::uint32_t x11Offset = 8;

constexpr std::uint16_t spaceBar = 49;

// Keys the core labels on both layouts although only one keyboard has them.
// A US keyboard has no ¥ or ろ key, and on US the ろ key's backslash would
// be a second key typing the label of the drawn backslash key. On a JIS
// keyboard the key in the grave accent's place is the half-width/full-width
// switch, which types nothing; its "`" would pass for Shift+@.
constexpr std::uint16_t graveKey = 50;
constexpr std::uint16_t yenKey = 93;
constexpr std::uint16_t roKey = 94;

bool missingFromKeyboard(std::uint16_t code, bool jis) {
  return jis ? code == graveKey : code == yenKey || code == roKey;
}

}  // namespace

std::optional<std::uint16_t> coreKeyCode(std::uint32_t x11Keycode) {
  if (x11Keycode < x11Offset) return std::nullopt;
  const std::uint32_t evdev = x11Keycode - x11Offset;
  for (const KeyPair& pair : keyPairs) {
    if (pair.evdev == evdev) return pair.core;
  }
  return std::nullopt;
}

std::optional<std::string> keyText(std::uint32_t x11Keycode, bool shift, bool jis) {
  const std::optional<std::uint16_t> code = coreKeyCode(x11Keycode);
  if (!code) return std::nullopt;
  if (*code == spaceBar) return " ";
  if (missingFromKeyboard(*code, jis)) return std::nullopt;
  std::optional<std::string> label = Keyboard::physicalKey(*code, jis);
  if (!label || !shift) return label;
  const auto& shiftedKeys = Keyboard::shiftedKeys(jis);
  if (auto found = shiftedKeys.find(*label); found != shiftedKeys.end()) return found->second;
  return label;
}

}  // namespace tavro::desktop
