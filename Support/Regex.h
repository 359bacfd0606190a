// Regular expressions in ICU syntax that must match a whole text.
#pragma once

#include <memory>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace tavro {

class WholeMatchRegex {
 public:
  // Compiles `pattern` (ICU syntax). Throws std::invalid_argument when the
  // pattern does not compile.
  explicit WholeMatchRegex(std::string_view pattern);
  ~WholeMatchRegex();
  WholeMatchRegex(WholeMatchRegex&&) noexcept;
  WholeMatchRegex& operator=(WholeMatchRegex&&) noexcept;

  // True when the pattern matches all of `text`, not just a part of it.
  // Safe to call from several threads at once.
  bool matches(std::string_view text) const;

 private:
  std::unique_ptr<icu::RegexPattern> pattern_;
};

}  // namespace tavro
