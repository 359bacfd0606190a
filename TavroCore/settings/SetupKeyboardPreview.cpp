#include "TavroCore/settings/SetupKeyboardPreview.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/Romaji.h"

#include <array>
#include <string_view>

namespace tavro::SetupKeyboardPreview {
namespace {

Key control(std::string label, double width) {
  return Key{std::move(label), std::nullopt, width};
}

std::string firstSpelling(std::string_view kana) {
  const auto& table = Romaji::table();
  auto found = table.find(kana);
  if (found == table.end() || found->second.empty()) return {};
  return found->second.front();
}

// The sample keys of each language's examples, by layout.
// clang-format off
constexpr std::array<std::string_view, 4> japaneseUS  = {"゛", "゜", "ー", "む"};
constexpr std::array<std::string_view, 4> japaneseJIS = {"゛", "゜", "ー", "れ"};
constexpr std::array<std::string_view, 4> englishUS   = {"2", "6", "7", "="};
constexpr std::array<std::string_view, 4> englishJIS  = {"2", "6", "7", "^"};
constexpr std::array<std::string_view, 4> nepaliUS    = {"a", "g", "m", "t"};
constexpr std::array<std::string_view, 4> nepaliJIS   = {"k", "n", "p", "s"};
// clang-format on

std::optional<Example> japaneseExample(std::string_view kana, bool jis,
                                       const std::vector<std::vector<Key>>& keys) {
  if (kana == "ー") return Example{"ー", jis ? "¥" : "Shift + \\"};
  for (const auto& row : keys) {
    for (const Key& key : row) {
      if (key.source && KanaInput::label(*key.source, jis) == kana) {
        return Example{std::string(kana), text::uppercased(*key.source)};
      }
    }
  }
  return std::nullopt;
}

std::optional<Example> englishExample(std::string_view key, bool jis) {
  const auto& shifted = Keyboard::shiftedKeys(jis);
  auto found = shifted.find(key);
  if (found == shifted.end()) return std::nullopt;
  return Example{found->second, "Shift + " + std::string(key)};
}

std::optional<Example> nepaliExample(std::string_view key) {
  const auto& guide = nepaliRomanGuide();
  auto found = guide.find(std::string(key));
  if (found == guide.end()) return std::nullopt;
  return Example{found->second.first, found->second.second};
}

}  // namespace

const std::set<std::string>& homeKeys() {
  static const std::set<std::string> keys = {"a", "s", "d", "f", "j", "k", "l", ";"};
  return keys;
}

const std::set<std::string>& anchors() {
  static const std::set<std::string> keys = {"f", "j"};
  return keys;
}

const std::vector<std::vector<std::pair<std::string, std::string>>>& hiragana() {
  static const auto sample = [] {
    std::vector<std::vector<std::pair<std::string, std::string>>> rows;
    for (const auto& kanaRow : {std::array<std::string_view, 5>{"あ", "い", "う", "え", "お"},
                                std::array<std::string_view, 5>{"か", "き", "く", "け", "こ"}}) {
      auto& row = rows.emplace_back();
      for (std::string_view kana : kanaRow)
        row.emplace_back(std::string(kana), firstSpelling(kana));
    }
    return rows;
  }();
  return sample;
}

const std::map<std::string, std::pair<std::string, std::string>>& nepaliRomanGuide() {
  // clang-format off
  static const std::map<std::string, std::pair<std::string, std::string>> guide = {
      {"a", {"अ", "a"}},  {"b", {"ब", "ba"}}, {"c", {"च", "cha"}}, {"d", {"द", "da"}}, {"e", {"ए", "e"}},
      {"f", {"फ", "fa"}}, {"g", {"ग", "ga"}}, {"h", {"ह", "ha"}},  {"i", {"इ", "i"}},  {"j", {"ज", "ja"}},
      {"k", {"क", "ka"}}, {"l", {"ल", "la"}}, {"m", {"म", "ma"}},  {"n", {"न", "na"}}, {"o", {"ओ", "o"}},
      {"p", {"प", "pa"}}, {"r", {"र", "ra"}}, {"s", {"स", "sa"}},  {"t", {"त", "ta"}}, {"u", {"उ", "u"}},
      {"v", {"व", "va"}}, {"w", {"व", "wa"}}, {"y", {"य", "ya"}},
  };
  // clang-format on
  return guide;
}

const std::map<std::string, std::string>& nepaliDigits() {
  static const auto digits = [] {
    std::map<std::string, std::string> map;
    for (char32_t digit = 0; digit < 10; ++digit) {
      map.emplace(std::string(1, static_cast<char>('0' + digit)),
                  text::fromCodePoint(U'\u0966' + digit));
    }
    return map;
  }();
  return digits;
}

std::vector<std::vector<Key>> rows(bool jis) {
  std::vector<std::vector<Key>> keys;
  for (const auto& labels : Keyboard::rows(jis)) {
    auto& row = keys.emplace_back();
    for (const std::string& label : labels) row.push_back(Key{text::uppercased(label), label, 1.0});
  }
  // The keyboard tables give four rows: digits, top letters, home, bottom.
  if (keys.size() != 4) return keys;
  keys[0].push_back(control("Backspace", 2.0));
  keys[1].insert(keys[1].begin(), control("Tab", 1.4));
  if (jis) {
    keys[1].push_back(control("Enter", 1.6));
  } else {
    keys[2].push_back(control("Enter", 2.1));
  }
  keys[2].insert(keys[2].begin(), control("Caps Lock", 1.8));
  keys[3].insert(keys[3].begin(), control("Shift", 2.1));
  keys[3].push_back(control("Shift", jis ? 1.7 : 2.4));
  keys.push_back({Key{"Space", std::string(" "), jis ? 4.2 : 6.4}});
  return keys;
}

std::vector<Example> layoutExamples(TavroLanguage language, bool jis) {
  std::vector<Example> examples;
  switch (language) {
    case TavroLanguage::japanese: {
      std::vector<std::vector<Key>> keys = rows(jis);
      for (std::string_view kana : jis ? japaneseJIS : japaneseUS) {
        if (auto example = japaneseExample(kana, jis, keys))
          examples.push_back(std::move(*example));
      }
      break;
    }
    case TavroLanguage::english:
      for (std::string_view key : jis ? englishJIS : englishUS) {
        if (auto example = englishExample(key, jis)) examples.push_back(std::move(*example));
      }
      break;
    case TavroLanguage::nepali:
      for (std::string_view key : jis ? nepaliJIS : nepaliUS) {
        if (auto example = nepaliExample(key)) examples.push_back(std::move(*example));
      }
      break;
  }
  return examples;
}

}  // namespace tavro::SetupKeyboardPreview
