#include "TavroUpdate/UpdatePolicy.h"

#include "TavroCore/Configuration.h"
#include "TavroUpdate/UpdateFailure.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tavro {
namespace {

const std::string host(configuration::downloadHost());
const std::string certificate = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TavroRelease goodRelease() {
  TavroRelease release;
  release.applicationID = "com.brelva.tavro";
  release.version = "1.6.4";
  release.build = "19";
  release.distributionStatus = "published";
  release.downloadURL = boost::urls::url("https://" + host + "/tools/Tavro-1.6.4.zip");
  release.sha256 = std::string(64, 'e');
  release.fileSize = 1048576;
  release.architectures = {"arm64", "x86_64"};
  release.minimumMacOSVersion = "14.0";
  release.codeSigning = {"same-certificate", certificate};
  return release;
}

bool isRefusal(const std::function<void()>& check) {
  try {
    check();
    return false;
  } catch (const UpdateFailure& failure) {
    EXPECT_STREQ(failure.what(), "Update could not be verified.");
    return true;
  }
}

TEST(UpdatePolicy, AllowsOnlyPlainHttpsAddressesOnTheDownloadHost) {
  struct Case {
    std::string url;
    bool allowed;
  };
  const std::string base = "https://" + host;
  const Case cases[] = {
      {base + "/tools/Tavro.zip", true},
      {base + ":443/tools/Tavro.zip", true},
      {base + "/anything/at/all.dmg?x=1", true},  // the path is validate()'s business
      {base + ":8443/tools/Tavro.zip", false},
      {base + ":80/tools/Tavro.zip", false},
      {"http://" + host + "/tools/Tavro.zip", false},
      {"Https://" + host + "/tools/Tavro.zip", false},
      {"https://downloads.example.org/tools/Tavro.zip", false},
      {"https://user@" + host + "/tools/Tavro.zip", false},
      {"https://:secret@" + host + "/tools/Tavro.zip", false},
      {base + "/tools/Tavro.zip#top", false},
      {"/tools/Tavro.zip", false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.url);
    EXPECT_EQ(UpdatePolicy::allowed(boost::urls::url(row.url)), row.allowed);
  }
  EXPECT_FALSE(UpdatePolicy::allowed(std::nullopt));
}

TEST(UpdatePolicy, ValidDigestIsSixtyFourHexadecimalDigits) {
  EXPECT_TRUE(UpdatePolicy::validDigest(certificate));
  EXPECT_TRUE(UpdatePolicy::validDigest(std::string(32, 'A') + std::string(32, 'f')));
  EXPECT_FALSE(UpdatePolicy::validDigest(certificate.substr(1)));
  EXPECT_FALSE(UpdatePolicy::validDigest(certificate + "0"));
  EXPECT_FALSE(UpdatePolicy::validDigest(certificate.substr(1) + "g"));
  EXPECT_FALSE(
      UpdatePolicy::validDigest(certificate.substr(2) + "\xC3\xA9"));  // 64 bytes, not 64 digits
  EXPECT_FALSE(UpdatePolicy::validDigest(""));
}

TEST(UpdatePolicy, NewerComparesVersionsThenBuilds) {
  struct Case {
    const char* version;
    const char* build;
    const char* thanVersion;
    const char* thanBuild;
    bool newer;
  };
  const Case cases[] = {
      {"1.6.4", "1", "1.6.3", "99", true},
      {"1.6.3", "19", "1.6.3", "18", true},
      {"1.6.3", "18", "1.6.3", "18", false},
      {"1.6.3", "18", "1.6.3", "19", false},
      {"1.6.3", "99", "1.6.4", "1", false},
      {"1.6.3", "5", "1.6.3", "abc", true},
      {"1.6.3", "x", "1.6.3", "", false},
      {"1.6.3", "0", "1.6.3", "", true},
      {"1.6.3", "", "1.6.3", "-2", true},
      {"1.6.3", "+7", "1.6.3", "6", true},
      {"1.6.3", "-0", "1.6.3", "-1", true},
      {"1.6.3", "7 ", "1.6.3", "6", false},  // unreadable: -1
      {"1.6.3", "9223372036854775807", "1.6.3", "9223372036854775806", true},
      {"1.6.3", "9223372036854775808", "1.6.3", "0", false},  // beyond 64 bits: -1
      {"1.6.3", "-1", "1.6.3", "-9223372036854775808", true},
      {"1.6.3", "-9223372036854775808", "1.6.3", "-9223372036854775809", false},  // beyond: -1
      {"1.7.0-beta.1", "1", "1.6.9", "500", true},
      {"1.7.0-beta.1", "500", "1.7.0", "1", false},
      {"1.7.0", "1", "1.7.0-beta.1", "500", true},
      {"1.2", "2", "v1.2.0+7", "1", true},
      {"1.2.0", "1", "1.2", "2", false},
      {"2.0", "1", "not a version", "1", false},
      {"not a version", "1", "1.0", "1", false},
      {"1.10.0", "1", "1.9.0", "1", true},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(std::string(row.version) + "(" + row.build + ") against " + row.thanVersion + "(" +
                 row.thanBuild + ")");
    EXPECT_EQ(UpdatePolicy::newer(row.version, row.build, row.thanVersion, row.thanBuild),
              row.newer);
  }
}

TEST(UpdatePolicy, LatestPublishedReleasePrefersANewerDedicatedEntry) {
  auto release = [](std::string version, std::string build) {
    PublishedRelease entry;
    entry.version = std::move(version);
    entry.build = std::move(build);
    entry.notes = entry.version + "/" + entry.build;
    return entry;
  };
  PublishedRelease catalog = release("1.6.4", "19");
  EXPECT_EQ(UpdatePolicy::latestPublishedRelease(std::nullopt, std::nullopt), std::nullopt);
  EXPECT_EQ(UpdatePolicy::latestPublishedRelease(catalog, std::nullopt), catalog);
  EXPECT_EQ(UpdatePolicy::latestPublishedRelease(std::nullopt, catalog), catalog);

  struct Case {
    PublishedRelease dedicated;
    bool dedicatedWins;
  };
  const Case cases[] = {
      {release("1.6.4", "19"), false},  // a tie goes to the catalog
      {release("1.6.4", "20"), true},    {release("1.6.5", "1"), true},
      {release("1.6.3", "99"), false},   {release("v1.6.4+meta", "19"), false},
      {release("garbage", "99"), false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.dedicated.notes);
    EXPECT_EQ(UpdatePolicy::latestPublishedRelease(catalog, row.dedicated),
              row.dedicatedWins ? row.dedicated : catalog);
  }
}

// What validate() is given: a manifest, the installed certificate and the running system.
struct ValidateInput {
  TavroRelease release = goodRelease();
  std::optional<std::string> installed = certificate;
  std::string currentOS = "14.5.1";

