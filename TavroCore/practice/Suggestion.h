// The round to take next, and why, from what the learner has done: the
// drill when a key is still missed often, otherwise the next round that
// lags behind the learner's own usual speed. The reason is a value; each
// host words it.
#pragma once

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/practice/Exercise.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavro {

enum class SuggestionReason {
  firstRound,   // nothing practised in this exercise yet: round 1
  weakKey,      // a key's accuracy is under the threshold: the drill
  notYetTaken,  // the next fixed round never taken
  belowMedian,  // the next fixed round whose best speed is under the median
  slowestBest,  // every round at or over the median: the one with the lowest best
};

struct Suggestion {
  std::int64_t round = 1;  // 1 to 6, or drillRound
  SuggestionReason reason = SuggestionReason::firstRound;
  // weakKey: the key and its accuracy in percent.
  std::string key;
  double keyAccuracy = 0;
  // belowMedian and slowestBest: the round's best speed and the learner's
  // median, in keys per minute (Attempt::cpm).
  double bestSpeed = 0;
  double medianSpeed = 0;

  friend bool operator==(const Suggestion&, const Suggestion&) = default;
};

struct Suggestions {
  // A key weaker than this (accuracy in percent) calls for the drill...
  static constexpr double weakKeyThreshold = 90;
  // ...once it has been typed this often, so a single early slip does not.
  static constexpr std::int64_t weakKeyMinimumTyped = 10;

  // The suggestion for `exercise` at `level` (used where the level chooses
  // the words: only that level's attempts count, as in its score tables):
  // 1. No attempt of the exercise's mode in rounds 1 to 6 (of the level): round 1, firstRound.
  // 2. A key of the mode typed at least `weakKeyMinimumTyped` times with an
  //    accuracy under `weakKeyThreshold`, and `drillAvailable` (the drill has
  //    prompts): the drill, weakKey, naming the key of lowest accuracy (ties:
  //    more keystrokes, then key text in code-point order).
  // 3. The median is the median speed of all the attempts of rounds 1 to 6
  //    (of the level). From the round after the one of the latest attempt
  //    of rounds 1 to 6 (by date; after 6 comes 1), the first of the six whose
  //    best speed is under the median: notYetTaken when it has no attempt,
  //    otherwise belowMedian.
  // 4. Otherwise the round with the lowest best speed (the first of equals),
  //    slowestBest.
  // Nothing for the learner's own text, which has one round and no drill.
  static std::optional<Suggestion> next(Exercise exercise, JLPTLevel level, const Archive& archive,
                                        bool drillAvailable);
};

}  // namespace tavro
