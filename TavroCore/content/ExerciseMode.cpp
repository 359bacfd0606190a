#include "TavroCore/content/ExerciseMode.h"

namespace tavro::ExerciseMode {

std::string_view titleKey(std::string_view mode) {
  return mode == numpad ? "10-Key" : "Romaji Input";
}

}  // namespace tavro::ExerciseMode
