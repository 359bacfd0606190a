// The kana-input tables, as constant data.
#include "TavroCore/input/KanaInputTables.h"

namespace tavro::KanaInput {

// clang-format off
const std::map<std::string, std::string, std::less<>>& usLayoutKeys() {
  static const std::map<std::string, std::string, std::less<>> table = {
    {"@", "["}, {"[", "]"}, {":", "'"}, {"]", "`"}, {"^", "="},
  };
  return table;
}

const std::map<std::string, std::string, std::less<>>& shiftKana() {
  static const std::map<std::string, std::string, std::less<>> table = {
    {"ぁ", "あ"}, {"ぃ", "い"}, {"ぅ", "う"}, {"ぇ", "え"}, {"ぉ", "お"},
    {"ゃ", "や"}, {"ゅ", "ゆ"}, {"ょ", "よ"}, {"っ", "つ"}, {"を", "わ"},
  };
  return table;
}
// clang-format on

const std::map<std::string, std::string, std::less<>>& shiftedKanaOf() {
  static const auto table = [] {
    std::map<std::string, std::string, std::less<>> out;
    for (const auto& [small, base] : shiftKana()) out.emplace(base, small);
    return out;
  }();
  return table;
}

}  // namespace tavro::KanaInput
