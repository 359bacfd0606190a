#include "Platform/UserDefaults.h"
#include "TavroCore/input/DirectKeyboardMode.h"
#include "TavroCore/input/FingerJson.h"
#include "TavroCore/input/KeyLookAhead.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/NativeKeyOutput.h"
#include "TavroCore/input/SelectedKeyboard.h"
#include "TavroCore/input/TrainingInputPolicy.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using Inputs = std::set<std::string>;
const std::string kShiftZero(Keyboard::jisShiftZero);

TEST(Keyboard, RowsOfBothLayouts) {
  const auto& us = Keyboard::rows(false);
  const auto& jis = Keyboard::rows(true);
  ASSERT_EQ(us.size(), 4u);
  ASSERT_EQ(jis.size(), 4u);
  std::vector<std::size_t> usSizes, jisSizes;
  for (const auto& row : us) usSizes.push_back(row.size());
  for (const auto& row : jis) jisSizes.push_back(row.size());
  EXPECT_EQ(usSizes, (std::vector<std::size_t>{13, 13, 11, 10}));
  EXPECT_EQ(jisSizes, (std::vector<std::size_t>{13, 12, 12, 11}));
  EXPECT_EQ(us[0].front(), "`");
  EXPECT_EQ(us[1].back(), "\\");
  EXPECT_EQ(jis[0].back(), "¥");
  EXPECT_EQ(jis[3].back(), "\\");
  EXPECT_EQ(SelectedKeyboard{true}.rows(), jis);
  EXPECT_EQ(SelectedKeyboard{true}.name(), "JIS");
  EXPECT_EQ(SelectedKeyboard{false}.name(), "ANSI");
}

