// The three figures shown with the learner's account: exercises completed,
// best speed and best accuracy over every attempt, whatever its mode or
// round.
#pragma once

#include "TavroCore/history/Attempt.h"

#include <cstdint>
#include <vector>

namespace tavro {

struct TavroAccountSummary {
  std::int64_t exercisesCompleted = 0;  // distinct attempt ids
  double bestWPM = 0;                   // highest speed, five keystrokes to a word
  double bestAccuracy = 0;              // highest accuracy in percent

  TavroAccountSummary() = default;

  // Summarises `attempts`: records sharing an id count once; the best speed
  // and the best accuracy are the largest finite figures the attempts give
  // (negative ones included, as stored counts may be), possibly from
  // different attempts; 0 for a figure no attempt gives finitely, and 0
  // throughout for no attempts.
  explicit TavroAccountSummary(const std::vector<Attempt>& attempts);

  friend bool operator==(const TavroAccountSummary&, const TavroAccountSummary&) = default;
};

}  // namespace tavro
