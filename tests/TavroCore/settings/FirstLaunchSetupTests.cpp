#include "TavroCore/settings/FirstLaunchSetup.h"

#include "Platform/UserDefaults.h"
#include "Support/Json.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavro {
namespace {

using platform::DefaultsData;
using platform::DefaultsValue;
using platform::InMemoryUserDefaults;

DefaultsData bytes(std::string_view text) {
  return DefaultsData(text.begin(), text.end());
}

TEST(SetupStep, MovesWithinTheFiveScreensOnly) {
  constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t smallest = std::numeric_limits<std::int64_t>::min();
  struct Row {
    SetupStep from;
    std::int64_t offset;
    SetupStep expected;
  };
  const Row rows[] = {
      {SetupStep::appearance, 1, SetupStep::account},
      {SetupStep::account, 1, SetupStep::account},
      {SetupStep::welcome, -1, SetupStep::welcome},
      {SetupStep::welcome, 4, SetupStep::account},
      {SetupStep::account, -4, SetupStep::welcome},
      {SetupStep::welcome, 5, SetupStep::welcome},
      {SetupStep::keyboard, 0, SetupStep::keyboard},
      {SetupStep::guidance, -2, SetupStep::welcome},
      {SetupStep::welcome, largest, SetupStep::welcome},
      {SetupStep::account, largest, SetupStep::account},
      {SetupStep::account, smallest, SetupStep::account},
      {SetupStep::welcome, smallest, SetupStep::welcome},
      {SetupStep::guidance, largest - 1, SetupStep::guidance},
      {SetupStep::guidance, smallest + 1, SetupStep::guidance},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(rawValue(row.from)) + " by " + std::to_string(row.offset));
    EXPECT_EQ(SetupSteps::moving(row.from, row.offset), row.expected);
  }
  for (std::int64_t raw : {std::int64_t{0}, std::int64_t{6}, std::int64_t{-1}, largest, smallest}) {
    EXPECT_EQ(SetupSteps::fromRawValue(raw), std::nullopt);
  }
  for (SetupStep step : SetupSteps::allCases)
    EXPECT_EQ(SetupSteps::fromRawValue(rawValue(step)), step);
}

TEST(FirstLaunchSetup, DecidesWhetherToPresentByTheFirstRuleThatApplies) {
  struct Row {
    const char* name;
    bool hasArchive;
    std::vector<std::pair<std::string, DefaultsValue>> stored;
    bool expected;
  };
  const std::vector<Row> rows = {
      {"fresh install", false, {}, true},
      {"archive exists", true, {}, false},
      {"archive beats a started setup", true, {{"firstLaunchSetupStarted", true}}, false},
      {"completed", false, {{"firstLaunchSetupCompleted", true}}, false},
      {"completed beats started",
       false,
       {{"firstLaunchSetupCompleted", true}, {"firstLaunchSetupStarted", true}},
       false},
      {"started with earlier preferences",
       false,
       {{"firstLaunchSetupStarted", true}, {"practiceJLPTLevel", std::string("N3")}},
       true},
      {"earlier JLPT level only", false, {{"practiceJLPTLevel", std::string("N3")}}, false},
      {"earlier level of a wrong type", false, {{"practiceJLPTLevel", std::int64_t{3}}}, false},
      {"earlier account state", false, {{"tavroAccountState", DefaultsData{1}}}, false},
      {"earlier Nepali switch", false, {{"practiceShowRomaji.nepali", false}}, false},
      {"completed stored as text",
       false,
       {{"firstLaunchSetupCompleted", std::string("true")}},
       true},
      {"completed false", false, {{"firstLaunchSetupCompleted", false}}, true},
      {"started as integer, with a preference",
       false,
       {{"firstLaunchSetupStarted", std::int64_t{1}}, {"practiceDirectKeyboardMode", false}},
       false},
      {"unrelated key", false, {{"somethingElse", true}}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InMemoryUserDefaults store;
    for (const auto& [key, value] : row.stored) store.setValue(key, value);
    EXPECT_EQ(FirstLaunchSetup::shouldPresent(row.hasArchive, store), row.expected);
  }
}

TEST(FirstLaunchSetup, WalksFromStartedToCompleted) {
  InMemoryUserDefaults store;
  store.set("unrelated", 7);
  ASSERT_TRUE(FirstLaunchSetup::shouldPresent(false, store));
  FirstLaunchSetup::markStarted(store);
  EXPECT_EQ(store.boolean("firstLaunchSetupStarted"), true);

  FirstLaunchSetup setup;
  setup.language = TavroLanguage::nepali;
  setup.showRomaji = false;
  setup.showKeyboardGuide = false;
  setup.theme = AppearanceTheme::ocean;
  setup.step = SetupStep::guidance;
  setup.saveDraft(store);
  // Quitting and starting again: still shown, resumed at the saved step.
  EXPECT_TRUE(FirstLaunchSetup::shouldPresent(false, store));
  EXPECT_EQ(FirstLaunchSetup::draft(store), setup);

  setup.complete(store);
  EXPECT_EQ(store.string("practiceTavroLanguage"), "nepali");
  EXPECT_EQ(store.boolean("practiceShowRomaji.japanese"), false);  // whatever the language
  EXPECT_EQ(store.value("practiceShowRomaji.nepali"), std::nullopt);
  EXPECT_EQ(store.boolean("showJapaneseKeyboardGuide"), false);
  // The theme is a preference now, so a damaged archive cannot take it.
  EXPECT_EQ(store.string("appearanceTheme"), "Ocean");
  EXPECT_EQ(store.boolean("firstLaunchSetupCompleted"), true);
  EXPECT_EQ(store.value("guidedSetupDraft"), std::nullopt);
  EXPECT_EQ(store.value("firstLaunchSetupStarted"), std::nullopt);
  EXPECT_EQ(store.integer("unrelated"), 7);
  EXPECT_FALSE(FirstLaunchSetup::shouldPresent(false, store));
  EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});
}

