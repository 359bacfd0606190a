#include "TavroCore/input/Keyboard.h"

#include "Support/Text.h"
#include "TavroCore/input/KeyboardTables.h"

namespace tavro {
namespace Keyboard {

std::optional<std::string> physicalKey(std::uint16_t code, bool jis) {
  const auto& keys = physicalKeys(jis);
  auto found = keys.find(code);
  if (found == keys.end()) return std::nullopt;
  return found->second;
}

std::string baseKey(std::string_view typed, bool jis) {
  for (const auto& [label, shifted] : shiftedKeys(jis)) {
    if (shifted == typed) return label;
  }
  return text::lowercased(typed);
}

Finger finger(std::string_view label) {
  std::string lowered = text::lowercased(label);
  if (!lowered.empty()) {
    for (const auto& [group, finger] : fingerGroups()) {
      if (group.find(lowered) != std::string_view::npos) return finger;
    }
  }
  if (lowered == " ") return Finger::thumb;
  return Finger::rightPinky;
}

Finger finger(std::string_view label, std::string_view mode) {
  if (mode != "numpad") return finger(label);
  if (!label.empty()) {
    for (const auto& [group, finger] : numpadFingerGroups()) {
      if (group.find(label) != std::string_view::npos) return finger;
    }
  }
  if (label == "0") return Finger::thumb;
  return Finger::rightPinky;
}

bool isTarget(std::string_view label, const std::set<std::string>& next, std::string_view mode, bool jis) {
  if (mode == "numpad") return next.find(std::string(label)) != next.end();
  for (const std::string& input : next) {
    if (baseKey(input, jis) == label) return true;
  }
  return false;
}

}  // namespace Keyboard
}  // namespace tavro
