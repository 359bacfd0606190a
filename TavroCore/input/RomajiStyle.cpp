#include "TavroCore/input/RomajiStyle.h"

namespace tavro {

std::string_view rawValue(RomajiStyle style) {
  switch (style) {
    case RomajiStyle::hepburn:
      return "hepburn";
    case RomajiStyle::kunrei:
      return "kunrei";
    case RomajiStyle::fewestKeys:
      return "fewestKeys";
  }
  return "hepburn";  // not reached: every case returns
}

template <>
std::optional<RomajiStyle> fromRawValue<RomajiStyle>(std::string_view text) {
  for (RomajiStyle style : RomajiStyles::allCases) {
    if (rawValue(style) == text) return style;
  }
  return std::nullopt;
}

}  // namespace tavro
