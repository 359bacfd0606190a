#include "TavroCore/content/ExerciseMode.h"

namespace tavro::ExerciseMode {

bool usesRomaji(std::string_view mode) {
  return mode == romaji || mode == guidedRomaji;
}

std::string_view titleKey(std::string_view mode) {
  return mode == numpad ? "10-Key" : "Romaji Input";
}

}  // namespace tavro::ExerciseMode
