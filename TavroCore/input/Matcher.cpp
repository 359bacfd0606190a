#include "TavroCore/input/Matcher.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"

#include <utility>

namespace tavro {
namespace {

// The character at index `n` of `text`, or nothing when it is shorter.
std::optional<std::string_view> characterAt(std::string_view text, std::size_t n) {
  std::vector<std::size_t> ends = text::characterEnds(text);
  if (n >= ends.size()) return std::nullopt;
  std::size_t begin = n == 0 ? 0 : ends[n - 1];
  return text.substr(begin, ends[n] - begin);
}

// The Unicode scalar at index `n` of `text`, as a string, or nothing.
std::optional<std::string> scalarAt(std::string_view text, std::size_t n) {
  std::vector<char32_t> points = text::codePoints(text);
  if (n >= points.size()) return std::nullopt;
  return text::fromCodePoint(points[n]);
}

std::size_t scalarCount(std::string_view text) { return text::codePoints(text).size(); }

}  // namespace

Matcher::Matcher(std::vector<std::string> alternatives, bool caseSensitive)
    : alternatives_(std::move(alternatives)), caseSensitive_(caseSensitive) {
  normalizedAlternatives_.reserve(alternatives_.size());
  for (const std::string& alternative : alternatives_) {
    normalizedAlternatives_.push_back(text::nfc(alternative));
  }
}

Matcher Matcher::romaji(std::string romajiPrompt) {
  Matcher matcher;
  matcher.romajiPrompt_ = std::move(romajiPrompt);
  return matcher;
}

Matcher Matcher::nepali(LanguagePrompt nepaliPrompt, bool directMode) {
  Matcher matcher(directMode ? nepaliPrompt.nativeAlternatives() : nepaliPrompt.romanAlternatives(), directMode);
  matcher.nepaliPrompt_ = std::move(nepaliPrompt);
  matcher.directNative_ = directMode;
  return matcher;
}

bool Matcher::agrees(std::string_view text) const {
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    if (nepaliPrompt_) {
      if (std::string_view(alternatives_[index]).starts_with(text)) return true;
    } else if (text::hasGraphemePrefix(normalizedAlternatives_[index], text)) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> Matcher::candidates() const {
  if (romajiPrompt_) return Romaji::matchingSpellings(*romajiPrompt_, typed_);
  std::vector<std::string> out;
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    bool agreeing = nepaliPrompt_ ? std::string_view(alternatives_[index]).starts_with(typed_)
                                  : text::hasGraphemePrefix(normalizedAlternatives_[index], typed_);
    if (agreeing) out.push_back(alternatives_[index]);
  }
  return out;
}

bool Matcher::complete() const {
  if (romajiPrompt_) {
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    for (std::size_t index = 0; index < paths->size(); ++index) {
      if (paths->text(index).size() == paths->prefixBytes) return true;
    }
    return false;
  }
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    const std::string& compared = nepaliPrompt_ ? alternatives_[index] : normalizedAlternatives_[index];
    if (compared == typed_) return true;
  }
  return false;
}

std::set<std::string> Matcher::next() const {
  std::set<std::string> out;
  if (romajiPrompt_) {
    // Every path begins with `typed` (as searched) in whole characters, so
    // the character after it starts right where `typed` ends.
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    for (std::size_t index = 0; index < paths->size(); ++index) {
      std::string_view rest = paths->text(index).substr(paths->prefixBytes);
      if (!rest.empty()) out.emplace(rest.substr(0, text::firstCharacterSize(rest)));
    }
    return out;
  }
  if (directNative_) {
    std::size_t n = scalarCount(typed_);
    for (const std::string& candidate : candidates()) {
      if (auto scalar = scalarAt(candidate, n)) out.insert(std::move(*scalar));
    }
    return out;
  }
  if (nepaliPrompt_ && LanguagePrompt::isNative(typed_)) return out;
  std::size_t n = text::characterCount(typed_);
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    if (nepaliPrompt_) {
      const std::string& candidate = alternatives_[index];
      if (!std::string_view(candidate).starts_with(typed_) || LanguagePrompt::isNative(candidate)) continue;
      if (auto character = characterAt(candidate, n)) out.emplace(*character);
    } else {
      std::string_view candidate = normalizedAlternatives_[index];
      if (!text::hasGraphemePrefix(candidate, typed_)) continue;
      std::string_view rest = candidate.substr(typed_.size());
      if (!rest.empty()) out.emplace(rest.substr(0, text::firstCharacterSize(rest)));
    }
  }
  return out;
}

std::optional<std::string> Matcher::expectedInput(bool native) const {
  if (romajiPrompt_) {
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    if (paths->empty()) return std::nullopt;
    std::string_view rest = paths->text(0).substr(paths->prefixBytes);
    if (rest.empty()) return std::nullopt;
    return std::string(rest.substr(0, text::firstCharacterSize(rest)));
  }
  std::vector<std::string> current = candidates();
  if (nepaliPrompt_ && (native || LanguagePrompt::isNative(typed_))) {
    for (const std::string& candidate : current) {
      if (LanguagePrompt::isNative(candidate)) return scalarAt(candidate, scalarCount(typed_));
    }
    return std::nullopt;
  }
  if (current.empty()) return std::nullopt;
  // Compared under canonical equivalence, so read the position in the
  // normalised form that `typed` agrees with.
  std::string first = nepaliPrompt_ ? current.front() : text::nfc(current.front());
  auto character = characterAt(first, text::characterCount(typed_));
  if (!character) return std::nullopt;
  return std::string(*character);
}

bool Matcher::input(std::string_view piece) {
  std::string lowered = caseSensitive_ ? std::string(piece) : text::lowercased(piece);
  std::string candidate = text::nfc(typed_ + lowered);
  bool accepted = romajiPrompt_ ? !Romaji::detail::paths(*romajiPrompt_, candidate)->empty()
                                : !alternatives_.empty() && agrees(candidate);
  if (accepted) typed_ = std::move(candidate);
  return accepted;
}

bool Matcher::replaceNativePrefix(std::string_view text) {
  if (!nepaliPrompt_ && !caseSensitive_) return false;
  std::string candidate = text::nfc(text);
  if (!agrees(candidate)) return false;
  typed_ = std::move(candidate);
  return true;
}

}  // namespace tavro
