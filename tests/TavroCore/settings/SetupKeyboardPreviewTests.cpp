#include "TavroCore/settings/SetupKeyboardPreview.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using SetupKeyboardPreview::Example;
using SetupKeyboardPreview::Key;

std::vector<std::string> labels(const std::vector<Key>& row) {
  std::vector<std::string> out;
  for (const Key& key : row) out.push_back(key.label);
  return out;
}

TEST(SetupKeyboardPreview, AddsTheControlKeysToTheJISRows) {
  auto rows = SetupKeyboardPreview::rows(true);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(labels(rows[0]), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9",
                                                       "0", "-", "^", "¥", "Backspace"}));
  EXPECT_EQ(labels(rows[1]), (std::vector<std::string>{"Tab", "Q", "W", "E", "R", "T", "Y", "U",
                                                       "I", "O", "P", "@", "[", "Enter"}));
  EXPECT_EQ(labels(rows[2]).front(), "Caps Lock");
  EXPECT_EQ(labels(rows[2]).back(), "]");
  EXPECT_EQ(rows[3].front(), (Key{"Shift", std::nullopt, 2.1}));
  EXPECT_EQ(rows[3].back(), (Key{"Shift", std::nullopt, 1.7}));
  EXPECT_EQ(rows[0].back(), (Key{"Backspace", std::nullopt, 2.0}));
  EXPECT_EQ(rows[1].front(), (Key{"Tab", std::nullopt, 1.4}));
  EXPECT_EQ(rows[1].back(), (Key{"Enter", std::nullopt, 1.6}));
  EXPECT_EQ(rows[2].front(), (Key{"Caps Lock", std::nullopt, 1.8}));
  EXPECT_EQ(rows[4], (std::vector<Key>{Key{"Space", " ", 4.2}}));
  EXPECT_EQ(rows[1][1], (Key{"Q", "q", 1.0}));
  EXPECT_EQ(rows[0][12], (Key{"¥", "¥", 1.0}));
}

TEST(SetupKeyboardPreview, PutsEnterAfterTheQuoteKeyOnUS) {
  auto rows = SetupKeyboardPreview::rows(false);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].front(), (Key{"`", "`", 1.0}));
  EXPECT_EQ(labels(rows[1]).back(), "\\");
  EXPECT_EQ(labels(rows[2]), (std::vector<std::string>{"Caps Lock", "A", "S", "D", "F", "G", "H",
                                                       "J", "K", "L", ";", "'", "Enter"}));
  EXPECT_EQ(rows[2].back().width, 2.1);
  EXPECT_EQ(rows[3].back(), (Key{"Shift", std::nullopt, 2.4}));
  EXPECT_EQ(rows[4], (std::vector<Key>{Key{"Space", " ", 6.4}}));

  // Every key types its own label except the control keys; Space is the only
  // control key with a source.
  for (bool jis : {false, true}) {
    for (const auto& row : SetupKeyboardPreview::rows(jis)) {
      for (const Key& key : row) {
        bool isControl = key.label.size() > 2 && key.label != "¥";
        if (key.label == "Space") {
          EXPECT_EQ(key.source, " ");
        } else if (isControl) {
          EXPECT_EQ(key.source, std::nullopt) << key.label;
        } else {
          ASSERT_TRUE(key.source.has_value()) << key.label;
          EXPECT_EQ(key.width, 1.0);
        }
      }
    }
  }
}

TEST(SetupKeyboardPreview, GivesFourLayoutExamplesPerLanguageAndLayout) {
  struct Row {
    TavroLanguage language;
    bool jis;
    std::vector<Example> expected;
  };
  const std::vector<Row> rows = {
      {TavroLanguage::japanese,
       false,
       {{"゛", "["}, {"゜", "]"}, {"ー", "Shift + \\"}, {"む", "`"}}},
      {TavroLanguage::japanese, true, {{"゛", "@"}, {"゜", "["}, {"ー", "¥"}, {"れ", ";"}}},
      {TavroLanguage::english,
       false,
       {{"@", "Shift + 2"}, {"^", "Shift + 6"}, {"&", "Shift + 7"}, {"+", "Shift + ="}}},
      {TavroLanguage::english,
       true,
       {{"\"", "Shift + 2"}, {"&", "Shift + 6"}, {"'", "Shift + 7"}, {"~", "Shift + ^"}}},
      {TavroLanguage::nepali, false, {{"अ", "a"}, {"ग", "ga"}, {"म", "ma"}, {"त", "ta"}}},
      {TavroLanguage::nepali, true, {{"क", "ka"}, {"न", "na"}, {"प", "pa"}, {"स", "sa"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(rawValue(row.language)) + (row.jis ? " JIS" : " US"));
    EXPECT_EQ(SetupKeyboardPreview::layoutExamples(row.language, row.jis), row.expected);
  }
}

TEST(SetupKeyboardPreview, HoldsTheSampleTables) {
  EXPECT_EQ(SetupKeyboardPreview::homeKeys(),
            (std::set<std::string>{"a", "s", "d", "f", "j", "k", "l", ";"}));
  EXPECT_EQ(SetupKeyboardPreview::anchors(), (std::set<std::string>{"f", "j"}));
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(
      SetupKeyboardPreview::hiragana(),
      (std::vector<Pairs>{{{"あ", "a"}, {"い", "i"}, {"う", "u"}, {"え", "e"}, {"お", "o"}},
                          {{"か", "ka"}, {"き", "ki"}, {"く", "ku"}, {"け", "ke"}, {"こ", "ko"}}}));

  const auto& guide = SetupKeyboardPreview::nepaliRomanGuide();
  EXPECT_EQ(guide.size(), 23u);
  for (const char* missing : {"q", "x", "z"}) EXPECT_EQ(guide.count(missing), 0u) << missing;
  EXPECT_EQ(guide.at("v"), (std::pair<std::string, std::string>{"व", "va"}));
  EXPECT_EQ(guide.at("w"), (std::pair<std::string, std::string>{"व", "wa"}));
  EXPECT_EQ(guide.at("c"), (std::pair<std::string, std::string>{"च", "cha"}));

  const auto& digits = SetupKeyboardPreview::nepaliDigits();
  EXPECT_EQ(digits.size(), 10u);
  EXPECT_EQ(digits.at("0"), "०");
  EXPECT_EQ(digits.at("5"), "५");
  EXPECT_EQ(digits.at("9"), "९");
}

}  // namespace
}  // namespace tavro