  bool refused() const {
    std::optional<std::string_view> installedView;
    if (installed) installedView = *installed;
    return isRefusal([&] { UpdatePolicy::validate(release, installedView, currentOS); });
  }
};

TEST(UpdatePolicy, ValidateJudgesTheDownloadAddress) {
  struct Case {
    std::string url;
    bool accepted;
  };
  const std::string base = "https://" + host;
  // clang-format off
  const Case cases[] = {
      {base + "/tools/Tavro-1.6.4.zip", true},
      {base + ":443/tools/T.zip", true},
      {base + "/tools/a..b/T..zip", true},      // ".." only refused as a whole piece
      {base + "/tools//T.zip", true},           // empty pieces are dropped
      {base + "/tools/T.zip?channel=1", true},
      {"http://" + host + "/tools/T.zip", false},                // rule 3
      {"https://example.org/tools/T.zip", false},
      {base + ":8443/tools/T.zip", false},
      {"https://me@" + host + "/tools/T.zip", false},
      {"https://me:pw@" + host + "/tools/T.zip", false},
      {base + "/tools/T.zip#x", false},
      {"/tools/T.zip", false},
      {base + "/T.zip", false},                                  // rule 4
      {base + "/toolsT.zip", false},
      {base + "/tools%2FT.zip", false},
      {base + "/tools/T.ZIP", false},                            // rule 5
      {base + "/tools/T.dmg", false},
      {base + "/tools/T.zip/", false},
      {base + "/tools/T", false},
      {base + "/tools/../T.zip", false},                         // rule 6
      {base + "/tools/%2e%2e/T.zip", false},
      {base + "/tools/a/../../T.zip", false},
  };
  // clang-format on
  for (const Case& row : cases) {
    SCOPED_TRACE(row.url);
    ValidateInput input;
    input.release.downloadURL = boost::urls::url(row.url);
    EXPECT_EQ(input.refused(), !row.accepted);
  }
}

TEST(UpdatePolicy, ValidateRefusesAReleaseAtEachBrokenRule) {
  struct Case {
    const char* name;
    std::function<void(ValidateInput&)> change;
    bool accepted;
  };
  const std::string capitals = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
  // clang-format off
  const Case cases[] = {
      {"the good release", [](ValidateInput&) {}, true},
      {"1 another application", [](ValidateInput& i) { i.release.applicationID = "com.brelva.Tavro"; }, false},
      {"2 a draft", [](ValidateInput& i) { i.release.distributionStatus = "draft"; }, false},
      {"7 an empty archive", [](ValidateInput& i) { i.release.fileSize = 0; }, false},
      {"7 a negative size", [](ValidateInput& i) { i.release.fileSize = -1; }, false},
      {"7 one byte", [](ValidateInput& i) { i.release.fileSize = 1; }, true},
      {"7 the largest archive", [](ValidateInput& i) { i.release.fileSize = 268435456; }, true},
      {"7 one byte too large", [](ValidateInput& i) { i.release.fileSize = 268435457; }, false},
      {"8 a short digest", [](ValidateInput& i) { i.release.sha256.pop_back(); }, false},
      {"8 a digest in capitals", [](ValidateInput& i) { i.release.sha256 = std::string(64, 'E'); }, true},
      {"9 a prerelease", [](ValidateInput& i) { i.release.version = "1.6.3-beta"; }, false},
      {"9 a leading v", [](ValidateInput& i) { i.release.version = "v1.6.4"; }, false},
      {"9 two numbers", [](ValidateInput& i) { i.release.version = "1.6"; }, true},
      {"9 five numbers", [](ValidateInput& i) { i.release.version = "1.6.4.0.1"; }, true},
      {"9 an empty part", [](ValidateInput& i) { i.release.version = "1..6"; }, false},
      {"9 a trailing line feed", [](ValidateInput& i) { i.release.version = "1.6.4\n"; }, false},
      {"10 a leading zero", [](ValidateInput& i) { i.release.build = "018"; }, true},
      {"10 a sign", [](ValidateInput& i) { i.release.build = "+18"; }, false},
      {"10 empty", [](ValidateInput& i) { i.release.build = ""; }, false},
      {"10 largest", [](ValidateInput& i) { i.release.build = "9223372036854775807"; }, true},
      {"10 beyond 64 bits", [](ValidateInput& i) { i.release.build = "9223372036854775808"; }, false},
      {"11 not dotted decimal", [](ValidateInput& i) { i.release.minimumMacOSVersion = "14.x"; }, false},
      {"12 a newer system needed", [](ValidateInput& i) { i.release.minimumMacOSVersion = "14.6"; }, false},
      {"12 exactly the running system", [](ValidateInput& i) { i.release.minimumMacOSVersion = "14.5.1"; }, true},
      {"12 by value: 14.10 runs 14.9",
       [](ValidateInput& i) { i.currentOS = "14.10.0"; i.release.minimumMacOSVersion = "14.9"; }, true},
      {"12 by value: 14.9 does not run 14.10",
       [](ValidateInput& i) { i.currentOS = "14.9.0"; i.release.minimumMacOSVersion = "14.10"; }, false},
      {"13 ARM64 in capitals only", [](ValidateInput& i) { i.release.architectures = {"ARM64"}; }, false},
      {"13 x86_64 only", [](ValidateInput& i) { i.release.architectures = {"x86_64"}; }, false},
      {"13 no architectures", [](ValidateInput& i) { i.release.architectures = {}; }, false},
      {"13 arm64 only", [](ValidateInput& i) { i.release.architectures = {"arm64"}; }, true},
      {"14 another signing mode", [](ValidateInput& i) { i.release.codeSigning.mode = "any"; }, false},
      {"15 a certificate digest of 63 digits, installed the same",
       [](ValidateInput& i) { i.release.codeSigning.certificateSHA256.pop_back(); i.installed->pop_back(); }, false},
      {"16 installed certificate in capitals", [&](ValidateInput& i) { i.installed = capitals; }, true},
      {"16 manifest certificate in capitals",
       [&](ValidateInput& i) { i.release.codeSigning.certificateSHA256 = capitals; }, true},
      {"16 installed certificate unknown", [](ValidateInput& i) { i.installed.reset(); }, false},
      {"16 another certificate", [](ValidateInput& i) { i.installed = std::string(64, 'a'); }, false},
  };
  // clang-format on
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    ValidateInput input;
    row.change(input);
    EXPECT_EQ(input.refused(), !row.accepted);
  }
}

