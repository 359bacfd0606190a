// The rules that decide whether a release may be installed: which download
// addresses are trusted, what a release manifest must say about itself, the
// running system and the installed application's signing certificate, what
// a candidate bundle's Info.plist must agree with, and how versions with
// their build numbers are ordered. Pure functions without state; every
// refusal is UpdateFailure(UpdateFailure::notVerified).
#pragma once

#include "Platform/Bundle.h"
#include "TavroCore/release/PublishedRelease.h"
#include "TavroUpdate/TavroRelease.h"

#include <boost/url/url_view.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro::UpdatePolicy {

// The largest accepted archive, in bytes (256 MiB).
inline constexpr std::int64_t maximumArchiveBytes = 268435456;

// True when the address is present, its scheme is exactly "https", its host
// is exactly the download host, it has no port other than 443, and no user
// name, password or fragment. The path is judged by validate().
bool allowed(std::optional<boost::urls::url_view> url);

// True when `text` is exactly 64 hexadecimal digits, in either case.
bool validDigest(std::string_view text);

// True when `version` with `build` is newer than `thanVersion` with
// `thanBuild`. Versions are semantic versions (a text that does not parse
// makes the answer false); equal versions are ordered by their builds read
// as signed 64-bit decimal numbers, an empty or unreadable build counting
// as -1.
bool newer(std::string_view version, std::string_view build, std::string_view thanVersion,
           std::string_view thanBuild);

// The entry to offer from the catalog and the dedicated feed: whichever is
// present, else the dedicated entry when it is newer, else the catalog's
// (which also wins a tie).
std::optional<PublishedRelease> latestPublishedRelease(
    const std::optional<PublishedRelease>& catalog,
    const std::optional<PublishedRelease>& dedicated);

// Checks a release manifest, rule by rule, the first broken rule ending the
// check: this application, published, download address allowed and in the
// "/tools/" folder with the extension "zip" (lower case) and no ".." piece,
// 1 <= fileSize <= maximumArchiveBytes, a valid archive digest, a dotted
// decimal version, a decimal build within signed 64 bits, a dotted decimal
// minimum system version not above `currentOS` (NumericComparison), "arm64"
// among the architectures, the "same-certificate" signing mode with a valid
// certificate digest, and `installedCertificate` present and equal to that
// digest ignoring letter case. `currentOS` is the running system's
// "major.minor.patch"; `installedCertificate` the installed bundle's leaf
// certificate digest, absent when its signature cannot be read.
// Throws UpdateFailure(notVerified) when a rule is broken.
void validate(const TavroRelease& release, std::optional<std::string_view> installedCertificate,
              std::string_view currentOS);

// Checks a candidate bundle's Info.plist against the manifest. Each key
// must be present with a text value: CFBundleIdentifier is the bundle ID,
// CFBundleExecutable is "Tavro", CFBundleShortVersionString and
// CFBundleVersion are the release's version and build, CFBundlePackageType
// is "APPL", and LSMinimumSystemVersion is equivalent to the release's
// minimum system version under NumericComparison. Texts are compared
// exactly. Throws UpdateFailure(notVerified) at the first broken rule.
void validateCandidate(const platform::PlistDictionary& info, const TavroRelease& release);

}  // namespace tavro::UpdatePolicy