TEST(FirstLaunchSetup, EncodesTheDraftDocument) {
  FirstLaunchSetup setup;
  EXPECT_EQ(setup.encode(),
            R"({"language":"japanese","usesJIS":false,"theme":"System","showRomaji":true,)"
            R"("showKeyboardGuide":true,"step":1})");
  setup.language = TavroLanguage::english;
  setup.usesJIS = true;
  setup.theme = AppearanceTheme::highContrast;
  setup.practiceSound = "Soft Tap";
  setup.step = SetupStep::account;
  EXPECT_EQ(setup.encode(),
            R"({"language":"english","usesJIS":true,"theme":"High Contrast","showRomaji":true,)"
            R"("showKeyboardGuide":true,"practiceSound":"Soft Tap","step":5})");
  EXPECT_EQ(FirstLaunchSetup::decode(setup.encode()), setup);
}

TEST(FirstLaunchSetup, FallsBackToTheDefaultsForAnyDraftItCannotRead) {
  const std::string valid =
      R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":3})";
  struct Row {
    const char* name;
    std::string json;
  };
  const std::vector<Row> rows = {
      {"step 7",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":7})"},
      {"step 0",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":0})"},
      {"step 2.5",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":2.5})"},
      {"step as text",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":"3"})"},
      {"step missing",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true})"},
      {"capitalised language",
       R"({"language":"English","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":3})"},
      {"lower-case theme",
       R"({"language":"english","usesJIS":true,"theme":"ocean","showRomaji":false,"showKeyboardGuide":true,"step":3})"},
      {"layout as integer",
       R"({"language":"english","usesJIS":1,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"step":3})"},
      {"null flag",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":null,"showKeyboardGuide":true,"step":3})"},
      {"sound as number",
       R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,"showKeyboardGuide":true,"practiceSound":3,"step":3})"},
      {"not an object", "[1]"},
      {"empty", ""},
      {"not JSON", valid.substr(0, valid.size() - 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(FirstLaunchSetup::decode(row.json), json::DecodingError);
    InMemoryUserDefaults store;
    store.set("guidedSetupDraft", bytes(row.json));
    EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});
  }

  InMemoryUserDefaults store;
  store.set("guidedSetupDraft", DefaultsData{});  // no bytes at all
  EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});
  store.set("guidedSetupDraft", valid);  // the right document, stored as text instead of data
  EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});
  std::string padded = valid;
  padded.insert(1, FirstLaunchSetup::maximumDraftSize, ' ');
  store.set("guidedSetupDraft", bytes(padded));
  EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});

  // What may vary: a null or missing sound, unknown keys, a step written as 3.0.
  store.set("guidedSetupDraft",
            bytes(R"({"language":"english","usesJIS":true,"theme":"Ocean","showRomaji":false,)"
                  R"("showKeyboardGuide":true,"practiceSound":null,"step":3.0,"later":{}})"));
  FirstLaunchSetup expected;
  expected.language = TavroLanguage::english;
  expected.usesJIS = true;
  expected.theme = AppearanceTheme::ocean;
  expected.showRomaji = false;
  expected.step = SetupStep::guidance;
  EXPECT_EQ(FirstLaunchSetup::draft(store), expected);
}

TEST(FirstLaunchSetup, ASoundThatCannotBeEncodedRemovesTheDraft) {
  InMemoryUserDefaults store;
  FirstLaunchSetup setup;
  setup.step = SetupStep::keyboard;
  setup.saveDraft(store);
  ASSERT_TRUE(store.data("guidedSetupDraft").has_value());
  setup.practiceSound = std::string("\xFF\xFE");
  setup.saveDraft(store);
  EXPECT_EQ(store.value("guidedSetupDraft"), std::nullopt);
  EXPECT_EQ(FirstLaunchSetup::draft(store), FirstLaunchSetup{});
}

TEST(FirstLaunchSetup, AppliesLayoutThemeAndChosenSoundToTheArchive) {
  Archive archive;
  archive.sound = "Mute";
  archive.english = true;
  archive.duration = 120;
  archive.errors["a"] = 3;

  FirstLaunchSetup setup;
  setup.usesJIS = true;
  setup.theme = AppearanceTheme::highContrast;
  Archive applied = setup.applying(archive);
  EXPECT_EQ(applied.appearance, "High Contrast");
  EXPECT_EQ(applied.sound, "Mute");  // no sound chosen: the archive's own
  EXPECT_TRUE(applied.jis);
  EXPECT_TRUE(applied.english);
  EXPECT_EQ(applied.duration, 120);
  EXPECT_EQ(applied.errors, archive.errors);

  setup.practiceSound = "Soft Tap";
  setup.usesJIS = false;
  archive.jis = true;
  applied = setup.applying(archive);
  EXPECT_EQ(applied.sound, "Soft Tap");
  EXPECT_FALSE(applied.jis);
  EXPECT_EQ(archive.sound, "Mute");  // the original is a separate value
}

}  // namespace
}  // namespace tavro
