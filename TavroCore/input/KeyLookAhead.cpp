#include "TavroCore/input/KeyLookAhead.h"

#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"

namespace tavro::KeyLookAhead {

std::set<std::string> ghost(std::string_view prompt, std::string_view typed) {
  std::vector<RomajiHint> hints = Romaji::hints(prompt, typed, 1);
  if (hints.empty() || !hints.front().activeStroke) return {};
  const RomajiHint& hint = hints.front();
  std::size_t after = static_cast<std::size_t>(*hint.activeStroke) + 1;
  if (after >= hint.keys.size()) return {};
  return {text::lowercased(hint.keys[after])};
}

}  // namespace tavro::KeyLookAhead
