// A weak-key history written down as a list of tallies, for the tests of
// what is built from it (the drill, the key map).
#pragma once

#include "TavroCore/history/WeakKeyHistory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavro::testing {

struct Tally {
  std::string key;
  std::int64_t attempts;
  std::int64_t errors;
};

inline WeakKeyHistory historyOf(const std::string& mode, const std::vector<Tally>& tallies) {
  WeakKeyHistory history;
  for (const Tally& tally : tallies) history.modes[mode][tally.key] = {tally.attempts, tally.errors};
  return history;
}

}  // namespace tavro::testing
