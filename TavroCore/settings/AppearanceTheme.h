// The colour themes of the interface and the chosen theme as a preference.
// A theme's raw value is also its English name and its stored form. Older
// versions kept the theme in the score archive ("appearance"), where a
// damaged archive took it with it; it is now a preference, and the
// archive's value is read once, when the preference holds none. "System"
// follows the operating system's light or dark appearance; the colours
// themselves are the host's.
#pragma once

#include "Platform/UserDefaults.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class AppearanceTheme { system, light, dark, midnight, sakura, ocean, highContrast };

// "System", "Light", "Dark", "Midnight", "Sakura", "Ocean" or "High Contrast".
std::string_view rawValue(AppearanceTheme theme);

// The enumeration value of a raw value text, nothing for any other text.
template <typename E>
std::optional<E> fromRawValue(std::string_view text);

// Exactly the seven raw values, case-sensitive.
template <>
std::optional<AppearanceTheme> fromRawValue<AppearanceTheme>(std::string_view text);

namespace AppearanceThemes {

// Every theme, in the order the settings list them.
inline constexpr std::array<AppearanceTheme, 7> allCases = {
    AppearanceTheme::system,      AppearanceTheme::light,  AppearanceTheme::dark,
    AppearanceTheme::midnight,    AppearanceTheme::sakura, AppearanceTheme::ocean,
    AppearanceTheme::highContrast};

// The theme a saved text names; any text that is not exactly a raw value
// (another case, an old or unknown name) gives `system`.
AppearanceTheme fromSavedValue(std::string_view savedValue);

// The user-defaults key of the chosen theme: its raw value as a text.
inline constexpr std::string_view preferenceKey = "appearanceTheme";

// The chosen theme: the text under preferenceKey read by fromSavedValue;
// `system` when there is none or the stored value is not a text. Never
// fails.
AppearanceTheme saved(const platform::UserDefaults& store);

// True when preferenceKey holds a text, so that the archive's old value
// is not consulted any more.
bool isSaved(const platform::UserDefaults& store);

// Stores the theme's raw value text under preferenceKey.
void save(AppearanceTheme theme, platform::UserDefaults& store);

// The chosen theme, moving it from the archive once: when the preference
// holds a text, saved(store), and `archiveAppearance` is not looked at;
// otherwise, when `archiveAppearance` is given (Archive::appearance of an
// archive that could be read), the theme it names (fromSavedValue) is saved
// as the preference and returned; with neither, `system`, and nothing is
// stored, so that an archive read later can still hand its theme over.
AppearanceTheme savedOrAdopted(platform::UserDefaults& store,
                               std::optional<std::string_view> archiveAppearance);

}  // namespace AppearanceThemes
}  // namespace tavro
