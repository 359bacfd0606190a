// The exercise modes that are typed in romaji. The mode identifiers are
// practice content (TavroCore/content/ExerciseMode.h, which includes this
// header); this one rule lives here, below the content, because practice
// items answer by it and input code must not depend on the content.
#pragma once

#include <string_view>

namespace tavro::ExerciseMode {

inline constexpr std::string_view romaji = "romaji";
inline constexpr std::string_view guidedRomaji = "guided-romaji";

// True exactly for "romaji" and "guided-romaji".
bool usesRomaji(std::string_view mode);

}  // namespace tavro::ExerciseMode
