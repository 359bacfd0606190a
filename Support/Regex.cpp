#include "Support/Regex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <stdexcept>
#include <string>

namespace tavro {

WholeMatchRegex::WholeMatchRegex(std::string_view pattern) {
  UParseError parseError{};
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString source =
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
  pattern_.reset(icu::RegexPattern::compile(source, 0, parseError, status));
  if (U_FAILURE(status) || !pattern_) {
    throw std::invalid_argument("invalid regular expression: " + std::string(pattern));
  }
}

WholeMatchRegex::~WholeMatchRegex() = default;
WholeMatchRegex::WholeMatchRegex(WholeMatchRegex&&) noexcept = default;
WholeMatchRegex& WholeMatchRegex::operator=(WholeMatchRegex&&) noexcept = default;

bool WholeMatchRegex::matches(std::string_view text) const {
  // A compiled pattern is shareable; each call makes its own matcher.
  icu::UnicodeString subject =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return false;
  bool whole = matcher->matches(status);
  return U_SUCCESS(status) && whole;
}

}  // namespace tavro