TEST(Keyboard, PhysicalKeysKnowFortyNineCodesPerLayout) {
  for (bool jis : {false, true}) {
    int known = 0;
    for (int code = 0; code <= 0xFFFF; ++code) known += Keyboard::physicalKey(static_cast<std::uint16_t>(code), jis) ? 1 : 0;
    EXPECT_EQ(known, 49) << (jis ? "JIS" : "US");
  }
  struct Row {
    std::uint16_t code;
    std::optional<std::string> us;
    std::optional<std::string> jis;
  };
  const Row rows[] = {
      {0, "a", "a"},     {4, "h", "h"},       {22, "6", "6"},  {24, "=", "^"},   {30, "]", "["},
      {33, "[", "@"},    {39, "'", ":"},      {42, "\\", "]"}, {50, "`", "`"},   {93, "¥", "¥"},
      {94, "\\", "\\"},  {49, {}, {}},        {36, {}, {}},    {10, {}, {}},     {0xFFFF, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(Keyboard::physicalKey(row.code, false), row.us);
    EXPECT_EQ(Keyboard::physicalKey(row.code, true), row.jis);
  }
}

TEST(Keyboard, ShiftedKeysAndBaseKeys) {
  EXPECT_EQ(Keyboard::shiftedKeys(false).size(), 26u + 21u);
  EXPECT_EQ(Keyboard::shiftedKeys(true).size(), 26u + 22u);
  struct Row {
    std::string typed;
    bool jis;
    std::string base;
  };
  const Row rows[] = {
      {"A", false, "a"}, {"!", false, "1"}, {":", false, ";"}, {"|", false, "\\"}, {"~", false, "`"},
      {":", true, ":"},  {"*", true, ":"},  {kShiftZero, true, "0"}, {"`", true, "@"}, {"_", true, "\\"},
      {"\"", true, "2"}, {"a", true, "a"},  {"É", false, "é"}, {"", false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed + (row.jis ? " JIS" : " US"));
    EXPECT_EQ(Keyboard::baseKey(row.typed, row.jis), row.base);
  }
}

TEST(Keyboard, FingersByKey) {
  struct Row {
    std::string label;
    std::string mode;
    Finger finger;
  };
  const Row rows[] = {
      {"q", "romaji", Finger::leftPinky},  {"Z", "romaji", Finger::leftPinky},   {"w", "romaji", Finger::leftRing},
      {"c", "romaji", Finger::leftMiddle}, {"B", "romaji", Finger::leftIndex},   {"5", "romaji", Finger::leftIndex},
      {"m", "romaji", Finger::rightIndex}, {",", "romaji", Finger::rightMiddle}, {".", "romaji", Finger::rightRing},
      {"P", "romaji", Finger::rightPinky}, {"0", "romaji", Finger::rightPinky},  {";", "romaji", Finger::rightPinky},
      {" ", "romaji", Finger::thumb},      {"", "romaji", Finger::rightPinky},   {"@", "kana", Finger::rightPinky},
      {"7", "numpad", Finger::rightIndex}, {"/", "numpad", Finger::rightMiddle}, {"*", "numpad", Finger::rightRing},
      {"0", "numpad", Finger::thumb},      {"+", "numpad", Finger::rightPinky},  {"", "numpad", Finger::rightPinky},
      {"q", "numpad", Finger::rightPinky},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("'" + row.label + "' " + row.mode);
    EXPECT_EQ(Keyboard::finger(row.label, row.mode), row.finger);
  }
  EXPECT_EQ(Keyboard::finger("B"), Finger::leftIndex);
}

TEST(Finger, RawValuesRoundTrip) {
  for (Finger finger : Fingers::allCases) EXPECT_EQ(fromRawValue<Finger>(rawValue(finger)), finger);
  EXPECT_EQ(rawValue(Finger::rightPinky), "rightPinky");
  EXPECT_EQ(fromRawValue<Finger>("RightPinky"), std::nullopt);
  EXPECT_EQ(fromRawValue<Finger>(""), std::nullopt);

  EXPECT_EQ(json::encode(Fingers::json(Finger::leftRing)), "\"leftRing\"");
  json::Document document = json::Document::parse(R"({"a": "thumb", "b": "Thumb", "c": 3})");
  json::Object object = document.root().object();
  EXPECT_EQ(Fingers::decode(object.required("a")), Finger::thumb);
  EXPECT_THROW(Fingers::decode(object.required("b")), json::DecodingError);
  EXPECT_THROW(Fingers::decode(object.required("c")), json::DecodingError);
}

TEST(Keyboard, TargetsAreLitByTheirBaseKey) {
  EXPECT_TRUE(Keyboard::isTarget("1", {"!"}, "romaji", false));
  EXPECT_TRUE(Keyboard::isTarget("a", {"A", "x"}, "romaji", false));
  EXPECT_FALSE(Keyboard::isTarget("a", {"x"}, "romaji", false));
  EXPECT_TRUE(Keyboard::isTarget("0", {kShiftZero}, "kana", true));
  EXPECT_FALSE(Keyboard::isTarget("1", {"!"}, "numpad", false));
  EXPECT_TRUE(Keyboard::isTarget("1", {"1"}, "numpad", false));
  EXPECT_TRUE(SelectedKeyboard{true}.isTarget(":", {"*"}, "kana"));
  EXPECT_FALSE(SelectedKeyboard{false}.isTarget(":", {"*"}, "kana"));
}

TEST(SelectedKeyboard, ReadsKeystrokesByPhysicalKey) {
  SelectedKeyboard us{false};
  SelectedKeyboard jis{true};
  EXPECT_EQ(us.romajiInput(0, "ち", true), "A");  // whatever the input source typed
  EXPECT_EQ(us.romajiInput(0, "ち", false), "a");
  EXPECT_EQ(us.romajiInput(49, " ", false), " ");  // no label: the event's characters
  EXPECT_EQ(us.romajiInput(36, "\r", true), "\r");
  EXPECT_EQ(us.romajiInput(18, "", true), "!");
  EXPECT_EQ(jis.romajiInput(18, "", true), "!");
  EXPECT_EQ(jis.romajiInput(19, "", true), "\"");
  EXPECT_EQ(jis.romajiInput(29, "", true), kShiftZero);
  EXPECT_EQ(jis.kanaInput(29, "", true), kShiftZero);
  EXPECT_EQ(jis.kanaInput(6, "つ", true), "Z");
  EXPECT_EQ(jis.kanaInput(93, "", true), "|");
  EXPECT_EQ(us.kanaInput(49, "x", true), "X");  // no label: Shift still applies to the characters
  EXPECT_EQ(us.kanaInput(49, "  ", true), "  ");
}

TEST(NativeKeyOutput, MatchesOnBytesOfTheNormalisedText) {
  std::vector<std::string> candidates = {"नमस्ते", "namaste"};
  NativeKeyOutput virama{"\u094D", ""};
  EXPECT_TRUE(virama.matches(candidates, "नमस", false));
  EXPECT_FALSE(virama.matches(candidates, "नमस", true));  // an empty shifted output never matches
  EXPECT_FALSE(virama.matches(candidates, "नम", false));
  EXPECT_TRUE((NativeKeyOutput{"a", "A"}.matches(candidates, "nam", false)));
  EXPECT_FALSE((NativeKeyOutput{"a", "A"}.matches(candidates, "nam", true)));
  EXPECT_FALSE((NativeKeyOutput{"", ""}.matches(candidates, "", false)));
  EXPECT_FALSE((NativeKeyOutput{"n", "N"}.matches({}, "", false)));
}

TEST(KeyLookAhead, ShowsTheKeyAfterTheNextWithinTheKana) {
  struct Row {
    const char* prompt;
    const char* typed;
    Inputs ghost;
  };
  const Row rows[] = {
      {"か", "", {"a"}}, {"か", "k", {}},      {"か", "ka", {}},   {"きゃ", "k", {"a"}}, {"きゃ", "", {"y"}},
      {"し", "S", {}}, {"しゃ", "S", {"a"}}, {"かな", "ka", {"a"}}, {"かな", "x", {}}, {"日本", "", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.prompt) + " / " + row.typed);
    EXPECT_EQ(KeyLookAhead::ghost(row.prompt, row.typed), row.ghost);
  }
}

