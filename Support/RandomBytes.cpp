#include "Support/RandomBytes.h"

#include <openssl/rand.h>

#include <climits>

namespace tavro {

std::optional<std::vector<std::uint8_t>> randomBytes(std::size_t count) {
  if (count > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  std::vector<std::uint8_t> bytes(count);
  if (count > 0 && RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) return std::nullopt;
  return bytes;
}

std::optional<std::string> randomHex(std::size_t count) {
  std::optional<std::vector<std::uint8_t>> bytes = randomBytes(count);
  if (!bytes) return std::nullopt;
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(count * 2);
  for (std::uint8_t byte : *bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

}  // namespace tavro
