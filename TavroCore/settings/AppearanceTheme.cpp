#include "TavroCore/settings/AppearanceTheme.h"

#include <string>

namespace tavro {

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
