// The keyboard layout the learner uses, and reading key events with it: the
// host passes each event as its hardware key code, the characters it
// produced and whether Shift was held; the physical key decides, so practice
// works the same whatever input source the system has active.
#pragma once

#include "TavroCore/input/KanaInput.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct SelectedKeyboard {
  bool jis = false;  // true for the JIS layout, false for US (ANSI)

  // "JIS" or "ANSI".
  std::string_view name() const { return jis ? "JIS" : "ANSI"; }

  // The on-screen rows of this layout (`Keyboard::rows`).
  const std::vector<std::vector<std::string>>& rows() const;

  // The input of a romaji keystroke: the key's unshifted label (the event's
  // characters for a key without one), replaced by its shifted character when
  // Shift is held and the key has one. Key code 0 with Shift gives "A".
  std::string romajiInput(std::uint16_t code, std::string_view characters, bool shift) const;

  // The input of a kana keystroke: the same label, with Shift applied by
  // `KanaInput::shifted` (JIS Shift+0 gives `Keyboard::jisShiftZero`).
  std::string kanaInput(std::uint16_t code, std::string_view characters, bool shift) const;

  // `Keyboard::isTarget` with this layout.
  bool isTarget(std::string_view label, const std::set<std::string>& next, std::string_view mode) const;

  // `KanaInput::label` with this layout.
  std::string kanaLabel(std::string_view key) const;

  // `KanaInput::hints` with this layout.
  std::vector<KanaHint> kanaHints(std::string_view prompt, std::string_view typed, std::int64_t limit) const;

  friend bool operator==(const SelectedKeyboard&, const SelectedKeyboard&) = default;
};

}  // namespace tavro
