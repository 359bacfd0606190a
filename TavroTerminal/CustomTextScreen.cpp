#include "TavroTerminal/CustomTextScreen.h"

namespace tavro::terminal {

Transition CustomTextScreen::handle(const Key& key, double) {
  switch (state_.customText.handle(key)) {
    case CustomTextEditor::Action::leave:
      return Transition::go(ScreenId::home);
    case CustomTextEditor::Action::practise:
      if (state_.prepareCustomText()) return Transition::go(ScreenId::practice);
      return Transition::stay();
    case CustomTextEditor::Action::none:
      break;
  }
  return Transition::stay();
}

}  // namespace tavro::terminal
