#include "TavroCore/settings/SpeedUnit.h"

#include <cmath>
#include <string>

namespace tavro {

namespace SpeedUnits {

SpeedUnit defaultUnit(TavroLanguage language) {
  return language == TavroLanguage::english ? SpeedUnit::wordsPerMinute : SpeedUnit::keysPerMinute;
}

SpeedUnit saved(const platform::UserDefaults& store, TavroLanguage language) {
  std::optional<std::string> text = store.string(preferenceKey);
  if (!text) return defaultUnit(language);
  return fromRawValue<SpeedUnit>(*text).value_or(defaultUnit(language));
}

void save(SpeedUnit unit, platform::UserDefaults& store) {
  store.set(preferenceKey, std::string(rawValue(unit)));
}

double shown(double keysPerMinute, SpeedUnit unit) {
  if (unit == SpeedUnit::keysPerMinute || !std::isfinite(keysPerMinute)) return keysPerMinute;
  return keysPerMinute / keysPerWord;
}

}  // namespace SpeedUnits

}  // namespace tavro
