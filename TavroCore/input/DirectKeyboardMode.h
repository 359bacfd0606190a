// The direct-keyboard preference: English and Nepali may be practised by
// typing the shown text directly (Devanagari for Nepali) instead of a
// romanization. Japanese never uses it. Direct rounds are scored apart.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/input/TavroLanguage.h"

#include <string>
#include <string_view>

namespace tavro::DirectKeyboardMode {

// The user-defaults key of the flag.
inline constexpr std::string_view preferenceKey = "practiceDirectKeyboardMode";

// The stored flag; false when there is none or it is not a Boolean.
bool saved(const platform::UserDefaults& store);

// Stores the flag as a Boolean.
void save(bool enabled, platform::UserDefaults& store);

// True when `enabled` is set and the language is English or Nepali.
bool applies(TavroLanguage language, bool enabled);

// The exercise mode scores go to: "romaji", "english" or "nepali", with
// "-direct" appended when the direct mode applies.
std::string scoreMode(TavroLanguage language, bool enabled);

}  // namespace tavro::DirectKeyboardMode
