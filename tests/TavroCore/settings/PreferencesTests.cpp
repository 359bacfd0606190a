#include "Platform/UserDefaults.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SettingsCatalog.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using platform::DefaultsData;
using platform::DefaultsValue;
using platform::InMemoryUserDefaults;

TEST(TavroLanguagePreference, DescribesEachLanguage) {
  struct Row {
    TavroLanguage language;
    std::string_view label;
    std::string_view mode;
    bool romanized;
  };
  const Row rows[] = {{TavroLanguage::japanese, "Japanese", "romaji", true},
                      {TavroLanguage::english, "English", "english", false},
                      {TavroLanguage::nepali, "Nepali", "nepali", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(TavroLanguages::label(row.language), row.label);
    EXPECT_EQ(TavroLanguages::mode(row.language), row.mode);
    EXPECT_EQ(TavroLanguages::showsRomanizedPrompt(row.language), row.romanized);
    EXPECT_EQ(TavroLanguages::fromMode(row.mode), row.language);
  }
  for (std::string_view mode : {"english-direct", "nepali-direct", "kana", "guided-romaji",
                                "kana-custom", "numpad", "English", "", "nepali "}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(TavroLanguages::fromMode(mode), TavroLanguage::japanese);
  }
}

TEST(TavroLanguagePreference, ReadsOnlyAnExactRawValueText) {
  struct Row {
    const char* name;
    std::optional<DefaultsValue> stored;
    TavroLanguage expected;
  };
  const std::vector<Row> rows = {
      {"absent", std::nullopt, TavroLanguage::japanese},
      {"english", DefaultsValue{std::string("english")}, TavroLanguage::english},
      {"nepali", DefaultsValue{std::string("nepali")}, TavroLanguage::nepali},
      {"capitalised", DefaultsValue{std::string("Nepali")}, TavroLanguage::japanese},
      {"padded", DefaultsValue{std::string("nepali ")}, TavroLanguage::japanese},
      {"integer", DefaultsValue{std::int64_t{1}}, TavroLanguage::japanese},
      {"Boolean", DefaultsValue{true}, TavroLanguage::japanese},
      {"bytes of the text", DefaultsValue{DefaultsData{'n', 'e', 'p', 'a', 'l', 'i'}},
       TavroLanguage::japanese},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InMemoryUserDefaults store;
    if (row.stored) store.setValue(TavroLanguages::preferenceKey, *row.stored);
    EXPECT_EQ(TavroLanguages::saved(store), row.expected);
  }
  InMemoryUserDefaults store;
  for (TavroLanguage language : TavroLanguages::allCases) {
    TavroLanguages::save(language, store);
    EXPECT_EQ(store.string("practiceTavroLanguage"), std::string(rawValue(language)));
    EXPECT_EQ(TavroLanguages::saved(store), language);
  }
}

TEST(TavroLanguagePreference, RomajiSwitchIsPerLanguageAndDefaultsToShown) {
  struct Row {
    const char* name;
    TavroLanguage language;
    const char* key;
    std::optional<DefaultsValue> stored;
    bool expected;
  };
  const std::vector<Row> rows = {
      {"japanese absent", TavroLanguage::japanese, "practiceShowRomaji.japanese", std::nullopt,
       true},
      {"japanese off", TavroLanguage::japanese, "practiceShowRomaji.japanese", DefaultsValue{false},
       false},
      {"japanese integer 0", TavroLanguage::japanese, "practiceShowRomaji.japanese",
       DefaultsValue{std::int64_t{0}}, true},
      {"nepali text no", TavroLanguage::nepali, "practiceShowRomaji.nepali",
       DefaultsValue{std::string("no")}, true},
      {"nepali off", TavroLanguage::nepali, "practiceShowRomaji.nepali", DefaultsValue{false},
       false},
      {"nepali reads its own key", TavroLanguage::nepali, "practiceShowRomaji.japanese",
       DefaultsValue{false}, true},
      {"english ignores any key", TavroLanguage::english, "practiceShowRomaji.english",
       DefaultsValue{true}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InMemoryUserDefaults store;
    if (row.stored) store.setValue(row.key, *row.stored);
    EXPECT_EQ(TavroLanguages::savedShowRomaji(row.language, store), row.expected);
  }

  InMemoryUserDefaults store;
  TavroLanguages::saveShowRomaji(TavroLanguage::nepali, false, store);
  TavroLanguages::saveShowRomaji(TavroLanguage::japanese, true, store);
  EXPECT_EQ(store.boolean("practiceShowRomaji.nepali"), false);
  EXPECT_EQ(store.boolean("practiceShowRomaji.japanese"), true);
  EXPECT_FALSE(TavroLanguages::savedShowRomaji(TavroLanguage::nepali, store));

  InMemoryUserDefaults untouched;
  TavroLanguages::saveShowRomaji(TavroLanguage::english, false, untouched);
  TavroLanguages::saveShowRomaji(TavroLanguage::english, true, untouched);
  EXPECT_TRUE(untouched.keys().empty());
  EXPECT_FALSE(TavroLanguages::savedShowRomaji(TavroLanguage::english, untouched));
}

TEST(AppearanceTheme, RawValuesAreTheEnglishNamesInOrder) {
  std::vector<std::string_view> names;
  for (AppearanceTheme theme : AppearanceThemes::allCases) {
    names.push_back(rawValue(theme));
    EXPECT_EQ(fromRawValue<AppearanceTheme>(rawValue(theme)), theme);
    EXPECT_EQ(AppearanceThemes::fromSavedValue(rawValue(theme)), theme);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{"System", "Light", "Dark", "Midnight", "Sakura",
                                                  "Ocean", "High Contrast"}));
  for (std::string_view text : {"high contrast", "HighContrast", "dark", "", "High Contrast "}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(fromRawValue<AppearanceTheme>(text), std::nullopt);
    EXPECT_EQ(AppearanceThemes::fromSavedValue(text), AppearanceTheme::system);
  }
}

TEST(SettingsCatalog, HoldsTheWindowFacts) {
  EXPECT_EQ(SettingsCatalog::width, 740.0);
  EXPECT_EQ(SettingsCatalog::height, 540.0);
  EXPECT_EQ(SettingsCatalog::keyboardHeight, 660.0);
  EXPECT_EQ(SettingsCatalog::sections.front(), "General");
  EXPECT_EQ(SettingsCatalog::sections[3], "BRELVA Account");
  EXPECT_EQ(SettingsCatalog::sections.back(), "About");
  const boost::urls::url& link = SettingsCatalog::supportURL();
  EXPECT_EQ(link.buffer(), configuration::supportLink());
  EXPECT_EQ(link.scheme(), "https");
  EXPECT_FALSE(link.host().empty());
  EXPECT_EQ(&SettingsCatalog::supportURL(), &link);  // built once
}

}  // namespace
}  // namespace tavro
