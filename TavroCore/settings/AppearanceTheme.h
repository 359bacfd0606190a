// The colour themes of the interface. A theme's raw value is also its
// English name, and it is what the score archive keeps as its appearance.
// "System" follows the operating system's light or dark appearance; the
// colours themselves are the host's.
#pragma once

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

}  // namespace AppearanceThemes
}  // namespace tavro
