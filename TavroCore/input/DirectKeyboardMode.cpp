#include "TavroCore/input/DirectKeyboardMode.h"

namespace tavro::DirectKeyboardMode {

bool saved(const platform::UserDefaults& store) { return store.boolean(preferenceKey).value_or(false); }

void save(bool enabled, platform::UserDefaults& store) { store.set(preferenceKey, enabled); }

bool applies(TavroLanguage language, bool enabled) {
  return enabled && (language == TavroLanguage::english || language == TavroLanguage::nepali);
}

std::string scoreMode(TavroLanguage language, bool enabled) {
  std::string mode = language == TavroLanguage::japanese ? "romaji"
                     : language == TavroLanguage::english ? "english"
                                                          : "nepali";
  if (applies(language, enabled)) mode += "-direct";
  return mode;
}

}  // namespace tavro::DirectKeyboardMode
