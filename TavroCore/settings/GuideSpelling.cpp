#include "TavroCore/settings/GuideSpelling.h"

#include <string>

namespace tavro::GuideSpelling {

RomajiStyle saved(const platform::UserDefaults& store) {
  std::optional<std::string> text = store.string(preferenceKey);
  if (!text) return RomajiStyles::defaultStyle;
  return fromRawValue<RomajiStyle>(*text).value_or(RomajiStyles::defaultStyle);
}

void save(RomajiStyle style, platform::UserDefaults& store) {
  store.set(preferenceKey, std::string(rawValue(style)));
}

}  // namespace tavro::GuideSpelling