TEST(UpdatePolicy, ValidateCandidateChecksTheInfoPlistTexts) {
  using platform::PlistDictionary;
  using platform::PlistValue;
  const PlistDictionary good = {
      {"CFBundleIdentifier", "com.brelva.tavro"},
      {"CFBundleExecutable", "Tavro"},
      {"CFBundleShortVersionString", "1.6.4"},
      {"CFBundleVersion", "19"},
      {"CFBundlePackageType", "APPL"},
      {"LSMinimumSystemVersion", "14.0"},
      {"NSHumanReadableCopyright", 7},
  };
  struct Case {
    const char* name;
    std::function<void(PlistDictionary&)> change;
    bool accepted;
  };
  // clang-format off
  const Case cases[] = {
      {"the good bundle", [](PlistDictionary&) {}, true},
      {"identifier of another case",
       [](PlistDictionary& i) { i.at("CFBundleIdentifier") = "com.brelva.Tavro"; }, false},
      {"identifier missing", [](PlistDictionary& i) { i.erase("CFBundleIdentifier"); }, false},
      {"another executable", [](PlistDictionary& i) { i.at("CFBundleExecutable") = "tavro"; },
       false},
      {"another version",
       [](PlistDictionary& i) { i.at("CFBundleShortVersionString") = "1.6.4.0"; }, false},
      {"version missing", [](PlistDictionary& i) { i.erase("CFBundleShortVersionString"); }, false},
      {"another build", [](PlistDictionary& i) { i.at("CFBundleVersion") = "019"; }, false},
      {"build stored as a number", [](PlistDictionary& i) { i.at("CFBundleVersion") = 19; }, false},
      {"build stored as a real", [](PlistDictionary& i) { i.at("CFBundleVersion") = 19.0; }, false},
      {"build in a list",
       [](PlistDictionary& i) { i.at("CFBundleVersion") = platform::PlistArray{"19"}; }, false},
      {"a framework", [](PlistDictionary& i) { i.at("CFBundlePackageType") = "FMWK"; }, false},
      {"package type a boolean", [](PlistDictionary& i) { i.at("CFBundlePackageType") = true; },
       false},
      {"minimum system 14.1", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14.1"; },
       false},
      {"minimum system 14", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14"; },
       false},
      {"minimum system 14.00", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14.00"; },
       true},
      {"minimum system missing", [](PlistDictionary& i) { i.erase("LSMinimumSystemVersion"); },
       false},
      {"minimum system a number", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = 14.0; },
       false},
  };
  // clang-format on
  const TavroRelease release = goodRelease();
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    PlistDictionary info = good;
    row.change(info);
    EXPECT_EQ(isRefusal([&] { UpdatePolicy::validateCandidate(info, release); }), !row.accepted);
  }
}

}  // namespace
}  // namespace tavro
