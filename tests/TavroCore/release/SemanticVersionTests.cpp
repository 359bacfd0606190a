#include "TavroCore/release/SemanticVersion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro {
namespace {

SemanticVersion version(std::string_view text) {
  std::optional<SemanticVersion> parsed = SemanticVersion::parse(text);
  if (!parsed) ADD_FAILURE() << "does not parse: " << text;
  return parsed.value_or(SemanticVersion{});
}

TEST(SemanticVersion, ParsesVersionTexts) {
  struct Case {
    const char* text;
    std::vector<std::int64_t> numbers;
    std::vector<std::string> prerelease;
  };
  const Case cases[] = {
      {"1.6.3", {1, 6, 3}, {}},
      {"v1.2", {1, 2, 0}, {}},
      {"1", {1, 0, 0}, {}},
      {"0.0.0", {0, 0, 0}, {}},
      {"1.2.3+abc.7", {1, 2, 3}, {}},
      {"1.2.3-0a", {1, 2, 3}, {"0a"}},
      {"1.2.3-0", {1, 2, 3}, {"0"}},
      {"1.2-rc.1", {1, 2, 0}, {"rc", "1"}},
      {"1.0.0-alpha-1.x-y.7+build-5.01", {1, 0, 0}, {"alpha-1", "x-y", "7"}},
      {"1.0.0--", {1, 0, 0}, {"-"}},
      {"9223372036854775807.0.10", {9223372036854775807, 0, 10}, {}},
      {"1.0.0-99999999999999999999999", {1, 0, 0}, {"99999999999999999999999"}},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.text);
    std::optional<SemanticVersion> parsed = SemanticVersion::parse(row.text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->numbers, row.numbers);
    EXPECT_EQ(parsed->prerelease, row.prerelease);
  }
}

TEST(SemanticVersion, RefusesWhatIsNotAVersion) {
  const char* cases[] = {
      "",          "v",         "vv1",
      "V1.2",      "1.2.3.4",   "01.2",
      "1.02",      "1.2.3-01",  "1.2.3-beta.01",
      "1.2.3-",    "1.2.3+",    "1.2.3-a..b",
      "1..2",      ".1",        "1.",
      " 1.2",      "1.2 ",      "1.2\n",
      "1.2.3-a_b", "1.2.3+a+b", "\xEF\xBC\x91.2",
      "-1.2",      "1.2.3-ä",   "9223372036854775808",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(SemanticVersion::parse(text).has_value());
  }
}

TEST(SemanticVersion, SpellingsOfOneVersionAreEqual) {
  EXPECT_EQ(version("1.2"), version("1.2.0"));
  EXPECT_EQ(version("v1.2.0+7"), version("1.2"));
  EXPECT_EQ(version("1.2.3+abc.7"), version("1.2.3"));
  EXPECT_NE(version("1.2.3-1"), version("1.2.3"));
  EXPECT_NE(version("1.2.3-a"), version("1.2.3-A"));
}

TEST(SemanticVersion, OrdersByPrecedence) {
  const char* chain[] = {"1.0.0-alpha",  "1.0.0-alpha.1", "1.0.0-alpha.beta", "1.0.0-beta",
                         "1.0.0-beta.2", "1.0.0-beta.11", "1.0.0-rc.1",       "1.0.0",
                         "1.0.1",        "1.10.0"};
  for (std::size_t i = 0; i < std::size(chain); ++i) {
    for (std::size_t j = 0; j < std::size(chain); ++j) {
      SCOPED_TRACE(std::string(chain[i]) + " against " + chain[j]);
      EXPECT_EQ(version(chain[i]) < version(chain[j]), i < j);
      EXPECT_EQ(version(chain[i]) <= version(chain[j]), i <= j);
      EXPECT_EQ(version(chain[i]) > version(chain[j]), i > j);
      EXPECT_EQ(version(chain[i]) >= version(chain[j]), i >= j);
    }
  }
  // Numbers compare by value, not as text, and before any prerelease.
  EXPECT_LT(version("2.0.0"), version("10.0.0"));
  EXPECT_LT(version("1.9.9"), version("2.0.0-alpha"));
  // Numeric identifiers sort below alphanumeric ones; hyphens and letters as ASCII.
  EXPECT_LT(version("1.0.0-999"), version("1.0.0-0a"));
  EXPECT_LT(version("1.0.0-A"), version("1.0.0-a"));
  EXPECT_LT(version("1.0.0--"), version("1.0.0-0a"));
  EXPECT_LT(version("1.0.0-99999999999999999999"), version("1.0.0-100000000000000000000"));
}

TEST(SemanticVersion, OrderingIsAStrictTotalOrderOnDistinctVersions) {
  // Every combination of a few numbers and prereleases, several spelled more
  // than one way, so that equal versions meet through different texts.
  const char* cores[] = {"0", "1", "1.0.1", "1.10", "v1.0.0", "2.0.0+meta"};
  const char* prereleases[] = {"",    "-alpha", "-alpha.1", "-alpha.beta", "-1",       "-2",
                               "-11", "-0a",    "-a-b",     "-alpha.1.2",  "-alpha.0", "-beta.11"};
  std::vector<SemanticVersion> versions;
  for (const char* core : cores) {
    for (const char* prerelease : prereleases)
      versions.push_back(version(std::string(core) + prerelease));
  }
  const std::size_t count = versions.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SemanticVersion& a = versions[i];
    ASSERT_FALSE(a < a) << i;
    for (std::size_t j = 0; j < count; ++j) {
      const SemanticVersion& b = versions[j];
      // Exactly one of a < b, b < a and a == b.
      ASSERT_EQ((a < b) + (b < a) + (a == b), 1) << i << " " << j;
      if (!(a < b)) continue;
      for (std::size_t k = 0; k < count; ++k) {
        if (b < versions[k]) {
          ASSERT_LT(a, versions[k]) << i << " " << j << " " << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tavro
