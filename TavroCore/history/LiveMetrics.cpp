#include "TavroCore/history/LiveMetrics.h"

namespace tavro {

LiveMetrics::LiveMetrics(const WordSession& session, double now) {
  if (session.startedAt()) {
    double end = session.finishedAt().value_or(now);
    double elapsed = end - *session.startedAt();
    if (elapsed >= 1.0) kpm_ = static_cast<double>(session.correct()) * 60 / elapsed;
  }
  std::int64_t total = 0;
  if (__builtin_add_overflow(session.correct(), session.misses(), &total)) {
    // Only reachable with counts no round produces; the sum is taken in doubles.
    accuracy_ = static_cast<double>(session.correct()) * 100 /
                (static_cast<double>(session.correct()) + static_cast<double>(session.misses()));
  } else if (total != 0) {
    accuracy_ = static_cast<double>(session.correct()) * 100 / static_cast<double>(total);
  }
}

}  // namespace tavro
