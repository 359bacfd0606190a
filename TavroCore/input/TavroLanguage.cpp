#include "TavroCore/input/TavroLanguage.h"

namespace tavro {

std::string_view rawValue(TavroLanguage language) {
  switch (language) {
    case TavroLanguage::japanese:
      return "japanese";
    case TavroLanguage::english:
      return "english";
    case TavroLanguage::nepali:
      return "nepali";
  }
  return "japanese";  // not reached: every case returns
}

template <>
std::optional<TavroLanguage> fromRawValue<TavroLanguage>(std::string_view text) {
  for (TavroLanguage language : TavroLanguages::allCases) {
    if (rawValue(language) == text) return language;
  }
  return std::nullopt;
}

}  // namespace tavro
