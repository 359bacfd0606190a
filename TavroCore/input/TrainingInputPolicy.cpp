#include "TavroCore/input/TrainingInputPolicy.h"

namespace tavro::TrainingInputPolicy {

bool accepts(std::string_view screen, bool settingsOpen, bool ownsFocus) {
  if (settingsOpen || !ownsFocus) return false;
  return screen == "practice" || screen == "results";
}

}  // namespace tavro::TrainingInputPolicy
