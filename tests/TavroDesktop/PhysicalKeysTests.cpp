#include "TavroDesktop/PhysicalKeys.h"

#include "TavroCore/input/Keyboard.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace tavro::desktop {
namespace {

// X11 numbers every key evdev's code + 8.
constexpr std::uint32_t x11(std::uint32_t evdev) { return evdev + 8; }

const char* layoutName(bool jis) { return jis ? "JIS" : "US"; }

// Every X11 keycode that types something unshifted, by the text it types.
std::map<std::string, std::vector<std::uint32_t>> keycodesByText(bool jis) {
  std::map<std::string, std::vector<std::uint32_t>> out;
  for (std::uint32_t code = 0; code <= 255; ++code) {
    if (auto text = keyText(code, false, jis)) out[*text].push_back(code);
  }
  return out;
}

TEST(DesktopPhysicalKeys, EveryDrawnKeyIsTypedByExactlyOneKey) {
  for (bool jis : {false, true}) {
    SCOPED_TRACE(layoutName(jis));
    const auto typed = keycodesByText(jis);
    std::size_t drawn = 0;
    for (const auto& row : Keyboard::rows(jis)) {
      for (const std::string& label : row) {
        SCOPED_TRACE(label);
        ++drawn;
        auto found = typed.find(label);
        ASSERT_NE(found, typed.end()) << "no key types this drawn label";
        EXPECT_EQ(found->second.size(), 1u) << "more than one key types it";
      }
    }
    // Nothing beyond the drawn keys and the space bar, so no key types a
    // text the learner cannot find on the keyboard shown.
    EXPECT_EQ(typed.size(), drawn + 1);
    ASSERT_TRUE(typed.count(" "));
    EXPECT_EQ(typed.at(" "), std::vector<std::uint32_t>{x11(57)});
  }
}

// The kernel numbers each row of keys left to right without gaps (the digit
// row from KEY_1 = 2, the top row from KEY_Q = 16, the home row from
// KEY_A = 30, the bottom row from KEY_Z = 44), so the drawn rows must come
// out of those runs in order: a swapped pair of keys in the table shows here.
TEST(DesktopPhysicalKeys, DrawnRowsFollowTheKernelsKeyRows) {
  constexpr std::uint32_t grave = 41, backslash = 43, ro = 89, yen = 124;
  struct Layout {
    bool jis;
    std::vector<std::vector<std::uint32_t>> rows;  // evdev codes, left to right
  };
  auto run = [](std::uint32_t first, std::uint32_t count) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = 0; i < count; ++i) out.push_back(first + i);
    return out;
  };
  auto with = [](std::vector<std::uint32_t> keys, std::uint32_t last) {
    keys.push_back(last);
    return keys;
  };
  auto before = [](std::uint32_t first, std::vector<std::uint32_t> keys) {
    keys.insert(keys.begin(), first);
    return keys;
  };
  const Layout layouts[] = {
      {false, {before(grave, run(2, 12)), with(run(16, 12), backslash), run(30, 11), run(44, 10)}},
      {true, {with(run(2, 12), yen), run(16, 12), with(run(30, 11), backslash), with(run(44, 10), ro)}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layoutName(layout.jis));
    const auto& rows = Keyboard::rows(layout.jis);
    ASSERT_EQ(rows.size(), layout.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), layout.rows[r].size()) << "row " << r;
      for (std::size_t k = 0; k < rows[r].size(); ++k) {
        SCOPED_TRACE("row " + std::to_string(r) + " key " + std::to_string(k));
        EXPECT_EQ(keyText(x11(layout.rows[r][k]), false, layout.jis), rows[r][k]);
      }
    }
  }
}

TEST(DesktopPhysicalKeys, KeysAndTheirCodesAndTexts) {
  const std::string shiftZero(Keyboard::jisShiftZero);
  struct Case {
    const char* name;
    std::uint32_t x11Keycode;
    bool shift;
    bool jis;
    std::optional<std::uint16_t> code;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"KEY_A", 38, false, false, 0, "a"},
      {"Shift+A on US", 38, true, false, 0, "A"},
      {"Shift+2 on US", x11(3), true, false, 19, "@"},
      {"Shift+2 on JIS", x11(3), true, true, 19, "\""},
      {"Shift+0 on JIS", x11(11), true, true, 29, shiftZero},
      {"Shift+0 on US", x11(11), true, false, 29, ")"},
      {"the JIS yen key", 132, false, true, 93, "¥"},
      {"Shift+yen on JIS", 132, true, true, 93, "|"},
      {"the JIS ro key", 97, false, true, 94, "\\"},
      {"Shift+ro on JIS", 97, true, true, 94, "_"},
      {"the ro key on US", 97, false, false, 94, std::nullopt},
      {"the yen key on US", 132, false, false, 93, std::nullopt},
      {"KEY_LEFTBRACE on JIS", x11(26), false, true, 33, "@"},
      {"KEY_LEFTBRACE on US", x11(26), false, false, 33, "["},
      {"KEY_RIGHTBRACE on JIS", x11(27), false, true, 30, "["},
      {"KEY_BACKSLASH on JIS", x11(43), false, true, 42, "]"},
      {"KEY_BACKSLASH on US", x11(43), false, false, 42, "\\"},
      {"KEY_EQUAL on JIS", x11(13), false, true, 24, "^"},
      {"KEY_APOSTROPHE on JIS", x11(40), false, true, 39, ":"},
      {"KEY_GRAVE on US", x11(41), false, false, 50, "`"},
      {"KEY_GRAVE on JIS (half/full-width)", x11(41), false, true, 50, std::nullopt},
      {"space", 65, false, true, 49, " "},
      {"Shift+space", 65, true, false, 49, " "},
      {"Return", x11(28), false, false, 36, std::nullopt},
      {"Tab", x11(15), false, true, 48, std::nullopt},
      {"Backspace", x11(14), false, false, 51, std::nullopt},
      {"Escape", x11(1), false, true, 53, std::nullopt},
      {"Shift_L", 50, false, false, std::nullopt, std::nullopt},
      {"Shift_L with Shift", 50, true, true, std::nullopt, std::nullopt},
      {"F1", x11(59), false, false, std::nullopt, std::nullopt},
      {"keypad 1", x11(79), false, true, std::nullopt, std::nullopt},
      {"keycode 0", 0, false, false, std::nullopt, std::nullopt},
      {"below X11's first keycode", 7, false, false, std::nullopt, std::nullopt},
      {"keycode 300 (evdev 292 is past X11's range)", 300, false, true, std::nullopt, std::nullopt},
      {"2^32 - 1", 0xFFFFFFFFu, false, false, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(coreKeyCode(c.x11Keycode), c.code);
    EXPECT_EQ(keyText(c.x11Keycode, c.shift, c.jis), c.text);
  }
}

// What Shift types on a key leads back to that key: the core finds the key
// to highlight from the character typed, so a key whose text is another
// key's shifted character would light up the wrong key.
TEST(DesktopPhysicalKeys, ShiftedTextLeadsBackToItsKey) {
  for (bool jis : {false, true}) {
    SCOPED_TRACE(layoutName(jis));
    for (std::uint32_t code = 0; code <= 255; ++code) {
      auto label = keyText(code, false, jis);
      if (!label) continue;
      SCOPED_TRACE(code);
      auto shifted = keyText(code, true, jis);
      ASSERT_TRUE(shifted.has_value());
      EXPECT_EQ(Keyboard::baseKey(*shifted, jis), *label);
    }
  }
}

}  // namespace
}  // namespace tavro::desktop
