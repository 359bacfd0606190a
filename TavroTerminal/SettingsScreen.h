// The settings screen: the interface language, the colour theme, the
// romaji guide's spelling and the speed unit, each changed in place and
// kept in the preferences at once.
#pragma once

#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

namespace tavro::terminal {

class SettingsScreen : public Screen {
 public:
  explicit SettingsScreen(TutorState& state) : state_(state) {}

  // Opens on the first line.
  void enter(ScreenId) override { focus_ = 0; }
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Action { move, change, back };
  static const KeyTable<Action>& keys();

  TutorState& state_;
  std::size_t focus_ = 0;
};

}  // namespace tavro::terminal
