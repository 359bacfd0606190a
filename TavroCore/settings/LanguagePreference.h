// The practice language as a stored preference, and what each language
// means to the practice screen: its name, the exercise mode of its main
// practice, and whether a romanized line can be shown under its prompts
// (with the per-language switch for that line).
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/input/TavroLanguage.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavro::TavroLanguages {

// The user-defaults key of the chosen language.
inline constexpr std::string_view preferenceKey = "practiceTavroLanguage";

// The language of an exercise mode: "english" is English, "nepali" is
// Nepali, every other text (the Japanese modes, the "-direct" modes, an
// unknown mode) is Japanese.
TavroLanguage fromMode(std::string_view mode);

// "Japanese", "English" or "Nepali".
std::string_view label(TavroLanguage language);

// The exercise mode of the language's main practice: "romaji", "english" or
// "nepali".
std::string_view mode(TavroLanguage language);

// Whether the practice screen can show a romanized line under the prompt
// (Japanese and Nepali).
bool showsRomanizedPrompt(TavroLanguage language);

// The stored language: the raw value text under `preferenceKey`, or Japanese
// when there is none, it is not a text, or not exactly a raw value.
TavroLanguage saved(const platform::UserDefaults& store);

// Stores the language's raw value text under `preferenceKey`.
void save(TavroLanguage language, platform::UserDefaults& store);

// The key of the language's romanized-line switch, "practiceShowRomaji."
// followed by the raw value; none for English, which has no such line.
std::optional<std::string> showRomajiKey(TavroLanguage language);

// The romanized-line switch: the stored Boolean, true when there is none or
// the stored value is not a Boolean; always false for English.
bool savedShowRomaji(TavroLanguage language, const platform::UserDefaults& store);

// Stores the switch as a Boolean; for English nothing is stored.
void saveShowRomaji(TavroLanguage language, bool show, platform::UserDefaults& store);

}  // namespace tavro::TavroLanguages
