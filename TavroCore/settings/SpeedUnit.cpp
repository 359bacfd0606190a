#include "TavroCore/settings/SpeedUnit.h"

#include <cmath>
#include <string>

namespace tavro {

std::string_view rawValue(SpeedUnit unit) {
  switch (unit) {
    case SpeedUnit::keysPerMinute:
      return "keysPerMinute";
    case SpeedUnit::wordsPerMinute:
      return "wordsPerMinute";
  }
  return "keysPerMinute";  // not reached: every case returns
}

template <>
std::optional<SpeedUnit> fromRawValue<SpeedUnit>(std::string_view text) {
  for (SpeedUnit unit : SpeedUnits::allCases) {
    if (rawValue(unit) == text) return unit;
  }
  return std::nullopt;
}

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
