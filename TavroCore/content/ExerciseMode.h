// Exercise-mode identifiers: every practice round belongs to one, each
// Attempt stores it, and the weak-key history is keyed by it. Identifiers are
// compared exactly.
#pragma once

// `romaji`, `guidedRomaji` and `usesRomaji` are declared there, below the
// content, because practice items answer by them.
#include "TavroCore/input/RomajiModes.h"

#include <array>
#include <string_view>

namespace tavro::ExerciseMode {

inline constexpr std::string_view numpad = "numpad";
inline constexpr std::string_view defaultMode = romaji;

// The modes offered in the menu, in order.
inline constexpr std::array<std::string_view, 2> menuModes = {"romaji", "numpad"};

// Every identifier the system knows: the menu modes, then the other seven.
inline constexpr std::array<std::string_view, 9> allModes = {
    "romaji", "numpad",         "guided-romaji", "kana",        "english",
    "nepali", "english-direct", "nepali-direct", "kana-custom",
};

// The interface-string key of the mode's title: "10-Key" for "numpad",
// "Romaji Input" for every other value.
std::string_view titleKey(std::string_view mode);

}  // namespace tavro::ExerciseMode
