#include "TavroCore/release/SemanticVersion.h"

#include "Support/Regex.h"
#include "Support/Text.h"

#include <algorithm>
#include <charconv>

namespace tavro {
namespace {

const WholeMatchRegex& versionPattern() {
  // One to three numbers, an optional prerelease and optional build metadata.
  static const WholeMatchRegex pattern(
      "[0-9]+(?:\\.[0-9]+){0,2}"
      "(?:-[0-9A-Za-z\\-]+(?:\\.[0-9A-Za-z\\-]+)*)?"
      "(?:\\+[0-9A-Za-z\\-]+(?:\\.[0-9A-Za-z\\-]+)*)?");
  return pattern;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::strong_ordering compareIdentifiers(const std::string& a, const std::string& b) {
  bool aNumeric = allDigits(a);
  bool bNumeric = allDigits(b);
  if (aNumeric && bNumeric) {
    // Numeric identifiers carry no leading zeros, so the shorter one is the
    // smaller number and equal lengths compare as text; no conversion can overflow.
    if (a.size() != b.size()) return a.size() <=> b.size();
    return a.compare(b) <=> 0;
  }
  if (aNumeric) return std::strong_ordering::less;
  if (bNumeric) return std::strong_ordering::greater;
  return a.compare(b) <=> 0;
}

}  // namespace

std::optional<SemanticVersion> SemanticVersion::parse(std::string_view text) {
  if (text.starts_with('v')) text.remove_prefix(1);
  if (!versionPattern().matches(text)) return std::nullopt;

  text = text.substr(0, text.find('+'));
  std::size_t dash = text.find('-');
  std::string_view core = text.substr(0, dash);

  SemanticVersion version;
  for (std::string_view component : text::split(core, '.')) {
    if (component.size() > 1 && component.front() == '0') return std::nullopt;
    std::int64_t number = 0;
    auto [end, error] =
        std::from_chars(component.data(), component.data() + component.size(), number);
    if (error != std::errc() || end != component.data() + component.size()) return std::nullopt;
    version.numbers.push_back(number);
  }
  version.numbers.resize(3, 0);

  if (dash != std::string_view::npos) {
    for (std::string_view identifier : text::split(text.substr(dash + 1), '.')) {
      if (allDigits(identifier) && identifier.size() > 1 && identifier.front() == '0')
        return std::nullopt;
      version.prerelease.emplace_back(identifier);
    }
  }
  return version;
}

std::strong_ordering operator<=>(const SemanticVersion& a, const SemanticVersion& b) {
  if (auto order = a.numbers <=> b.numbers; order != 0) return order;
  if (a.prerelease.empty() || b.prerelease.empty()) {
    // A release ranks above its own prereleases.
    return a.prerelease.empty() <=> b.prerelease.empty();
  }
  std::size_t common = std::min(a.prerelease.size(), b.prerelease.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (auto order = compareIdentifiers(a.prerelease[i], b.prerelease[i]); order != 0) return order;
  }
  return a.prerelease.size() <=> b.prerelease.size();
}

}  // namespace tavro
