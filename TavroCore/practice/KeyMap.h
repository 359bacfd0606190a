// How accurately each key of the practice keyboard is typed, from the
// weak-key history of one exercise mode, laid out as the keyboard's rows so
// a host can colour every key. Every host colours by the same bands, so the
// bands are decided here.
#pragma once

#include "TavroCore/history/WeakKeyHistory.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// How a key is coloured: never typed, or its accuracy under 85 %, from 85 %
// to under 95 %, or 95 % and over.
enum class KeyBand { untyped, weak, fair, strong };

struct KeyAccuracy {
  std::string label;          // the key's unshifted label, as Keyboard::rows gives it
  std::int64_t typed = 0;     // keystrokes counted for the key (accepted and missed)
  std::int64_t missed = 0;    // of those, the missed ones
  // Accepted keystrokes over all of the key's keystrokes, in percent;
  // absent for a key never typed (not 100 %).
  std::optional<double> accuracy;
  KeyBand band = KeyBand::untyped;

  friend bool operator==(const KeyAccuracy&, const KeyAccuracy&) = default;
};

struct KeyMap {
  // Keyboard::rows(jis), top row first, each label with its figures.
  std::vector<std::vector<KeyAccuracy>> rows;
  // Keystrokes of the mode counted for keys the drawn rows do not hold (the
  // space bar, Devanagari typed directly, keys of the other layout).
  std::int64_t otherKeystrokes = 0;

  // The band of an accuracy in percent (absent: untyped).
  static KeyBand band(std::optional<double> accuracy);
  // The mark every host draws on a key of `band`, so the map reads without
  // colours too: "!" under 85 %, "~" 85 to 95 %, "+" 95 % and over, "." never typed.
  static std::string_view mark(KeyBand band);

  // The map of `mode`'s keys on the US (`jis` false) or JIS layout. Every
  // tally of the history goes to the drawn key that produces it, with or
  // without Shift (Keyboard::baseKey: "A" and "a" on the same key, "!" on
  // "1"), so a key's figures add up the characters typed on it.
  static KeyMap of(const WeakKeyHistory& history, std::string_view mode, bool jis);
};

}  // namespace tavro
