#include "Support/Date.h"
#include "Support/Regex.h"
#include "Support/Sha256.h"
#include "Support/Uuid.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <system_error>

namespace tavro {
namespace {

TEST(WholeMatchRegex, MatchesOnlyTheWholeText) {
  WholeMatchRegex digits("[0-9]+");
  EXPECT_TRUE(digits.matches("123"));
  EXPECT_FALSE(digits.matches("123a"));
  EXPECT_FALSE(digits.matches("a123"));
  EXPECT_FALSE(digits.matches(""));
  WholeMatchRegex letters("\\p{L}+");
  EXPECT_TRUE(letters.matches("\u3057\u0928abc"));
  EXPECT_THROW(WholeMatchRegex("("), std::invalid_argument);
}

TEST(Uuid, RandomValuesAreVersionFourAndDistinct) {
  std::set<Uuid> seen;
  for (int index = 0; index < 100; ++index) {
    Uuid uuid = Uuid::random();
    EXPECT_EQ(uuid.bytes[6] >> 4, 4);
    EXPECT_EQ(uuid.bytes[8] & 0xC0, 0x80);
    seen.insert(uuid);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Uuid, TextIsUpperCaseAndParsesEitherCase) {
  auto lower = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  ASSERT_TRUE(lower.has_value());
  EXPECT_EQ(lower->text(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
  EXPECT_EQ(Uuid::parse(lower->text()), lower);
  for (const char* bad : {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
                          "E621E1F8-C36C-495A-93FC-0C247A3E6E5FF", "G621E1F8-C36C-495A-93FC-0C247A3E6E5F",
                          "E621E1F8-C36C-495A-93FC_0C247A3E6E5F", "E621E1F-8C36C-495A-93FC-0C247A3E6E5F",
                          " E621E1F8-C36C-495A-93FC-0C247A3E6E5F"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Uuid::parse(bad).has_value());
  }
}

TEST(Date, CountsSecondsFromTheReferenceDate) {
  EXPECT_EQ(Date::fromUnixSeconds(978307200.0).secondsSinceReferenceDate, 0.0);
  EXPECT_EQ(Date{86400.5}.unixSeconds(), 978393600.5);
  EXPECT_GT(Date::now().secondsSinceReferenceDate, 788918400.0);  // after 2026-01-01
}

TEST(Sha256, DigestsBytesAndFiles) {
  EXPECT_EQ(sha256::hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256::hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  testing::TemporaryDirectory folder;
  // Larger than one 1 MiB read, so the streamed digest crosses a read boundary.
  std::string contents((1 << 20) + 3, 'x');
  contents[(1 << 20) + 1] = 'y';
  testing::writeFile(folder / "file", contents);
  EXPECT_EQ(sha256::hexOfFile(folder / "file"), sha256::hex(contents));
  EXPECT_THROW(sha256::hexOfFile(folder / "missing"), std::system_error);
  EXPECT_THROW(sha256::hexOfFile(folder.path()), std::system_error);
}

}  // namespace
}  // namespace tavro
