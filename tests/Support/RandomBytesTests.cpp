#include "Support/RandomBytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavro {
namespace {

TEST(RandomBytes, GivesExactlyTheCountAskedFor) {
  for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{4096}}) {
    SCOPED_TRACE(count);
    std::optional<std::vector<std::uint8_t>> bytes = randomBytes(count);
    ASSERT_TRUE(bytes.has_value());  // zero bytes is an empty draw, not a failure
    EXPECT_EQ(bytes->size(), count);
    std::optional<std::string> hex = randomHex(count);
    ASSERT_TRUE(hex.has_value());
    EXPECT_EQ(hex->size(), 2 * count);
    EXPECT_EQ(hex->find_first_not_of("0123456789abcdef"), std::string::npos) << *hex;
  }
}

TEST(RandomBytes, TwoDrawsDiffer) {
  // 32 bytes: two equal draws from a working generator have odds of 2^-256.
  EXPECT_NE(randomBytes(32), randomBytes(32));
  EXPECT_NE(randomHex(32), randomHex(32));
}

TEST(RandomBytes, HexUsesEveryDigitOverALongDraw) {
  // A fault in the nibble mapping (a digit never written, or upper case) shows
  // over 4096 bytes; a working one misses a digit with odds far below 2^-100.
  std::optional<std::string> hex = randomHex(4096);
  ASSERT_TRUE(hex.has_value());
  for (char digit : std::string("0123456789abcdef")) {
    SCOPED_TRACE(digit);
    EXPECT_NE(hex->find(digit), std::string::npos);
  }
}

TEST(RandomBytes, RefusesACountTheGeneratorCannotTakeBeforeAllocating) {
  // Over INT_MAX bytes is refused up front; were it allocated first, this
  // would ask for gigabytes.
  const std::size_t tooMany = static_cast<std::size_t>(INT_MAX) + 1;
  EXPECT_EQ(randomBytes(tooMany), std::nullopt);
  EXPECT_EQ(randomHex(tooMany), std::nullopt);
}

}  // namespace
}  // namespace tavro
