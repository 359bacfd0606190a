// The learner's progress in the exercise chosen: the daily median speed
// and accuracy of the last 30 days as a chart of block characters, the
// keyboard with every key marked by its accuracy, the weakest keys, and
// the round to take next with its reason. Enter takes that round. The
// figures are worked out when the screen comes up, not on every redraw.
#pragma once

#include "TavroCore/history/DailyProgress.h"
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

class ProgressScreen : public Screen {
 public:
  // The days the chart shows, today's included.
  static constexpr std::int64_t chartDays = 30;

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
  DailyProgress progress_;
  std::int64_t today_ = 0;  // the local day of the chart's last column, days since 1970
  KeyMap keyMap_;
  std::optional<Suggestion> suggestion_;
};

}  // namespace tavro::terminal
