#include "Platform/UserDefaults.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/GuideSpelling.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SettingsCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

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

// The theme is read like every other preference, never failing; the
// archive's old value is adopted once, and only while the preference holds
// no text.
TEST(AppearanceTheme, PreferenceAdoptsTheArchiveThemeOnce) {
  struct Case {
    const char* name;
    std::optional<DefaultsValue> stored;
    std::optional<std::string_view> archive;
    AppearanceTheme expected;
    std::optional<std::string> storedAfter;
  };
  const Case cases[] = {
      {"nothing anywhere", std::nullopt, std::nullopt, AppearanceTheme::system, std::nullopt},
      {"archive only", std::nullopt, "Sakura", AppearanceTheme::sakura, "Sakura"},
      {"archive with an unknown name", std::nullopt, "Neon", AppearanceTheme::system, "System"},
      {"preference wins", DefaultsValue{std::string("Dark")}, "Sakura", AppearanceTheme::dark,
       "Dark"},
      {"unknown preference text", DefaultsValue{std::string("dark")}, "Sakura",
       AppearanceTheme::system, "dark"},
      {"preference of another type", DefaultsValue{true}, "Midnight", AppearanceTheme::midnight,
       "Midnight"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InMemoryUserDefaults store;
    if (c.stored) store.setValue(AppearanceThemes::preferenceKey, *c.stored);
    EXPECT_EQ(AppearanceThemes::savedOrAdopted(store, c.archive), c.expected);
    EXPECT_EQ(store.string(AppearanceThemes::preferenceKey), c.storedAfter);
    EXPECT_EQ(AppearanceThemes::saved(store), c.expected);
    EXPECT_EQ(AppearanceThemes::isSaved(store), c.storedAfter.has_value());
  }

  // Once adopted, a later archive (say, a damaged one replaced by a new
  // one with the default theme) no longer changes the theme.
  InMemoryUserDefaults store;
  EXPECT_EQ(AppearanceThemes::savedOrAdopted(store, "High Contrast"), AppearanceTheme::highContrast);
  EXPECT_EQ(AppearanceThemes::savedOrAdopted(store, "System"), AppearanceTheme::highContrast);
  AppearanceThemes::save(AppearanceTheme::light, store);
  EXPECT_EQ(store.string("appearanceTheme"), "Light");
  EXPECT_EQ(AppearanceThemes::savedOrAdopted(store, std::nullopt), AppearanceTheme::light);
}

TEST(GuideSpelling, PreferenceDefaultsToHepburn) {
  InMemoryUserDefaults store;
  EXPECT_EQ(GuideSpelling::saved(store), RomajiStyle::hepburn);
  for (RomajiStyle style : RomajiStyles::allCases) {
    SCOPED_TRACE(std::string(rawValue(style)));
    GuideSpelling::save(style, store);
    EXPECT_EQ(store.string("romajiGuideStyle"), std::string(rawValue(style)));
    EXPECT_EQ(GuideSpelling::saved(store), style);
  }
  for (const DefaultsValue& bad : {DefaultsValue{std::string("Kunrei")}, DefaultsValue{true},
                                   DefaultsValue{std::int64_t{1}}}) {
    store.setValue("romajiGuideStyle", bad);
    EXPECT_EQ(GuideSpelling::saved(store), RomajiStyle::hepburn);
  }
}

TEST(SpeedUnit, DefaultDependsOnTheLanguageAndOnlyTheShownFigureChanges) {
  InMemoryUserDefaults store;
  struct Case {
    TavroLanguage language;
    SpeedUnit expected;
  };
  const Case defaults[] = {{TavroLanguage::english, SpeedUnit::wordsPerMinute},
                           {TavroLanguage::japanese, SpeedUnit::keysPerMinute},
                           {TavroLanguage::nepali, SpeedUnit::keysPerMinute}};
  for (const Case& c : defaults) {
    SCOPED_TRACE(std::string(rawValue(c.language)));
    EXPECT_EQ(SpeedUnits::saved(store, c.language), c.expected);
    store.set("speedUnit", std::string("WPM"));  // not a raw value: the default again
    EXPECT_EQ(SpeedUnits::saved(store, c.language), c.expected);
    store.set("speedUnit", true);
    EXPECT_EQ(SpeedUnits::saved(store, c.language), c.expected);
    store.removeValue("speedUnit");
  }
  // A chosen unit holds for every language.
  SpeedUnits::save(SpeedUnit::keysPerMinute, store);
  EXPECT_EQ(store.string("speedUnit"), "keysPerMinute");
  EXPECT_EQ(SpeedUnits::saved(store, TavroLanguage::english), SpeedUnit::keysPerMinute);
  SpeedUnits::save(SpeedUnit::wordsPerMinute, store);
  EXPECT_EQ(store.string("speedUnit"), "wordsPerMinute");
  EXPECT_EQ(SpeedUnits::saved(store, TavroLanguage::japanese), SpeedUnit::wordsPerMinute);

  EXPECT_EQ(SpeedUnits::shown(300, SpeedUnit::keysPerMinute), 300);
  EXPECT_EQ(SpeedUnits::shown(300, SpeedUnit::wordsPerMinute), 60);
  EXPECT_EQ(SpeedUnits::shown(0, SpeedUnit::wordsPerMinute), 0);
  EXPECT_EQ(SpeedUnits::shown(INFINITY, SpeedUnit::wordsPerMinute), INFINITY);
  for (SpeedUnit unit : SpeedUnits::allCases)
    EXPECT_EQ(fromRawValue<SpeedUnit>(rawValue(unit)), unit);
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
