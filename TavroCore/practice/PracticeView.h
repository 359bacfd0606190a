// What a practice screen shows of the word being typed, as of the last
// judged key: the prompt and how much of it is done, the typed-form guide,
// the key hints, the next key with its Shift and finger, and the keys to
// highlight. A round works it out once per judged key (and when a word
// starts), so a host may redraw as often as it likes without searching the
// spellings again.
#pragma once

#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/RomajiGuide.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavro {

// One key hint above the prompt ("し [ S H I ]", "[T + @ · が]").
struct KeyHint {
  std::string text;
  bool active = false;  // the kana being typed now

  bool operator==(const KeyHint&) const = default;
};

// The physical key that types the suggested next input.
struct NextKey {
  std::string label;   // the unshifted key label ("a", "1"; "0" for JIS Shift+0)
  bool shift = false;  // pressed with Shift
  Finger finger = Finger::rightPinky;

  bool operator==(const NextKey&) const = default;
};

struct PracticeView {
  // How many key hints a view holds at most: the kana being typed and
  // those after it.
  static constexpr std::int64_t hintLimit = 4;

  std::string display;                 // the shown text of the word being typed
  std::int64_t doneCharacters = 0;     // shown characters of it that are done
  std::optional<std::string> reading;  // its hiragana reading, when that differs from the shown text
  // The typed-form line: romaji in the guide style for romaji rounds, the
  // romanization for Nepali; nothing for English and kana keys.
  std::optional<RomajiGuide> guide;
  std::vector<KeyHint> hints;  // romaji and kana-key rounds, at most hintLimit, the active one first
  std::set<std::string> nextInputs;           // what the matcher takes next (`Matcher::next`)
  std::optional<std::string> expectedInput;   // the one to suggest
  // The key of `expectedInput`, for exercises typed on the layout's keys.
  std::optional<NextKey> nextKey;
  // Labels of `Keyboard::rows(jis)` to highlight for `nextInputs`, and the
  // faint look-ahead keys of romaji rounds (the key after the next, within
  // the same kana).
  std::set<std::string> targetKeys;
  std::set<std::string> ghostKeys;
  // The word is complete but could still take more (ほん after "hon"):
  // a space or Enter moves on.
  bool waiting = false;
  std::optional<std::string> nextDisplay;  // the shown text of the word after it, if the round has one

  bool operator==(const PracticeView&) const = default;
};

}  // namespace tavro
