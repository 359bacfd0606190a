#include "Platform/OSVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>


namespace tavro::platform {
namespace {

TEST(OSVersion, TakesTheFirstThreeNumbersOfTheRelease) {
  struct Case {
    const char* release;
    const char* version;
  };
  const Case cases[] = {
      {"6.1.0-18-amd64", "6.1.0"}, {"5.10", "5.10.0"},  {"6.8-rc1", "6.8.0"},     {"14.5.1.2", "14.5.1"},
      {"6", "6.0.0"},              {"06.01.2", "6.1.2"}, {"generic", "0.0.0"},     {"", "0.0.0"},
      {"4.19.0+", "4.19.0"},       {"6.18.44-fc-v1478", "6.18.44"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.release);
    EXPECT_EQ(versionFromRelease(row.release), row.version);
  }
}

TEST(OSVersion, RunningSystemHasThreeDecimalParts) {
  std::string version = operatingSystemVersion();
  // Three non-empty runs of digits joined by dots: the form it already has
  // when read back through the same rule.
  EXPECT_EQ(versionFromRelease(version), version);
  EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2);
  EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos);
  EXPECT_EQ(version.find(".."), std::string::npos);
}

}  // namespace
}  // namespace tavro::platform
