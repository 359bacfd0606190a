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
  EXPECT_FALSE(UpdatePolicy::validDigest(certificate.substr(2) + "\xC3\xA9"));  // 64 bytes, not 64 digits
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
    EXPECT_EQ(UpdatePolicy::newer(row.version, row.build, row.thanVersion, row.thanBuild), row.newer);
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
      {release("1.6.4", "20"), true},
      {release("1.6.5", "1"), true},
      {release("1.6.3", "99"), false},
      {release("v1.6.4+meta", "19"), false},
      {release("garbage", "99"), false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.dedicated.notes);
    EXPECT_EQ(UpdatePolicy::latestPublishedRelease(catalog, row.dedicated),
              row.dedicatedWins ? row.dedicated : catalog);
  }
}

TEST(UpdatePolicy, ValidateRefusesAReleaseAtEachBrokenRule) {
  struct Case {
    const char* name;
    std::function<void(TavroRelease&, std::optional<std::string>&, std::string&)> change;
    bool accepted;
  };
  using Cert = std::optional<std::string>;
  auto url = [](const std::string& text) { return boost::urls::url(text); };
  const std::string base = "https://" + host;
  const Case cases[] = {
      {"the good release", [](TavroRelease&, Cert&, std::string&) {}, true},
      {"1 another application", [](TavroRelease& r, Cert&, std::string&) { r.applicationID = "com.brelva.Tavro"; }, false},
      {"2 a draft", [](TavroRelease& r, Cert&, std::string&) { r.distributionStatus = "draft"; }, false},
      {"3 plain http", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url("http://" + host + "/tools/T.zip"); }, false},
      {"3 another host", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url("https://example.org/tools/T.zip"); }, false},
      {"3 port 8443", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + ":8443/tools/T.zip"); }, false},
      {"3 a user name", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url("https://me@" + host + "/tools/T.zip"); }, false},
      {"3 a fragment", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/T.zip#x"); }, false},
      {"3 port 443", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + ":443/tools/T.zip"); }, true},
      {"4 outside the tools folder", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/T.zip"); }, false},
      {"5 extension in capitals", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/T.ZIP"); }, false},
      {"5 a disk image", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/T.dmg"); }, false},
      {"6 a .. piece", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/../T.zip"); }, false},
      {"6 an encoded .. piece", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/%2e%2e/T.zip"); }, false},
      {"6 .. inside a name", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools/a..b/T..zip"); }, true},
      {"6 empty pieces", [&](TavroRelease& r, Cert&, std::string&) { r.downloadURL = url(base + "/tools//T.zip"); }, true},
      {"7 an empty archive", [](TavroRelease& r, Cert&, std::string&) { r.fileSize = 0; }, false},
      {"7 a negative size", [](TavroRelease& r, Cert&, std::string&) { r.fileSize = -1; }, false},
      {"7 one byte", [](TavroRelease& r, Cert&, std::string&) { r.fileSize = 1; }, true},
      {"7 the largest archive", [](TavroRelease& r, Cert&, std::string&) { r.fileSize = 268435456; }, true},
      {"7 one byte too large", [](TavroRelease& r, Cert&, std::string&) { r.fileSize = 268435457; }, false},
      {"8 a short digest", [](TavroRelease& r, Cert&, std::string&) { r.sha256.pop_back(); }, false},
      {"9 a prerelease", [](TavroRelease& r, Cert&, std::string&) { r.version = "1.6.3-beta"; }, false},
      {"9 a leading v", [](TavroRelease& r, Cert&, std::string&) { r.version = "v1.6.4"; }, false},
      {"9 two numbers", [](TavroRelease& r, Cert&, std::string&) { r.version = "1.6"; }, true},
      {"9 five numbers", [](TavroRelease& r, Cert&, std::string&) { r.version = "1.6.4.0.1"; }, true},
      {"9 an empty part", [](TavroRelease& r, Cert&, std::string&) { r.version = "1..6"; }, false},
      {"9 a trailing line feed", [](TavroRelease& r, Cert&, std::string&) { r.version = "1.6.4\n"; }, false},
      {"10 a leading zero", [](TavroRelease& r, Cert&, std::string&) { r.build = "018"; }, true},
      {"10 a sign", [](TavroRelease& r, Cert&, std::string&) { r.build = "+18"; }, false},
      {"10 empty", [](TavroRelease& r, Cert&, std::string&) { r.build = ""; }, false},
      {"10 largest", [](TavroRelease& r, Cert&, std::string&) { r.build = "9223372036854775807"; }, true},
      {"10 beyond 64 bits", [](TavroRelease& r, Cert&, std::string&) { r.build = "9223372036854775808"; }, false},
      {"11 not dotted decimal", [](TavroRelease& r, Cert&, std::string&) { r.minimumMacOSVersion = "14.x"; }, false},
      {"12 a newer system needed", [](TavroRelease& r, Cert&, std::string&) { r.minimumMacOSVersion = "14.6"; }, false},
      {"12 exactly the running system", [](TavroRelease& r, Cert&, std::string&) { r.minimumMacOSVersion = "14.5.1"; }, true},
      {"12 digits compare by value", [](TavroRelease& r, Cert&, std::string& os) { os = "14.10.0"; r.minimumMacOSVersion = "14.9"; }, true},
      {"12 digits compare by value, refused", [](TavroRelease& r, Cert&, std::string& os) { os = "14.9.0"; r.minimumMacOSVersion = "14.10"; }, false},
      {"13 ARM64 in capitals only", [](TavroRelease& r, Cert&, std::string&) { r.architectures = {"ARM64"}; }, false},
      {"13 x86_64 only", [](TavroRelease& r, Cert&, std::string&) { r.architectures = {"x86_64"}; }, false},
      {"13 no architectures", [](TavroRelease& r, Cert&, std::string&) { r.architectures = {}; }, false},
      {"13 arm64 only", [](TavroRelease& r, Cert&, std::string&) { r.architectures = {"arm64"}; }, true},
      {"14 another signing mode", [](TavroRelease& r, Cert&, std::string&) { r.codeSigning.mode = "any"; }, false},
      {"15 a certificate digest of 63 digits",
       [](TavroRelease& r, Cert& c, std::string&) { r.codeSigning.certificateSHA256.pop_back(); c = r.codeSigning.certificateSHA256; }, false},
      {"16 installed certificate in capitals",
       [](TavroRelease&, Cert& c, std::string&) { c = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"; }, true},
      {"16 manifest certificate in capitals, installed in lower case",
       [](TavroRelease& r, Cert&, std::string&) { r.codeSigning.certificateSHA256 = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"; }, true},
      {"16 installed certificate unknown", [](TavroRelease&, Cert& c, std::string&) { c.reset(); }, false},
      {"16 another certificate", [](TavroRelease&, Cert& c, std::string&) { c = std::string(64, 'a'); }, false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TavroRelease release = goodRelease();
    std::optional<std::string> installed = certificate;
    std::string currentOS = "14.5.1";
    row.change(release, installed, currentOS);
    std::optional<std::string_view> installedView;
    if (installed) installedView = *installed;
    EXPECT_EQ(isRefusal([&] { UpdatePolicy::validate(release, installedView, currentOS); }), !row.accepted);
  }
}

TEST(UpdatePolicy, ValidateCandidateChecksTheInfoPlistTexts) {
  using platform::PlistDictionary;
  using platform::PlistValue;
  const PlistDictionary good = {
      {"CFBundleIdentifier", "com.brelva.tavro"}, {"CFBundleExecutable", "Tavro"},
      {"CFBundleShortVersionString", "1.6.4"},    {"CFBundleVersion", "19"},
      {"CFBundlePackageType", "APPL"},            {"LSMinimumSystemVersion", "14.0"},
      {"NSHumanReadableCopyright", 7},
  };
  struct Case {
    const char* name;
    std::function<void(PlistDictionary&)> change;
    bool accepted;
  };
  const Case cases[] = {
      {"the good bundle", [](PlistDictionary&) {}, true},
      {"identifier of another case", [](PlistDictionary& i) { i.at("CFBundleIdentifier") = "com.brelva.Tavro"; }, false},
      {"identifier missing", [](PlistDictionary& i) { i.erase("CFBundleIdentifier"); }, false},
      {"another executable", [](PlistDictionary& i) { i.at("CFBundleExecutable") = "tavro"; }, false},
      {"another version", [](PlistDictionary& i) { i.at("CFBundleShortVersionString") = "1.6.4.0"; }, false},
      {"version missing", [](PlistDictionary& i) { i.erase("CFBundleShortVersionString"); }, false},
      {"another build", [](PlistDictionary& i) { i.at("CFBundleVersion") = "019"; }, false},
      {"build stored as a number", [](PlistDictionary& i) { i.at("CFBundleVersion") = 19; }, false},
      {"build stored as a real", [](PlistDictionary& i) { i.at("CFBundleVersion") = 19.0; }, false},
      {"build in a list", [](PlistDictionary& i) { i.at("CFBundleVersion") = platform::PlistArray{"19"}; }, false},
      {"a framework", [](PlistDictionary& i) { i.at("CFBundlePackageType") = "FMWK"; }, false},
      {"package type a boolean", [](PlistDictionary& i) { i.at("CFBundlePackageType") = true; }, false},
      {"minimum system 14.1", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14.1"; }, false},
      {"minimum system 14", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14"; }, false},
      {"minimum system 14.00", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = "14.00"; }, true},
      {"minimum system missing", [](PlistDictionary& i) { i.erase("LSMinimumSystemVersion"); }, false},
      {"minimum system a number", [](PlistDictionary& i) { i.at("LSMinimumSystemVersion") = 14.0; }, false},
  };
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
