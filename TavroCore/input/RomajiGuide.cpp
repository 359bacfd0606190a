#include "TavroCore/input/RomajiGuide.h"

#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"

#include <optional>
#include <utility>
#include <vector>

namespace tavro {

RomajiGuide::RomajiGuide(std::string completed, std::string active, std::string remaining)
    : completed(std::move(completed)), active(std::move(active)), remaining(std::move(remaining)) {}

RomajiGuide RomajiGuide::fromSpelling(std::string_view spelling, std::string_view typed) {
  const std::size_t typedCount = text::graphemeCount(typed);
  const std::vector<std::string> characters = text::graphemes(spelling);
  RomajiGuide guide;
  guide.completed = std::string(typed);
  if (typedCount < characters.size()) {
    guide.active = characters[typedCount];
    for (std::size_t i = typedCount + 1; i < characters.size(); ++i)
      guide.remaining += characters[i];
  }
  return guide;
}

RomajiGuide RomajiGuide::fromPrompt(std::string_view prompt, std::string_view typed) {
  const std::string lowered = text::lowercased(typed);
  const std::vector<std::string> spellings = Romaji::matchingSpellings(prompt, lowered);
  return fromSpelling(spellings.empty() ? lowered : spellings.front(), lowered);
}

RomajiGuide RomajiGuide::fromPrompt(std::string_view prompt, std::string_view typed,
                                    RomajiStyle style) {
  const std::string lowered = text::lowercased(typed);
  std::optional<std::string> spelling = Romaji::styledSpelling(prompt, lowered, style);
  return fromSpelling(spelling ? *spelling : lowered, lowered);
}

std::string RomajiGuide::text() const {
  return completed + active + remaining;
}

}  // namespace tavro
