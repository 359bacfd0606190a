#include "TavroCore/settings/AppearanceTheme.h"

#include <string>

namespace tavro {

std::string_view rawValue(AppearanceTheme theme) {
  switch (theme) {
    case AppearanceTheme::system:
      return "System";
    case AppearanceTheme::light:
      return "Light";
    case AppearanceTheme::dark:
      return "Dark";
    case AppearanceTheme::midnight:
      return "Midnight";
    case AppearanceTheme::sakura:
      return "Sakura";
    case AppearanceTheme::ocean:
      return "Ocean";
    case AppearanceTheme::highContrast:
      return "High Contrast";
  }
  return "System";  // not reached: every case returns
}

template <>
std::optional<AppearanceTheme> fromRawValue<AppearanceTheme>(std::string_view text) {
  for (AppearanceTheme theme : AppearanceThemes::allCases) {
    if (rawValue(theme) == text) return theme;
  }
  return std::nullopt;
}

namespace AppearanceThemes {

AppearanceTheme fromSavedValue(std::string_view savedValue) {
  return fromRawValue<AppearanceTheme>(savedValue).value_or(AppearanceTheme::system);
}

AppearanceTheme saved(const platform::UserDefaults& store) {
  std::optional<std::string> text = store.string(preferenceKey);
  return text ? fromSavedValue(*text) : AppearanceTheme::system;
}

bool isSaved(const platform::UserDefaults& store) {
  return store.string(preferenceKey).has_value();
}

void save(AppearanceTheme theme, platform::UserDefaults& store) {
  store.set(preferenceKey, std::string(rawValue(theme)));
}

AppearanceTheme savedOrAdopted(platform::UserDefaults& store,
                               std::optional<std::string_view> archiveAppearance) {
  if (std::optional<std::string> text = store.string(preferenceKey)) return fromSavedValue(*text);
  if (!archiveAppearance) return AppearanceTheme::system;
  AppearanceTheme theme = fromSavedValue(*archiveAppearance);
  save(theme, store);
  return theme;
}

}  // namespace AppearanceThemes
}  // namespace tavro
