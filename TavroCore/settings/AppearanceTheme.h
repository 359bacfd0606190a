// The colour themes of the interface and the chosen theme as a preference.
// A theme's raw value is also its English name and its stored form. Older
// versions kept the theme in the score archive ("appearance"), where a
// damaged archive took it with it; it is now a preference, and the
// archive's value is read once, when the preference holds none. "System"
// follows the operating system's light or dark appearance; the colours
// themselves are the host's.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class AppearanceTheme { system, light, dark, midnight, sakura, ocean, highContrast };

// Each theme's English name, in the order the settings list them.
// clang-format off
template <>
struct RawValues<AppearanceTheme> {
  using enum AppearanceTheme;
  static constexpr RawValueTable<AppearanceTheme, 7> cases = {
      {{system, "System"}, {light, "Light"}, {dark, "Dark"}, {midnight, "Midnight"},
       {sakura, "Sakura"}, {ocean, "Ocean"}, {highContrast, "High Contrast"}}};
};
// clang-format on

namespace AppearanceThemes {

// Every theme, in the order the settings list them.
inline constexpr std::array<AppearanceTheme, 7> allCases = allCasesOf<AppearanceTheme>();

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
