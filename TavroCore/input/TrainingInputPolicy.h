// When keystrokes count as practice input: only on the practice and results
// screens, with the settings closed and the practice view holding the focus.
#pragma once

#include <string_view>

namespace tavro::TrainingInputPolicy {

// False while the settings are open or the practice view lacks the keyboard
// focus; otherwise true exactly for the screens "practice" and "results".
bool accepts(std::string_view screen, bool settingsOpen, bool ownsFocus);

}  // namespace tavro::TrainingInputPolicy
