#include "TavroCore/release/PublishedRelease.h"

#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/Configuration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>

namespace tavro {
namespace {

const std::string host(configuration::downloadHost());
const std::string address = "https://" + host + "/tools/Tavro-1.6.4.zip";

// The members of a good entry, without the braces, for building documents.
const std::string entryMembers =
    R"("applicationID": "com.brelva.tavro", "distributionStatus": "published",)"
    R"( "version": "1.6.4", "build": "19", "downloadURL": ")" +
    address + "\"";

std::string dedicated(const std::string& extraMembers = "") {
  return "{" + entryMembers + extraMembers + "}";
}

// What decode gave: an entry, no entry, BackupFailure.invalid or a JSON parse failure.
struct NoRelease {};
struct Invalid {};
struct NotJson {};
using Outcome = std::variant<PublishedRelease, NoRelease, Invalid, NotJson>;

Outcome decode(std::string_view data, bool isDedicated) {
  try {
    std::optional<PublishedRelease> release = PublishedRelease::decode(data, isDedicated);
    if (release) return *release;
    return NoRelease{};
  } catch (const BackupFailure&) {
    return Invalid{};
  } catch (const json::DecodingError&) {
    return NotJson{};
  }
}

PublishedRelease decoded(std::string_view data, bool isDedicated = true) {
  Outcome outcome = decode(data, isDedicated);
  if (!std::holds_alternative<PublishedRelease>(outcome)) {
    ADD_FAILURE() << "no release from " << data;
    return {};
  }
  return std::get<PublishedRelease>(outcome);
}

const char* name(const Outcome& outcome) {
  static const char* names[] = {"a release", "no release", "invalid", "not JSON"};
  return names[outcome.index()];
}

TEST(PublishedRelease, DecodesADedicatedDocument) {
  PublishedRelease release =
      decoded(dedicated(R"(, "releaseNotes": "Faster.", "fileSize": 1234, "sha256": ")" +
                        std::string(64, 'A') + R"(", "unknown": [1, {"x": null}])"));
  EXPECT_EQ(release.version, "1.6.4");
  EXPECT_EQ(release.build, "19");
  EXPECT_EQ(release.downloadURL.buffer(), address);
  EXPECT_EQ(release.notes, "Faster.");
  EXPECT_EQ(release.sha256, std::string(64, 'A'));
  EXPECT_EQ(release.fileSize, 1234);

  // Texts are kept as the feed writes them.
  PublishedRelease spelled =
      decoded(R"({"version": "v1.7.0-beta.1+exp", "downloadURL": ")" + address + "\"}");
  EXPECT_EQ(spelled.version, "v1.7.0-beta.1+exp");
  EXPECT_EQ(spelled.build, "0");
  EXPECT_EQ(spelled.notes, "");
  EXPECT_EQ(spelled.sha256, std::nullopt);
  EXPECT_EQ(spelled.fileSize, std::nullopt);
}

TEST(PublishedRelease, JudgesEachMemberOfAnEntry) {
  struct Case {
    const char* name;
    std::string document;
    std::size_t outcome;  // index into Outcome
  };
  const std::string url = R"(, "downloadURL": ")" + address + "\"";
  const std::string digest(64, 'f');
  const Case cases[] = {
      {"no applicationID", R"({"version": "1.6.4")" + url + "}", 0},
      {"applicationID a number", R"({"applicationID": 7, "version": "1.6.4")" + url + "}", 0},
      {"other application",
       R"({"applicationID": "com.brelva.other", "version": "1.6.4")" + url + "}", 2},
      {"other application, draft",
       R"({"applicationID": "com.brelva.other", "distributionStatus": "draft", "version": "x")" +
           url + "}",
       2},
      {"applicationID in other case",
       R"({"applicationID": "COM.brelva.tavro", "version": "1.6.4")" + url + "}", 2},
      {"draft", R"({"distributionStatus": "draft", "version": "1.6.4")" + url + "}", 1},
      {"draft with a broken version", R"({"distributionStatus": "draft", "version": "bad"})", 1},
      {"status a boolean", R"({"distributionStatus": true, "version": "1.6.4")" + url + "}", 0},
      {"no version", "{" + url.substr(2) + "}", 2},
      {"version a number", R"({"version": 1.6)" + url + "}", 2},
      {"version of four numbers", R"({"version": "1.2.3.4")" + url + "}", 2},
      {"version V1.2", R"({"version": "V1.2")" + url + "}", 2},
      {"no downloadURL", R"({"version": "1.6.4"})", 2},
      {"downloadURL not a URL", R"({"version": "1.6.4", "downloadURL": "https://a b/tools/x.zip"})",
       2},
      {"downloadURL relative", R"({"version": "1.6.4", "downloadURL": "/tools/x.zip"})", 2},
      {"downloadURL an object", R"({"version": "1.6.4", "downloadURL": {}})", 2},
      {"downloadURL elsewhere",
       R"({"version": "1.6.4", "downloadURL": "https://example.org/tools/x.zip"})", 2},
      {"digest in capitals", dedicated(R"(, "sha256": ")" + std::string(64, 'F') + "\""), 0},
      {"digest too short", dedicated(R"(, "sha256": ")" + digest.substr(1) + "\""), 2},
      {"digest not hexadecimal", dedicated(R"(, "sha256": ")" + digest.substr(1) + "g\""), 2},
      {"digest a number", dedicated(R"(, "sha256": 12)"), 0},
      {"digest null", dedicated(R"(, "sha256": null)"), 0},
      {"fileSize out of range", dedicated(R"(, "fileSize": 1e300)"), 2},
      {"fileSize beyond 64 bits", dedicated(R"(, "fileSize": 9223372036854775808)"), 2},
      {"fileSize a text", dedicated(R"(, "fileSize": "12")"), 0},
      {"top level an array", "[" + dedicated() + "]", 2},
      {"top level a string", R"("1.6.4")", 2},
      {"not JSON", "{\"version\": ", 3},
      {"not UTF-8", dedicated(", \"releaseNotes\": \"\xC3\x28\""), 3},
      {"nested too deeply",
       dedicated(", \"x\": " + std::string(5000, '[') + std::string(5000, ']')), 3},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    Outcome outcome = decode(row.document, true);
    EXPECT_EQ(outcome.index(), row.outcome) << "got " << name(outcome);
  }
}

