#include "TavroCore/practice/KeyMap.h"

#include "TavroCore/input/Keyboard.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace tavro {
namespace {

// Tallies come from stored files as well as from typing; a sum beyond 64
// bits stops at the limit instead of wrapping into a negative count.
std::int64_t add(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return std::numeric_limits<std::int64_t>::max();
  return sum;
}

// The share of a stored tally that can be believed: no negative counts and
// never more misses than keystrokes, so a damaged file cannot push a key's
// accuracy outside 0 to 100 % or make an untyped key look typed.
KeyPerformance sane(const KeyPerformance& tally) {
  std::int64_t attempts = std::max<std::int64_t>(tally.attempts, 0);
  std::int64_t errors = std::clamp<std::int64_t>(tally.errors, 0, attempts);
  return {attempts, errors};
}

}  // namespace

KeyBand KeyMap::band(std::optional<double> accuracy) {
  // A NaN accuracy is no measurement either; it must not pass for a band.
  if (!accuracy || std::isnan(*accuracy)) return KeyBand::untyped;
  if (*accuracy < 85) return KeyBand::weak;
  if (*accuracy < 95) return KeyBand::fair;
  return KeyBand::strong;
}

KeyMap KeyMap::of(const WeakKeyHistory& history, std::string_view mode, bool jis) {
  const std::vector<std::vector<std::string>>& rows = Keyboard::rows(jis);

  KeyMap map;
  // Where each drawn label sits, so that every tally finds its key in one
  // look-up rather than a walk over all rows.
  std::map<std::string_view, std::pair<std::size_t, std::size_t>, std::less<>> places;
  map.rows.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::vector<KeyAccuracy> keys;
    keys.reserve(rows[r].size());
    for (std::size_t k = 0; k < rows[r].size(); ++k) {
      KeyAccuracy key;
      key.label = rows[r][k];
      keys.push_back(std::move(key));
      places.emplace(rows[r][k], std::pair{r, k});
    }
    map.rows.push_back(std::move(keys));
  }

  auto entry = history.modes.find(mode);
  if (entry != history.modes.end()) {
    for (const auto& [key, stored] : entry->second) {
      KeyPerformance tally = sane(stored);
      auto place = places.find(Keyboard::baseKey(key, jis));
      if (place == places.end()) {
        map.otherKeystrokes = add(map.otherKeystrokes, tally.attempts);
        continue;
      }
      KeyAccuracy& target = map.rows[place->second.first][place->second.second];
      target.typed = add(target.typed, tally.attempts);
      target.missed = add(target.missed, tally.errors);
    }
  }

  for (std::vector<KeyAccuracy>& row : map.rows) {
    for (KeyAccuracy& key : row) {
      if (key.typed <= 0) continue;
      // Each tally keeps its misses within its keystrokes, but of two
      // saturated sums the misses may still reach the limit first.
      std::int64_t missed = std::min(key.missed, key.typed);
      // Percent first, so that a whole-number result such as 85 % comes out
      // exact and lands in its band.
      key.accuracy = static_cast<double>(key.typed - missed) * 100 / static_cast<double>(key.typed);
      key.band = band(key.accuracy);
    }
  }
  return map;
}

std::string_view KeyMap::mark(KeyBand band) {
  switch (band) {
    case KeyBand::weak:
      return "!";
    case KeyBand::fair:
      return "~";
    case KeyBand::strong:
      return "+";
    case KeyBand::untyped:
      break;
  }
  return ".";
}

}  // namespace tavro
