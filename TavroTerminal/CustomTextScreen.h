// The custom text screen: the learner's own Japanese text and its reading,
// edited by CustomTextEditor (which draws its own footer), and a round of
// them started when the core accepts both.
#pragma once

#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

namespace tavro::terminal {

class CustomTextScreen : public Screen {
 public:
  explicit CustomTextScreen(TutorState& state) : state_(state) {}

  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double) const override {
    state_.customText.render(frame, state_.interfaceLanguage);
  }
  std::string hints() const override { return ""; }
  // A paste is text for the field in focus, whole.
  bool takesPaste() const override { return true; }

 private:
  TutorState& state_;
};

}  // namespace tavro::terminal