TEST(PublishedRelease, ReadsOptionalMembersLeniently) {
  struct Case {
    const char* name;
    std::string members;
    std::string notes;
    std::string build;
    std::optional<std::int64_t> fileSize;
  };
  const Case cases[] = {
      {"notes as lines", R"(, "releaseNotes": ["a", "b"])", "a\nb", "19", std::nullopt},
      {"notes with a non-text line", R"(, "releaseNotes": ["a", 2])", "", "19", std::nullopt},
      {"notes an object", R"(, "releaseNotes": {"a": "b"})", "", "19", std::nullopt},
      {"empty notes list", R"(, "releaseNotes": [])", "", "19", std::nullopt},
      {"fraction cut off", R"(, "fileSize": 12.7)", "", "19", 12},
      {"negative fraction cut toward zero", R"(, "fileSize": -3.9)", "", "19", -3},
      {"exponent", R"(, "fileSize": 1.5e3)", "", "19", 1500},
      {"largest integer", R"(, "fileSize": 9223372036854775807)", "", "19", 9223372036854775807},
      {"size a boolean", R"(, "fileSize": true)", "", "19", std::nullopt},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    PublishedRelease release = decoded(dedicated(row.members));
    EXPECT_EQ(release.notes, row.notes);
    EXPECT_EQ(release.build, row.build);
    EXPECT_EQ(release.fileSize, row.fileSize);
  }
  EXPECT_EQ(
      decoded(R"({"version": "1.6.4", "build": 19, "downloadURL": ")" + address + "\"}").build,
      "0");
}

TEST(PublishedRelease, CutsNotesToTheirFirstCharacters) {
  // "e" with a combining acute accent: one character, three bytes.
  const std::string character = "e\xCC\x81";
  std::string long_notes;
  for (int i = 0; i < 12001; ++i) long_notes += character;
  PublishedRelease release =
      decoded(dedicated(R"(, "releaseNotes": [")" + long_notes + R"(", "more"])"));
  EXPECT_EQ(text::graphemeCount(release.notes), 12000u);
  EXPECT_EQ(release.notes, long_notes.substr(0, 12000 * character.size()));

  std::string exact(12000, 'x');
  EXPECT_EQ(decoded(dedicated(R"(, "releaseNotes": ")" + exact + "\"")).notes, exact);
}

TEST(PublishedRelease, BoundsTheDocumentBeforeParsing) {
  std::string document = dedicated();
  std::string padded =
      document + std::string(PublishedRelease::maximumDocumentBytes - document.size(), ' ');
  ASSERT_EQ(padded.size(), 256000u);
  EXPECT_EQ(decoded(padded).version, "1.6.4");
  EXPECT_TRUE(std::holds_alternative<Invalid>(decode(padded + " ", true)));
  // One byte over the bound is refused as too large even though it is not
  // JSON at all: the parser never sees it.
  EXPECT_TRUE(std::holds_alternative<Invalid>(decode(std::string(256001, '['), false)));
  EXPECT_TRUE(std::holds_alternative<NotJson>(decode(std::string(256000, '['), false)));
}

