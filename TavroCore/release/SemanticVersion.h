// Version texts such as "1.6.3", "v2.0" or "1.7.0-beta.1+42", parsed and
// ordered by Semantic Versioning 2.0.0 precedence. Missing numbers are
// padded with zeros, so 1.2 and 1.2.0 are the same version, and build
// metadata after "+" is dropped.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct SemanticVersion {
  // Major, minor and patch; exactly three after parsing.
  std::vector<std::int64_t> numbers;
  // The dot-separated prerelease identifiers; empty for a normal release.
  std::vector<std::string> prerelease;

  // Parses a version text: an optional lower-case "v", one to three numbers
  // without leading zeros, an optional prerelease after "-" (numeric
  // identifiers without leading zeros) and optional build metadata after
  // "+", which is dropped. No value when the text is not such a version or a
  // number does not fit in signed 64 bits.
  static std::optional<SemanticVersion> parse(std::string_view text);

  // Equal when both the numbers and the prerelease identifiers are equal.
  friend bool operator==(const SemanticVersion&, const SemanticVersion&) = default;

  // Precedence: numbers first (the first differing number decides), then a
  // prerelease is lower than the release itself, then prerelease
  // identifiers pairwise (numeric ones by value and below any other, the
  // others as ASCII text), a shorter list of equal identifiers being lower.
  // Every version is comparable and only equal versions are equivalent.
  friend std::strong_ordering operator<=>(const SemanticVersion& a, const SemanticVersion& b);
};

}  // namespace tavro
