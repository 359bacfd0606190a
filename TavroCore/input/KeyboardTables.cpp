// The keyboard tables, as constant data.
#include "TavroCore/input/KeyboardTables.h"

#include "Support/CharacterBounds.h"

namespace tavro::Keyboard {

// clang-format off
const std::vector<std::vector<std::string>>& rows(bool jis) {
  static const std::vector<std::vector<std::string>> us = {
    {"`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "="},
    {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p", "[", "]", "\\"},
    {"a", "s", "d", "f", "g", "h", "j", "k", "l", ";", "'"},
    {"z", "x", "c", "v", "b", "n", "m", ",", ".", "/"},
  };
  static const std::vector<std::vector<std::string>> japanese = {
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "^", "¥"},
    {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p", "@", "["},
    {"a", "s", "d", "f", "g", "h", "j", "k", "l", ";", ":", "]"},
    {"z", "x", "c", "v", "b", "n", "m", ",", ".", "/", "\\"},
  };
  return jis ? japanese : us;
}

const std::unordered_map<std::uint16_t, std::string>& physicalKeys(bool jis) {
  static const auto common = std::vector<std::pair<std::uint16_t, std::string>>{
    {0, "a"}, {1, "s"}, {2, "d"}, {3, "f"}, {4, "h"}, {5, "g"}, {6, "z"}, {7, "x"}, {8, "c"}, {9, "v"},
    {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"}, {16, "y"}, {17, "t"},
    {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
    {25, "9"}, {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"},
    {31, "o"}, {32, "u"}, {34, "i"}, {35, "p"}, {37, "l"}, {38, "j"}, {40, "k"},
    {41, ";"}, {43, ","}, {44, "/"}, {45, "n"}, {46, "m"}, {47, "."},
    {50, "`"}, {93, "¥"}, {94, "\\"},
  };
  static const auto us = [] {
    std::unordered_map<std::uint16_t, std::string> out(common.begin(), common.end());
    out.insert({{24, "="}, {30, "]"}, {33, "["}, {39, "'"}, {42, "\\"}});
    return out;
  }();
  static const auto japanese = [] {
    std::unordered_map<std::uint16_t, std::string> out(common.begin(), common.end());
    out.insert({{24, "^"}, {30, "["}, {33, "@"}, {39, ":"}, {42, "]"}});
    return out;
  }();
  return jis ? japanese : us;
}

const std::map<std::string, std::string, std::less<>>& shiftedKeys(bool jis) {
  static const auto letters = [] {
    std::map<std::string, std::string, std::less<>> out;
    for (char c = 'a'; c <= 'z'; ++c) out.emplace(std::string(1, c), std::string(1, static_cast<char>(c - 'a' + 'A')));
    return out;
  }();
  static const auto us = [] {
    auto out = letters;
    out.insert({
      {"1", "!"}, {"2", "@"}, {"3", "#"}, {"4", "$"}, {"5", "%"}, {"6", "^"}, {"7", "&"}, {"8", "*"},
      {"9", "("}, {"0", ")"}, {"-", "_"}, {"=", "+"}, {"`", "~"}, {"[", "{"}, {"]", "}"}, {"\\", "|"},
      {";", ":"}, {"'", "\""}, {",", "<"}, {".", ">"}, {"/", "?"},
    });
    return out;
  }();
  static const auto japanese = [] {
    auto out = letters;
    out.insert({
      {"1", "!"}, {"2", "\""}, {"3", "#"}, {"4", "$"}, {"5", "%"}, {"6", "&"}, {"7", "'"}, {"8", "("},
      {"9", ")"}, {"0", std::string(jisShiftZero)}, {"-", "="}, {"^", "~"}, {"¥", "|"}, {"@", "`"},
      {"[", "{"}, {";", "+"}, {":", "*"}, {"]", "}"}, {",", "<"}, {".", ">"}, {"/", "?"}, {"\\", "_"},
    });
    return out;
  }();
  return jis ? japanese : us;
}

const std::vector<std::pair<std::string_view, Finger>>& fingerGroups() {
  static const std::vector<std::pair<std::string_view, Finger>> groups = {
    {"1qaz", Finger::leftPinky}, {"2wsx", Finger::leftRing}, {"3edc", Finger::leftMiddle},
    {"45rtfgvb", Finger::leftIndex}, {"67yuhjnm", Finger::rightIndex}, {"8ik,", Finger::rightMiddle},
    {"9ol.", Finger::rightRing},
  };
  return groups;
}

const std::vector<std::pair<std::string_view, Finger>>& numpadFingerGroups() {
  static const std::vector<std::pair<std::string_view, Finger>> groups = {
    {"147", Finger::rightIndex}, {"258/", Finger::rightMiddle}, {"369.*", Finger::rightRing},
  };
  return groups;
}

const std::map<std::string, std::string, std::less<>>& kana() {
  static const auto table = [] {
    constexpr std::string_view keys = "1234567890-^qwertyuiop@asdfghjkl;:]zxcvbnm,./\\";
    constexpr std::string_view legends =
        "ぬふあうえおやゆよわほへたていすかんなにらせ゛ちとしはきくまのりれけむつさそひこみもねるめろ";
    std::map<std::string, std::string, std::less<>> out;
    std::size_t start = 0;
    std::size_t index = 0;
    for (std::size_t end : text::characterEnds(legends)) {
      out.emplace(std::string(1, keys[index++]), std::string(legends.substr(start, end - start)));
      start = end;
    }
    return out;
  }();
  return table;
}
// clang-format on

}  // namespace tavro::Keyboard
