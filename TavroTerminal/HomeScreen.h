// The home screen: the practice choices (language, input, JLPT level,
// layout, guide lines, keyboard) changed in place, the rounds with their
// best and latest scores, and the problems found with the files at start.
#pragma once

#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

#include <vector>

namespace tavro::terminal {

class HomeScreen : public Screen {
 public:
  explicit HomeScreen(TutorState& state);

  // After the setup the choices are new: the focus goes to the chosen round.
  void enter(ScreenId from) override;
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Item { language, input, level, layout, guides, keyboard, round };
  enum class Action { arrow, change, chooseRound, start, progress, settings, account, quit };
  static const KeyTable<Action>& keys();

  std::vector<Item> items() const;
  // The round numbers listed, in order: the numbered rounds, then the drill.
  std::vector<std::int64_t> roundList() const;
  // Puts the focus on the chosen round.
  void focusRound();
  void change(Item item, int step);

  TutorState& state_;
  std::size_t focus_ = 0;  // index into items()
};

}  // namespace tavro::terminal
