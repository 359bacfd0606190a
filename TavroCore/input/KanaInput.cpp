#include "TavroCore/input/KanaInput.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/input/KanaInputTables.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/Romaji.h"

#include <algorithm>

namespace tavro {

std::string KanaHint::text() const {
  std::string out = "[";
  for (std::size_t index = 0; index < keys.size(); ++index) {
    if (index > 0) out += " + ";
    out += keys[index];
  }
  out += " \u00B7 ";
  out += kana;
  out += "]";
  return out;
}

namespace KanaInput {
namespace {

std::vector<std::string_view> charactersOf(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(text)) {
    out.push_back(text.substr(start, end - start));
    start = end;
  }
  return out;
}

std::string upperCased(std::string_view key) {
  if (text::isAscii(key)) {
    std::string out(key);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  }
  return text::uppercased(key);
}

}  // namespace

std::string layoutKey(std::string_view label, bool jis) {
  if (!jis) {
    const auto& moved = usLayoutKeys();
    if (auto found = moved.find(label); found != moved.end()) return found->second;
  }
  return std::string(label);
}

std::string shifted(std::string_view label, bool jis) {
  const auto& keys = Keyboard::shiftedKeys(jis);
  if (auto found = keys.find(label); found != keys.end()) return found->second;
  return std::string(label);
}

std::string strokes(std::string_view character, bool jis) {
  if (character == "。") return shifted(".", jis);
  if (character == "、") return shifted(",", jis);
  if (character == "「") return shifted(layoutKey("@", jis), jis);
  if (character == "」") return shifted(layoutKey("[", jis), jis);
  if (character == "！") return shifted("1", jis);
  if (character == "？") return shifted("/", jis);
  if (character == "ー") return jis ? "¥" : "|";
  const auto& small = shiftKana();
  if (auto found = small.find(character); found != small.end()) {
    return shifted(layoutKey(Romaji::kanaKeys(found->second), jis), jis);
  }
  std::string keys = Romaji::kanaKeys(character);
  if (jis) return keys;
  std::string out;
  for (std::string_view key : charactersOf(keys)) out += layoutKey(key, jis);
  return out;
}

std::string keys(std::string_view prompt, bool jis) {
  std::string out;
  for (std::string_view character : charactersOf(prompt)) out += strokes(character, jis);
  return out;
}

std::string label(std::string_view key, bool jis) {
  if (jis && key == "¥") return "ー";
  if (key == layoutKey("[", jis)) return "゜";
  for (const auto& [jisKey, kana] : Keyboard::kana()) {
    if (layoutKey(jisKey, jis) == key) return kana;
  }
  return " ";
}

std::string shiftedLabel(std::string_view key, bool jis) {
  if (!jis && key == "\\") return "ー";
  if (key == ",") return "、";
  if (key == ".") return "。";
  if (key == layoutKey("@", jis)) return "「";
  if (key == layoutKey("[", jis)) return "」";
  const auto& shiftedForms = shiftedKanaOf();
  if (auto found = shiftedForms.find(label(key, jis)); found != shiftedForms.end()) return found->second;
  return "";
}

std::vector<KanaHint> hints(std::string_view prompt, std::string_view typed, bool jis, std::int64_t limit) {
  std::vector<KanaHint> out;
  if (limit < 1 || !text::hasGraphemePrefix(keys(prompt, jis), typed)) return out;
  std::size_t typedCount = text::characterCount(typed);
  std::size_t start = 0;
  std::int64_t index = 0;
  for (std::string_view character : charactersOf(prompt)) {
    if (out.size() >= static_cast<std::size_t>(limit)) break;
    std::string sequence = strokes(character, jis);
    std::vector<std::string_view> strokeKeys = charactersOf(sequence);
    std::size_t end = start + strokeKeys.size();
    if (end > typedCount) {
      KanaHint hint;
      hint.id = index;
      hint.kana = std::string(character);
      for (std::string_view stroke : strokeKeys) {
        std::string base = Keyboard::baseKey(stroke, jis);
        hint.keys.push_back(base == stroke ? upperCased(base) : "⇧" + upperCased(base));
      }
      if (typedCount >= start) hint.activeStroke = static_cast<std::int64_t>(typedCount - start);
      out.push_back(std::move(hint));
    }
    start = end;
    ++index;
  }
  return out;
}

}  // namespace KanaInput
}  // namespace tavro
