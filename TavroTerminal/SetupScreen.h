// The first-launch setup: practice language, layout with the keyboard
// picture, guide lines and keyboard, theme, and the account step. Every
// change is kept as the draft, so a setup left half-way resumes where it
// stopped; finishing writes the choices to the preferences and the archive.
#pragma once

#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

#include <optional>

namespace tavro::terminal {

class SetupScreen : public Screen {
 public:
  explicit SetupScreen(TutorState& state) : state_(state) {}

  // Starts the setup from its draft when the learner has no archive and no
  // earlier preferences; false when there is nothing to set up.
  bool begin(bool archiveFound);
  // The theme on offer while the setup runs, so its step previews each.
  std::optional<AppearanceTheme> theme() const;

  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override { return keys().hints(); }

 private:
  enum class Action { move, change, next, back, quit, account };
  static const KeyTable<Action>& keys();

  void finish();

  TutorState& state_;
  std::optional<FirstLaunchSetup> setup_;
  std::size_t focus_ = 0;
};

}  // namespace tavro::terminal
