// The learner's progress in the exercise chosen: the daily median speed
// and accuracy of the last 30 days as a chart of block characters, the
// keyboard with every key marked by its accuracy, the weakest keys, and
// the round to take next with its reason. Enter takes that round. The
// figures are worked out when the screen comes up, not on every redraw.
#pragma once

#include "TavroCore/history/DailyProgress.h"
#include "TavroHost/RecentProgress.h"
#include "TavroCore/practice/KeyMap.h"
#include "TavroCore/practice/Suggestion.h"
#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavro::terminal {

// The suggestion in one line of the interface language: "Next: round 3
// (Short Phrases): its best, 182 keys/min, is under your median, 205 keys/min."
std::string suggestionLine(const TutorState& state, const Suggestion& suggestion);

// The chosen exercise's last 30 local days now; a failure to work out the
// days is put in the status line and leaves no days.
RecentProgress recentProgress(TutorState& state);

// Two rows of one eighth-block cell per day from `row` on: the daily median
// speed against RecentProgress::top, and the accuracy from 80 % to 100 %
// coloured by the key bands. The results screen's short form of the chart.
void putRecentDays(Frame& frame, int row, const TutorState& state, const RecentProgress& recent);

class ProgressScreen : public Screen {
 public:
  explicit ProgressScreen(TutorState& state) : state_(state) {}

  void enter(ScreenId from) override;
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Action { take, home };
  static const KeyTable<Action>& keys();

  void renderChart(Frame& frame, int top) const;
  void renderKeys(Frame& frame, int top) const;

  TutorState& state_;
  RecentProgress recent_;
  KeyMap keyMap_;
  std::optional<Suggestion> suggestion_;
};

}  // namespace tavro::terminal
