// What the practice screen asks of an English or Nepali prompt beyond its
// three forms: the matcher that checks it, how many shown characters are
// done and which part of the roman form to highlight (see LanguagePrompt.h).
#include "Support/Text.h"
#include "TavroCore/input/LanguagePrompt.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/RomajiGuide.h"

#include <algorithm>

namespace tavro {

namespace {

// A text as a learner typing Devanagari may enter it: digits in either form,
// "." for every danda.
std::string nativeNormalized(std::string_view text) {
  return LanguagePrompt::replacingDigitsAndDandas(text, /*digits=*/true, /*dandas=*/true);
}

std::int64_t length(std::string_view text) {
  return static_cast<std::int64_t>(text::graphemeCount(text));
}

// The first roman alternative that begins with `typed`, if any.
std::optional<std::string> alternativeBeginningWith(const LanguagePrompt& prompt,
                                                    std::string_view typed) {
  for (std::string& alternative : prompt.romanAlternatives()) {
    if (text::hasGraphemePrefix(alternative, typed)) return std::move(alternative);
  }
  return std::nullopt;
}

}  // namespace

Matcher LanguagePrompt::matcher(TavroLanguage language, bool directMode) const {
  if (language == TavroLanguage::nepali) return Matcher::nepali(*this, directMode);
  return Matcher(romanAlternatives(), /*caseSensitive=*/true);
}

std::int64_t LanguagePrompt::completedDisplayCharacters(std::string_view typed) const {
  const std::int64_t displayLength = length(display);
  if (isNative(typed)) {
    // Leading shown characters whose normalised form the typed text begins
    // with, byte for byte, so a half-typed cluster does not count.
    const std::string normalizedTyped = nativeNormalized(typed);
    std::string prefix;
    std::int64_t count = 0;
    for (const std::string& character : text::graphemes(display)) {
      prefix += nativeNormalized(character);
      if (!std::string_view(normalizedTyped).starts_with(prefix)) break;
      ++count;
    }
    return count;
  }
  const std::string lowered = text::lowercased(typed);
  const std::vector<std::string> alternatives = romanAlternatives();
  if (roman != display &&
      std::find(alternatives.begin(), alternatives.end(), lowered) != alternatives.end()) {
    return displayLength;
  }
  // English is typed as shown, so each typed character marks one shown
  // character done. The count stops at the shown length: it names a position
  // in `display` (the host splits the display there), like every other
  // answer here, and text past the end has no shown character to mark.
  if (roman == display) return std::min(length(typed), displayLength);

  // Romanized Nepali: a shown word is done once its whole roman word is typed,
  // the space after it once the typed space is reached.
  const std::string target = alternativeBeginningWith(*this, lowered).value_or(roman);
  const std::vector<std::string_view> shownWords = text::split(display, ' ');
  const std::vector<std::string_view> targetWords = text::split(target, ' ');
  if (shownWords.size() != targetWords.size() || shownWords.empty()) return 0;
  const std::int64_t typedLength = length(typed);
  std::int64_t offset = 0;
  std::int64_t result = 0;
  for (std::size_t i = 0; i < shownWords.size(); ++i) {
    offset += length(targetWords[i]);
    if (typedLength < offset) break;
    result += length(shownWords[i]);
    if (i + 1 < shownWords.size()) {
      offset += 1;
      if (typedLength < offset) break;
      result += 1;
    }
  }
  return result;
}

RomajiGuide LanguagePrompt::guide(std::string_view typed, TavroLanguage language) const {
  if (isNative(typed)) {
    const std::int64_t done = completedDisplayCharacters(typed);
    if (done == length(display)) return RomajiGuide::fromSpelling(roman, roman);
    // Highlight the roman form word by word as the Devanagari is typed.
    const std::vector<std::string_view> shownWords = text::split(display, ' ');
    const std::vector<std::string_view> romanWords = text::split(roman, ' ');
    std::int64_t highlighted = 0;
    if (shownWords.size() == romanWords.size() && !shownWords.empty()) {
      std::int64_t shownOffset = 0;
      for (std::size_t i = 0; i < shownWords.size(); ++i) {
        const std::int64_t shownLength = length(shownWords[i]);
        if (shownOffset + shownLength > done) break;
        highlighted += length(romanWords[i]);
        if (i + 1 < shownWords.size()) {
          if (shownOffset + shownLength + 1 > done) break;
          highlighted += 1;
        }
        shownOffset += shownLength + 1;
      }
    }
    return RomajiGuide::fromSpelling(
        roman, text::graphemePrefix(roman, static_cast<std::size_t>(highlighted)));
  }
  const std::string entered =
      language == TavroLanguage::nepali ? text::lowercased(typed) : std::string(typed);
  const std::string spelling = alternativeBeginningWith(*this, entered).value_or(roman);
  return RomajiGuide::fromSpelling(spelling, entered);
}

}  // namespace tavro
