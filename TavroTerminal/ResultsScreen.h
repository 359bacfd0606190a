// The results of the round just finished: its speed, accuracy and time,
// the round's top five with the new attempt marked, the weakest keys of
// this round and of all rounds, the round to take next, and the last 30
// days in two rows of blocks. Keys typed as the round ended were
// meant for the round and do nothing here.
#pragma once

#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/ProgressScreen.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

#include <optional>

namespace tavro::terminal {

class ResultsScreen : public Screen {
 public:
  // How long after a round ends its results take no keys: a key typed a
  // moment late (the Enter or the letter the learner thought was still
  // needed) must not skip the results before they were seen.
  static constexpr double graceSeconds = 0.5;

  explicit ResultsScreen(TutorState& state) : state_(state) {}

  // Works out the round to suggest and the days, once per round finished.
  void enter(ScreenId from) override;
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Action { next, again, progress, home };
  static const KeyTable<Action>& keys();

  TutorState& state_;
  std::optional<Suggestion> suggestion_;
  RecentProgress recent_;
};

}  // namespace tavro::terminal
