// The speed and accuracy shown while a round is typed, computed from a
// WordSession on demand and never stored.
#pragma once

#include "TavroCore/history/WordSession.h"

namespace tavro {

class LiveMetrics {
 public:
  // The metrics of `session` as seen at time `now` (the session's clock).
  // Speed is 0 until a full second of typing has passed; accuracy is 100
  // before the first keystroke. A complete round uses its finish time, so
  // its figures no longer change with `now`.
  LiveMetrics(const WordSession& session, double now);

  // Accepted keystrokes per minute.
  double kpm() const { return kpm_; }
  // Percentage of accepted keystrokes, 0 to 100.
  double accuracy() const { return accuracy_; }
  // Words per minute, five keystrokes to a word.
  double wpm() const { return kpm_ / 5; }

 private:
  double kpm_ = 0;
  double accuracy_ = 100;
};

}  // namespace tavro
