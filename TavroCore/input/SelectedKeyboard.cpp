#include "TavroCore/input/SelectedKeyboard.h"

#include "TavroCore/input/Keyboard.h"

namespace tavro {
namespace {

std::string labelOf(std::uint16_t code, std::string_view characters, bool jis) {
  if (auto label = Keyboard::physicalKey(code, jis)) return *label;
  return std::string(characters);
}

}  // namespace

const std::vector<std::vector<std::string>>& SelectedKeyboard::rows() const { return Keyboard::rows(jis); }

std::string SelectedKeyboard::romajiInput(std::uint16_t code, std::string_view characters, bool shift) const {
  std::string label = labelOf(code, characters, jis);
  if (!shift) return label;
  const auto& shiftedKeys = Keyboard::shiftedKeys(jis);
  if (auto found = shiftedKeys.find(label); found != shiftedKeys.end()) return found->second;
  return label;
}

std::string SelectedKeyboard::kanaInput(std::uint16_t code, std::string_view characters, bool shift) const {
  std::string label = labelOf(code, characters, jis);
  return shift ? KanaInput::shifted(label, jis) : label;
}

bool SelectedKeyboard::isTarget(std::string_view label, const std::set<std::string>& next,
                                std::string_view mode) const {
  return Keyboard::isTarget(label, next, mode, jis);
}

std::string SelectedKeyboard::kanaLabel(std::string_view key) const { return KanaInput::label(key, jis); }

std::vector<KanaHint> SelectedKeyboard::kanaHints(std::string_view prompt, std::string_view typed,
                                                  std::int64_t limit) const {
  return KanaInput::hints(prompt, typed, jis, limit);
}

}  // namespace tavro
