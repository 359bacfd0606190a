#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/SelectedKeyboard.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

const std::string kShiftZero(Keyboard::jisShiftZero);

TEST(KanaInput, StrokesOfEachKindOfCharacter) {
  struct Row {
    std::string character;
    std::string jis;
    std::string us;
  };
  const Row rows[] = {
      {"か", "t", "t"},       {"が", "t@", "t["},   {"ぱ", "f[", "f]"},     {"へ", "^", "="},
      {"け", ":", "'"},       {"む", "]", "`"},     {"ろ", "\\", "\\"},     {"ぁ", "#", "#"},
      {"ゃ", "'", "&"},       {"っ", "Z", "Z"},     {"を", kShiftZero, ")"}, {"。", ">", ">"},
      {"、", "<", "<"},       {"「", "`", "{"},     {"」", "{", "}"},       {"！", "!", "!"},
      {"？", "?", "?"},       {"ー", "¥", "|"},     {"ゔ", "4@", "4["},     {"カ", "カ", "カ"},
      {"日", "日", "日"},     {" ", " ", " "},      {"a", "a", "a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.character);
    EXPECT_EQ(KanaInput::strokes(row.character, true), row.jis);
    EXPECT_EQ(KanaInput::strokes(row.character, false), row.us);
  }
  EXPECT_EQ(KanaInput::keys("がっこう", true), "t@Zb4");
  EXPECT_EQ(KanaInput::keys("がっこう", false), "t[Zb4");
  EXPECT_EQ(KanaInput::keys("", true), "");
}

TEST(KanaInput, LayoutKeysAndShifts) {
  EXPECT_EQ(KanaInput::layoutKey("@", false), "[");
  EXPECT_EQ(KanaInput::layoutKey("]", false), "`");
  EXPECT_EQ(KanaInput::layoutKey("@", true), "@");
  EXPECT_EQ(KanaInput::layoutKey("q", false), "q");
  EXPECT_EQ(KanaInput::shifted("0", true), kShiftZero);
  EXPECT_EQ(KanaInput::shifted("0", false), ")");
  EXPECT_EQ(KanaInput::shifted("¥", false), "¥");  // no shifted form on US: the label itself
}

TEST(KanaInput, KeyLegends) {
  struct Row {
    std::string key;
    bool jis;
    std::string label;
    std::string shiftedLabel;
  };
  const Row rows[] = {
      {"3", true, "あ", "ぁ"},   {"q", true, "た", ""},     {"z", true, "つ", "っ"},  {"0", true, "わ", "を"},
      {"¥", true, "ー", ""},     {"[", true, "゜", "」"},   {"@", true, "゛", "「"},  {",", true, "ね", "、"},
      {".", true, "る", "。"},   {"\\", true, "ろ", ""},    {"¥", false, " ", ""},    {"]", false, "゜", "」"},
      {"[", false, "゛", "「"},  {"\\", false, "ろ", "ー"}, {"`", false, "む", ""},   {"'", false, "け", ""},
      {"=", false, "へ", ""},    {"7", false, "や", "ゃ"},  {"F1", true, " ", ""},    {"", false, " ", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key + (row.jis ? " JIS" : " US"));
    EXPECT_EQ(KanaInput::label(row.key, row.jis), row.label);
    EXPECT_EQ(KanaInput::shiftedLabel(row.key, row.jis), row.shiftedLabel);
  }
  EXPECT_EQ(SelectedKeyboard{true}.kanaLabel("¥"), "ー");
}

TEST(KanaInput, HintsFollowTheTypedKeys) {
  using Hints = std::vector<KanaHint>;
  EXPECT_EQ(KanaInput::hints("がっを", "", true, 5),
            (Hints{{0, "が", {"T", "@"}, 0}, {1, "っ", {"⇧Z"}, std::nullopt}, {2, "を", {"⇧0"}, std::nullopt}}));
  EXPECT_EQ(KanaInput::hints("がっを", "t", true, 2), (Hints{{0, "が", {"T", "@"}, 1}, {1, "っ", {"⇧Z"}, std::nullopt}}));
  EXPECT_EQ(KanaInput::hints("がっを", "t@", true, 1), (Hints{{1, "っ", {"⇧Z"}, 0}}));
  EXPECT_EQ(KanaInput::hints("ぁー", "", false, 5), (Hints{{0, "ぁ", {"⇧3"}, 0}, {1, "ー", {"⇧\\"}, std::nullopt}}));
  EXPECT_EQ(KanaInput::hints("がっ", "t[", true, 5), Hints{});  // a wrong key
  EXPECT_EQ(KanaInput::hints("がっ", "", true, 0), Hints{});
  EXPECT_EQ(KanaInput::hints("が", "t@", true, 3), Hints{});
  EXPECT_EQ(SelectedKeyboard{false}.kanaHints("が", "t", 1), (Hints{{0, "が", {"T", "["}, 1}}));

  KanaHint hint{0, "が", {"T", "@"}, 0};
  EXPECT_EQ(hint.text(), "[T + @ \u00B7 が]");
  EXPECT_TRUE(hint.isActive());
}

TEST(KanaInput, KeySequenceIsTypedWithTheKeyboardsKanaInput) {
  // を on JIS is Shift+0, which the keyboard reads as the placeholder.
  SelectedKeyboard jis{true};
  Matcher matcher({KanaInput::keys("をが", true)}, true);
  EXPECT_TRUE(matcher.input(jis.kanaInput(29, "", true)));
  EXPECT_FALSE(matcher.input(jis.kanaInput(17, "か", true)));  // Shift+t is "T"
  EXPECT_TRUE(matcher.input(jis.kanaInput(17, "か", false)));
  EXPECT_TRUE(matcher.input(jis.kanaInput(33, "゛", false)));
  EXPECT_TRUE(matcher.complete());
}

}  // namespace
}  // namespace tavro
