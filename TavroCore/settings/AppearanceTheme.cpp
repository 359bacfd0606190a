#include "TavroCore/settings/AppearanceTheme.h"

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

}  // namespace AppearanceThemes
}  // namespace tavro
