// Tables behind `Keyboard` that are not part of its interface.
#pragma once

#include "TavroCore/input/Keyboard.h"

#include <unordered_map>

namespace tavro::Keyboard {

// Hardware key code to unshifted label, 49 codes per layout.
const std::unordered_map<std::uint16_t, std::string>& physicalKeys(bool jis);

}  // namespace tavro::Keyboard
