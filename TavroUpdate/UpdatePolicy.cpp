#include "TavroUpdate/UpdatePolicy.h"

#include "Support/Regex.h"
#include "TavroCore/release/DownloadAddress.h"
#include "TavroCore/release/ReleaseIdentity.h"
#include "TavroCore/release/SemanticVersion.h"
#include "TavroUpdate/NumericComparison.h"
#include "TavroUpdate/UpdateFailure.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>

namespace tavro::UpdatePolicy {
namespace {

[[noreturn]] void refuse() {
  throw UpdateFailure(UpdateFailure::notVerified);
}

const WholeMatchRegex& dottedDecimal() {
  static const WholeMatchRegex pattern("[0-9]+(\\.[0-9]+)*");
  return pattern;
}

bool isDecimal(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A signed 64-bit decimal number: an optional "+" or "-", then ASCII digits.
std::optional<std::int64_t> readInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!isDecimal(text)) return std::nullopt;
  // Read the magnitude as unsigned so that -9223372036854775808 fits.
  std::uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr std::uint64_t largest = static_cast<std::uint64_t>(INT64_MAX);
  if (negative) {
    if (magnitude > largest + 1) return std::nullopt;
    return magnitude == largest + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > largest) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

std::int64_t buildNumber(std::string_view build) {
  return readInteger(build).value_or(-1);
}

std::string asciiLowercased(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return result;
}

// The rules of validate(), in the order they are tried.
bool releaseRulesHold(const TavroRelease& release,
                      std::optional<std::string_view> installedCertificate,
                      std::string_view currentOS) {
  const boost::urls::url_view url = release.downloadURL;
  const std::vector<std::string>& architectures = release.architectures;
  const std::function<bool()> rules[] = {
      [&] { return release.applicationID == ReleaseIdentity::bundleID; },
      [&] { return release.distributionStatus == "published"; },
      [&] { return allowed(url); },
      [&] { return DownloadAddress::inToolsFolder(url); },
      [&] { return DownloadAddress::pathExtension(url) == "zip"; },
      [&] {
        std::vector<std::string> pieces = DownloadAddress::pathPieces(url);
        return std::find(pieces.begin(), pieces.end(), "..") == pieces.end();
      },
      [&] { return release.fileSize >= 1 && release.fileSize <= maximumArchiveBytes; },
      [&] { return validDigest(release.sha256); },
      [&] { return dottedDecimal().matches(release.version); },
      [&] { return isDecimal(release.build) && readInteger(release.build).has_value(); },
      [&] { return dottedDecimal().matches(release.minimumMacOSVersion); },
      [&] { return NumericComparison::compare(currentOS, release.minimumMacOSVersion) >= 0; },
      [&] {
        return std::find(architectures.begin(), architectures.end(), "arm64") !=
               architectures.end();
      },
      [&] { return release.codeSigning.mode == "same-certificate"; },
      [&] { return validDigest(release.codeSigning.certificateSHA256); },
      [&] {
        return installedCertificate.has_value() &&
               asciiLowercased(*installedCertificate) ==
                   asciiLowercased(release.codeSigning.certificateSHA256);
      },
  };
  return std::all_of(std::begin(rules), std::end(rules), [](const auto& rule) { return rule(); });
}

// The Info.plist text under `key`, when it is present as text.
const std::string* text(const platform::PlistDictionary& info, std::string_view key) {
  auto found = info.find(key);
  return found == info.end() ? nullptr : found->second.string();
}

}  // namespace

bool allowed(std::optional<boost::urls::url_view> url) {
  return url.has_value() && DownloadAddress::onDownloadHost(*url);
}

bool validDigest(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

bool newer(std::string_view version, std::string_view build, std::string_view thanVersion,
           std::string_view thanBuild) {
  std::optional<SemanticVersion> than = SemanticVersion::parse(thanVersion);
  if (!than) return false;
  std::optional<SemanticVersion> candidate = SemanticVersion::parse(version);
  if (!candidate) return false;
  if (*than < *candidate) return true;
  if (*than != *candidate) return false;
  return buildNumber(thanBuild) < buildNumber(build);
}

std::optional<PublishedRelease> latestPublishedRelease(
    const std::optional<PublishedRelease>& catalog,
    const std::optional<PublishedRelease>& dedicated) {
  if (!catalog) return dedicated;
  if (!dedicated) return catalog;
  return newer(dedicated->version, dedicated->build, catalog->version, catalog->build) ? dedicated
                                                                                       : catalog;
}

void validate(const TavroRelease& release, std::optional<std::string_view> installedCertificate,
              std::string_view currentOS) {
  if (!releaseRulesHold(release, installedCertificate, currentOS)) refuse();
}

void validateCandidate(const platform::PlistDictionary& info, const TavroRelease& release) {
  struct Rule {
    std::string_view key;
    std::function<bool(const std::string&)> holds;
  };
  const Rule rules[] = {
      {"CFBundleIdentifier", [](const std::string& v) { return v == ReleaseIdentity::bundleID; }},
      {"CFBundleExecutable", [](const std::string& v) { return v == "Tavro"; }},
      {"CFBundleShortVersionString", [&](const std::string& v) { return v == release.version; }},
      {"CFBundleVersion", [&](const std::string& v) { return v == release.build; }},
      {"CFBundlePackageType", [](const std::string& v) { return v == "APPL"; }},
      {"LSMinimumSystemVersion",
       [&](const std::string& v) {
         return NumericComparison::compare(v, release.minimumMacOSVersion) == 0;
       }},
  };
  for (const Rule& rule : rules) {
    const std::string* value = text(info, rule.key);
    if (!value || !rule.holds(*value)) refuse();
  }
}

}  // namespace tavro::UpdatePolicy
