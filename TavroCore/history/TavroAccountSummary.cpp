#include "TavroCore/history/TavroAccountSummary.h"

#include <cmath>
#include <set>

namespace tavro {

TavroAccountSummary::TavroAccountSummary(const std::vector<Attempt>& attempts) {
  std::set<Uuid> ids;
  for (const Attempt& attempt : attempts) {
    ids.insert(attempt.id());
    double wpm = attempt.cpm() / 5;
    if (std::isfinite(wpm) && wpm > bestWPM) bestWPM = wpm;
    double accuracy = attempt.accuracy();
    if (std::isfinite(accuracy) && accuracy > bestAccuracy) bestAccuracy = accuracy;
  }
  exercisesCompleted = static_cast<std::int64_t>(ids.size());
}

}  // namespace tavro
