// Tables behind `Keyboard` that are not part of its interface.
#pragma once

#include "TavroCore/input/Keyboard.h"

#include <unordered_map>

namespace tavro::Keyboard {

// Hardware key code to unshifted label, 49 codes per layout.
const std::unordered_map<std::uint16_t, std::string>& physicalKeys(bool jis);

// Groups of key labels and their finger, tested in order: a label contained
// in a group's text belongs to that finger. The main keys, then the keypad.
const std::vector<std::pair<std::string_view, Finger>>& fingerGroups();
const std::vector<std::pair<std::string_view, Finger>>& numpadFingerGroups();

}  // namespace tavro::Keyboard