TEST(TrainingInputPolicy, AcceptsOnlyFocusedPracticeAndResults) {
  struct Row {
    const char* screen;
    bool settingsOpen;
    bool ownsFocus;
    bool accepts;
  };
  const Row rows[] = {
      {"practice", false, true, true}, {"results", false, true, true}, {"menu", false, true, false},
      {"Practice", false, true, false}, {"practice", true, true, false}, {"practice", false, false, false},
      {"", false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.screen);
    EXPECT_EQ(TrainingInputPolicy::accepts(row.screen, row.settingsOpen, row.ownsFocus), row.accepts);
  }
}

TEST(DirectKeyboardMode, StoresTheFlagAndPicksTheScoreMode) {
  platform::InMemoryUserDefaults store;
  EXPECT_FALSE(DirectKeyboardMode::saved(store));
  DirectKeyboardMode::save(true, store);
  EXPECT_TRUE(DirectKeyboardMode::saved(store));
  EXPECT_EQ(store.boolean("practiceDirectKeyboardMode"), true);
  DirectKeyboardMode::save(false, store);
  EXPECT_FALSE(DirectKeyboardMode::saved(store));
  store.set(DirectKeyboardMode::preferenceKey, "true");  // not a Boolean: falls back
  EXPECT_FALSE(DirectKeyboardMode::saved(store));

  struct Row {
    TavroLanguage language;
    bool enabled;
    bool applies;
    const char* mode;
  };
  const Row rows[] = {
      {TavroLanguage::japanese, true, false, "romaji"},  {TavroLanguage::japanese, false, false, "romaji"},
      {TavroLanguage::english, true, true, "english-direct"}, {TavroLanguage::english, false, false, "english"},
      {TavroLanguage::nepali, true, true, "nepali-direct"},   {TavroLanguage::nepali, false, false, "nepali"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    EXPECT_EQ(DirectKeyboardMode::applies(row.language, row.enabled), row.applies);
    EXPECT_EQ(DirectKeyboardMode::scoreMode(row.language, row.enabled), row.mode);
  }
}

TEST(TavroLanguage, RawValuesRoundTrip) {
  for (TavroLanguage language : TavroLanguages::allCases) {
    EXPECT_EQ(fromRawValue<TavroLanguage>(rawValue(language)), language);
  }
  EXPECT_EQ(rawValue(TavroLanguage::nepali), "nepali");
  EXPECT_EQ(fromRawValue<TavroLanguage>("Japanese"), std::nullopt);
}

}  // namespace
}  // namespace tavro
