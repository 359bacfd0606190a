// How the tutors name an exercise, its rounds and the fingers: the way of
// typing on the home screen ("Romaji input", "Kana input", ...), each
// round's title, and the finger of the next key. The texts are English; each
// host's screens translate them when they draw.
#pragma once

#include "TavroCore/input/Keyboard.h"
#include "TavroCore/practice/Exercise.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavro {

// The way of typing, as shown on the home screen ("Romaji input", ...).
std::string_view inputName(Exercise exercise);

// The title of a round, 1 to 7: the curriculum's titles, the interface
// strings' labels of the guided rounds, "Weak Fingers" for round 7.
std::string roundTitle(Exercise exercise, std::int64_t round);

// A key of `mode` as the learner knows it: with the kana keys ("kana"
// mode) by the kana it types on the layout (`jis`), so "d" reads し and a
// shifted key its small kana or mark; otherwise the key text itself. The
// space bar is the caller's to name ("space" in the interface language).
std::string keyLabel(std::string_view key, std::string_view mode, bool jis);

// A finger as the practice screens name it: "left index finger", "thumb".
std::string fingerName(Finger finger);

}  // namespace tavro
