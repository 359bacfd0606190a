#include "TavroCore/input/RomajiModes.h"

namespace tavro::ExerciseMode {

bool usesRomaji(std::string_view mode) {
  return mode == romaji || mode == guidedRomaji;
}

}  // namespace tavro::ExerciseMode
