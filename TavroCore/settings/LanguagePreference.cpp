#include "TavroCore/settings/LanguagePreference.h"

namespace tavro::TavroLanguages {

TavroLanguage fromMode(std::string_view mode) {
  if (mode == "english") return TavroLanguage::english;
  if (mode == "nepali") return TavroLanguage::nepali;
  return TavroLanguage::japanese;
}

std::string_view label(TavroLanguage language) {
  switch (language) {
    case TavroLanguage::japanese:
      return "Japanese";
    case TavroLanguage::english:
      return "English";
    case TavroLanguage::nepali:
      return "Nepali";
  }
  return "Japanese";  // not reached: every case returns
}

std::string_view mode(TavroLanguage language) {
  switch (language) {
    case TavroLanguage::japanese:
      return "romaji";
    case TavroLanguage::english:
      return "english";
    case TavroLanguage::nepali:
      return "nepali";
  }
  return "romaji";  // not reached: every case returns
}

bool showsRomanizedPrompt(TavroLanguage language) {
  return language != TavroLanguage::english;
}

TavroLanguage saved(const platform::UserDefaults& store) {
  std::optional<std::string> text = store.string(preferenceKey);
  if (!text) return TavroLanguage::japanese;
  return fromRawValue<TavroLanguage>(*text).value_or(TavroLanguage::japanese);
}

void save(TavroLanguage language, platform::UserDefaults& store) {
  store.set(preferenceKey, std::string(rawValue(language)));
}

std::optional<std::string> showRomajiKey(TavroLanguage language) {
  if (language == TavroLanguage::english) return std::nullopt;
  std::string key = "practiceShowRomaji.";
  key.append(rawValue(language));
  return key;
}

bool savedShowRomaji(TavroLanguage language, const platform::UserDefaults& store) {
  std::optional<std::string> key = showRomajiKey(language);
  if (!key) return false;
  return store.boolean(*key).value_or(true);
}

void saveShowRomaji(TavroLanguage language, bool show, platform::UserDefaults& store) {
  if (std::optional<std::string> key = showRomajiKey(language)) store.set(*key, show);
}

}  // namespace tavro::TavroLanguages
