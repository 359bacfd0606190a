#include "TavroUpdate/TavroRelease.h"

#include "Support/Json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro {
namespace {

const std::string certificate(64, 'a');

std::string manifest(const std::string& fileSize = "1024", const std::string& signing = "") {
  return R"({"applicationID":"com.brelva.tavro","version":"1.6.3","build":"18",)"
         R"("distributionStatus":"published",)"
         R"("downloadURL":"https://downloads.brelva.example/tools/Tavro-1.6.3.zip",)"
         R"("sha256":"ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789",)"
         R"("fileSize":)" + fileSize + R"(,"architectures":["arm64","x86_64"],)"
         R"("minimumMacOSVersion":"14.0","codeSigning":)" +
         (signing.empty() ? R"({"mode":"same-certificate","certificateSHA256":")" + certificate + R"("})" : signing) +
         "}";
}

TEST(TavroRelease, DecodesEveryFieldUnchanged) {
  TavroRelease release = TavroRelease::decode(manifest());
  EXPECT_EQ(release.applicationID, "com.brelva.tavro");
  EXPECT_EQ(release.version, "1.6.3");
  EXPECT_EQ(release.build, "18");
  EXPECT_EQ(release.distributionStatus, "published");
  EXPECT_EQ(release.downloadURL.scheme(), "https");
  EXPECT_EQ(release.downloadURL.host(), "downloads.brelva.example");
  EXPECT_EQ(release.downloadURL.path(), "/tools/Tavro-1.6.3.zip");
  // Upper-case hex is kept as written; later checks compare it lower-cased.
  EXPECT_EQ(release.sha256, "ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789");
  EXPECT_EQ(release.fileSize, 1024);
  EXPECT_EQ(release.architectures, (std::vector<std::string>{"arm64", "x86_64"}));
  EXPECT_EQ(release.minimumMacOSVersion, "14.0");
  EXPECT_EQ(release.codeSigning.mode, "same-certificate");
  EXPECT_EQ(release.codeSigning.certificateSHA256, certificate);
}

TEST(TavroRelease, EncodesKeysInDeclarationOrderAndRoundTrips) {
  TavroRelease release = TavroRelease::decode(manifest());
  std::string encoded = release.encode();
  EXPECT_EQ(encoded, manifest());
  EXPECT_EQ(TavroRelease::decode(encoded), release);
}

TEST(TavroRelease, UnusualUrlsDecodeAndCompareSafely) {
  // An empty host with a port once crashed the comparison of decoded manifests.
  for (const char* url : {"https://:3.", "relative/path.zip", "https://h/%41?q#f"}) {
    SCOPED_TRACE(url);
    std::string text = manifest();
    const std::string from = "https://downloads.brelva.example/tools/Tavro-1.6.3.zip";
    text.replace(text.find(from), from.size(), url);
    TavroRelease release = TavroRelease::decode(text);
    EXPECT_EQ(release.downloadURL.buffer(), url);
    EXPECT_EQ(TavroRelease::decode(release.encode()), release);
  }
}

TEST(TavroRelease, DecodingLeavesContentRulesToThePolicy) {
  std::string lax = manifest("0", R"({"mode":"anything","certificateSHA256":"xyz"})");
  lax.replace(lax.find(R"(["arm64","x86_64"])"), 18, "[]");
  lax.insert(1, R"("releaseNotes":"Faster hints.",)");
  TavroRelease release = TavroRelease::decode(lax);
  EXPECT_TRUE(release.architectures.empty());
  EXPECT_EQ(release.codeSigning.mode, "anything");
  EXPECT_EQ(release.fileSize, 0);
}

TEST(TavroRelease, RefusesEveryOtherForm) {
  auto without = [](const std::string& key) {
    std::string text = manifest();
    std::size_t start = text.find("\"" + key + "\"");
    std::size_t end = text.find(",\"", start);
    return text.erase(start, end - start + 1);
  };
  auto replaced = [](const std::string& from, const std::string& to) {
    std::string text = manifest();
    return text.replace(text.find(from), from.size(), to);
  };
  struct Case {
    std::string name;
    std::string json;
  };
  std::vector<Case> cases = {
      {"fileSize as text", manifest("\"1024\"")},
      {"fileSize beyond 64 bits", manifest("9223372036854775808")},
      {"fileSize with a fraction", manifest("1024.0")},
      {"fileSize null", manifest("null")},
      {"mode missing", manifest("", R"({"certificateSHA256":")" + certificate + R"("})")},
      {"certificate as number", manifest("", R"({"mode":"same-certificate","certificateSHA256":1})")},
      {"codeSigning not an object", manifest("", R"("same-certificate")")},
      {"architectures holding a number", replaced(R"("arm64")", "64")},
      {"architectures as text", replaced(R"(["arm64","x86_64"])", R"("arm64")")},
      {"version as number", replaced(R"("1.6.3")", "1.63")},
      {"build null", replaced(R"("18")", "null")},
      {"unparsable downloadURL", replaced("https://downloads", "https://down loads")},
      {"empty downloadURL", replaced("https://downloads.brelva.example/tools/Tavro-1.6.3.zip", "")},
      {"invalid UTF-8", replaced("1.6.3", "1.6.\xFF")},
      {"not an object", "[]"},
      {"truncated", manifest().substr(0, 40)},
      {"empty", ""},
  };
  for (const char* key : {"applicationID", "version", "build", "distributionStatus", "downloadURL", "sha256",
                          "fileSize", "architectures", "minimumMacOSVersion"}) {
    cases.push_back({std::string("missing ") + key, without(key)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(TavroRelease::decode(c.json), json::DecodingError);
  }
}

}  // namespace
}  // namespace tavro
