// The round being typed: the prompt with what is done, the guide lines,
// the next key and the keyboard, live speed and accuracy. A finished round
// is saved and its results come up; Esc leaves the round and keeps nothing
// of it, asking first once a key was typed.
#pragma once

#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

namespace tavro::terminal {

class PracticeScreen : public Screen {
 public:
  explicit PracticeScreen(TutorState& state) : state_(state) {}

  // A round starts without the question of leaving it.
  void enter(ScreenId) override { confirmLeave_ = false; }
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Action { leave, erase, confirm, type };
  static const KeyTable<Action>& keys();

  // Ends the round at `now`; `lastKeyTyped` is true when the key that ended
  // it went into the last word (so the word may still take more).
  Transition finishRound(double now, bool lastKeyTyped);
  // Leaves the round being typed, keeping nothing of it.
  Transition leaveRound();
  void renderKeyboard(Frame& frame, int top) const;

  TutorState& state_;
  bool confirmLeave_ = false;  // Esc in a round with keys typed: asking before leaving
};

}  // namespace tavro::terminal
