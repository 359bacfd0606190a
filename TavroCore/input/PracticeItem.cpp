#include "TavroCore/input/PracticeItem.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/RomajiModes.h"

#include <algorithm>
#include <utility>

namespace tavro {

PracticeItem::PracticeItem(std::string prompt, std::string mode, bool jis)
    : prompt(std::move(prompt)), mode(std::move(mode)), jis(jis) {}

std::vector<std::string> PracticeItem::alternatives() const {
  if (ExerciseMode::usesRomaji(mode)) return Romaji::spellings(prompt);
  if (mode == "kana") return {KanaInput::keys(prompt, jis)};
  return {prompt};
}

std::int64_t PracticeItem::completedCharacters(std::string_view typed) const {
  if (ExerciseMode::usesRomaji(mode)) return Romaji::completedCharacters(prompt, typed);
  const std::vector<std::string> accepted = alternatives();
  const bool agrees = std::any_of(
      accepted.begin(), accepted.end(),
      [&](const std::string& alternative) { return text::hasGraphemePrefix(alternative, typed); });
  if (!agrees) return 0;
  const auto typedCount = static_cast<std::int64_t>(text::graphemeCount(typed));
  std::int64_t strokes = 0;
  std::int64_t passed = 0;
  for (const std::string& character : text::graphemes(prompt)) {
    strokes +=
        mode == "kana"
            ? static_cast<std::int64_t>(text::graphemeCount(KanaInput::strokes(character, jis)))
            : 1;
    if (strokes > typedCount) break;
    ++passed;
  }
  return passed;
}

}  // namespace tavro
