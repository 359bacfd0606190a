// How the tutor names an exercise and its rounds: the way of typing on the
// home screen ("Romaji input", "Kana input", ...) and each round's title.
// The texts are English; the screens translate them when they draw.
#pragma once

#include "TavroCore/practice/Exercise.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavro::terminal {

// The way of typing, as shown on the home screen ("Romaji input", ...).
std::string_view inputName(Exercise exercise);

// The title of a round, 1 to 7: the curriculum's titles, the interface
// strings' labels of the guided rounds, "Weak Fingers" for round 7.
std::string roundTitle(Exercise exercise, std::int64_t round);

}  // namespace tavro::terminal