TEST(PublishedRelease, ChoosesThisApplicationsEntryFromACatalog) {
  struct Case {
    const char* name;
    std::string document;
    std::size_t outcome;
    std::string version = "";
  };
  auto entry = [](const std::string& id, const std::string& status, const std::string& version) {
    return R"({"applicationID": ")" + id + R"(", "distributionStatus": ")" + status +
           R"(", "version": ")" + version + R"(", "downloadURL": ")" + address + "\"}";
  };
  auto catalog = [](const std::string& applications) {
    return R"({"schemaVersion": 1, "applications": [)" + applications + "]}";
  };
  const std::string mine = "com.brelva.tavro";
  const Case cases[] = {
      {"first published entry for us",
       catalog(entry("com.brelva.other", "published", "9.0") + "," + entry(mine, "draft", "8.0") +
               "," + entry(mine, "published", "1.7") + "," + entry(mine, "published", "1.8")),
       0, "1.7"},
      {"entry without status passed over",
       catalog(R"({"applicationID": "com.brelva.tavro", "version": "2.0"},)" +
               entry(mine, "published", "1.7")),
       0, "1.7"},
      {"schemaVersion 1.0",
       R"({"schemaVersion": 1.0, "applications": [)" + entry(mine, "published", "1.7") + "]}", 0,
       "1.7"},
      {"empty applications", catalog(""), 1},
      {"no published entry for us",
       catalog(entry(mine, "draft", "1.7") + "," + entry("x", "published", "1.7")), 1},
      {"first entry broken, later one good",
       catalog(entry(mine, "published", "1.2.3.4") + "," + entry(mine, "published", "1.7")), 2},
      {"schemaVersion 2", R"({"schemaVersion": 2, "applications": []})", 2},
      {"schemaVersion a text", R"({"schemaVersion": "1", "applications": []})", 2},
      {"schemaVersion true", R"({"schemaVersion": true, "applications": []})", 2},
      {"no schemaVersion", R"({"applications": []})", 2},
      {"no applications", R"({"schemaVersion": 1})", 2},
      {"applications an object", R"({"schemaVersion": 1, "applications": {}})", 2},
      {"applications holding a non-object", catalog(entry(mine, "published", "1.7") + ", 3"), 2},
      {"a dedicated document", dedicated(), 2},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    Outcome outcome = decode(row.document, false);
    ASSERT_EQ(outcome.index(), row.outcome) << "got " << name(outcome);
    if (row.outcome == 0) {
      EXPECT_EQ(std::get<PublishedRelease>(outcome).version, row.version);
    }
  }
}

// The host name with its first character percent-encoded: the same name
// once decoded, but not as written.
std::string percentEncodedFirstLetter(const std::string& name) {
  char encoded[4];
  std::snprintf(encoded, sizeof encoded, "%%%02X", static_cast<unsigned char>(name[0]));
  return encoded + name.substr(1);
}

TEST(PublishedRelease, AllowsOnlyArchivesInTheToolsFolderOfTheDownloadHost) {
  struct Case {
    std::string url;
    bool allowed;
  };
  const std::string base = "https://" + host;
  const Case cases[] = {
      {base + "/tools/Tavro.zip", true},
      {base + "/tools/Tavro.dmg", true},
      {base + "/tools/Tavro.DMG", true},
      {base + "/tools/Tavro.Zip", true},
      {base + ":443/tools/Tavro.zip", true},
      {base + "/tools/sub/Tavro.zip?channel=beta", true},
      {base + "/tools/Tavro.tar.gz", false},
      {base + "/tools/Tavro", false},
      {base + "/tools/", false},
      {base + "/tools/Tavro.zip/", false},
      {base + "/tools/.zip", false},
      {base + "/downloads/Tavro.zip", false},
      {base + "/Tools/Tavro.zip", false},
      {base + "/%74ools/Tavro.zip", false},
      {base + "/tools/a..b.zip", false},
      {base + "/tools/../secret.zip", false},
      {base + "/tools/%2E%2E/secret.zip", false},
      {base + ":8443/tools/Tavro.zip", false},
      {base + ":/tools/Tavro.zip", false},
      {"https://user@" + host + "/tools/Tavro.zip", false},
      {"https://user:secret@" + host + "/tools/Tavro.zip", false},
      {"https://@" + host + "/tools/Tavro.zip", false},
      {base + "/tools/Tavro.zip#part", false},
      {base + "/tools/Tavro.zip#", false},
      {"http://" + host + "/tools/Tavro.zip", false},
      {"HTTPS://" + host + "/tools/Tavro.zip", false},
      {"https://evil." + host + "/tools/Tavro.zip", false},
      {"https://" + percentEncodedFirstLetter(host) + "/tools/Tavro.zip", false},
      {"https://" + host + ".evil.example/tools/Tavro.zip", false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.url);
    boost::urls::url url(row.url);
    EXPECT_EQ(PublishedRelease::allowed(url), row.allowed);
  }
}

}  // namespace
}  // namespace tavro
