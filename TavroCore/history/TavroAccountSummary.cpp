#include "TavroCore/history/TavroAccountSummary.h"

#include <cmath>
#include <optional>
#include <set>

namespace tavro {
namespace {

// Keeps the largest finite value offered; nothing until one is.
void keepLargestFinite(std::optional<double>& best, double value) {
  if (std::isfinite(value) && (!best || value > *best)) best = value;
}

}  // namespace

TavroAccountSummary::TavroAccountSummary(const std::vector<Attempt>& attempts) {
  std::set<Uuid> ids;
  // Stored counts are taken as they stand, so a speed or an accuracy may be
  // negative; the best is the largest one, not the largest one above 0.
  std::optional<double> fastest;
  std::optional<double> mostAccurate;
  for (const Attempt& attempt : attempts) {
    ids.insert(attempt.id());
    keepLargestFinite(fastest, attempt.cpm() / 5);
    keepLargestFinite(mostAccurate, attempt.accuracy());
  }
  exercisesCompleted = static_cast<std::int64_t>(ids.size());
  bestWPM = fastest.value_or(0);
  bestAccuracy = mostAccurate.value_or(0);
}

}  // namespace tavro
