#include "TavroUpdate/NumericComparison.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro {
namespace {

TEST(NumericComparison, ComparesDigitRunsByValueAndOtherCharactersOneByOne) {
  struct Case {
    const char* a;
    const char* b;
    int order;  // -1, 0 or 1: a lower, equivalent or greater than b
  };
  const Case cases[] = {
      {"14.10", "14.9", 1},
      {"14.9", "14.10", -1},
      {"14.0", "14.0", 0},
      {"14.0", "14.00", 0},
      {"14.01", "14.1", 0},
      {"14", "14.0", -1},
      {"14.0.0", "14.0", 1},
      {"", "", 0},
      {"", "0", -1},
      {"9", "10", -1},
      {"10", "9", 1},
      {"1a", "1b", -1},
      {"a10", "a9", 1},
      {"abc", "abd", -1},
      {"1.2", "1-2", 1},    // "." is above "-"
      {"14.x", "14.1", 1},  // a letter is above a digit
      {"99999999999999999999999", "99999999999999999999998", 1},
      {"000000000000000000000001", "1", 0},
      {"14.5.1", "14.5.1", 0},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(std::string(row.a) + " against " + row.b);
    std::weak_ordering order = NumericComparison::compare(row.a, row.b);
    EXPECT_EQ(order < 0, row.order < 0);
    EXPECT_EQ(order == 0, row.order == 0);
    EXPECT_EQ(order > 0, row.order > 0);
    // The reverse comparison agrees.
    EXPECT_EQ(NumericComparison::compare(row.b, row.a) < 0, row.order > 0);
  }
}

}  // namespace
}  // namespace tavro
