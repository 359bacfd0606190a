#include "Support/Uuid.h"

#include "Support/RandomBytes.h"

#include <algorithm>
#include <stdexcept>

namespace tavro {
namespace {

constexpr bool isDashPosition(std::size_t index) {
  return index == 8 || index == 13 || index == 18 || index == 23;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Uuid Uuid::random() {
  Uuid uuid;
  std::optional<std::vector<std::uint8_t>> random = randomBytes(uuid.bytes.size());
  if (!random) throw std::runtime_error("random source unavailable");
  std::copy(random->begin(), random->end(), uuid.bytes.begin());
  uuid.bytes[6] = static_cast<std::uint8_t>((uuid.bytes[6] & 0x0F) | 0x40);
  uuid.bytes[8] = static_cast<std::uint8_t>((uuid.bytes[8] & 0x3F) | 0x80);
  return uuid;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  Uuid uuid;
  std::size_t byte = 0;
  for (std::size_t index = 0; index < text.size();) {
    if (isDashPosition(index)) {
      if (text[index] != '-') return std::nullopt;
      ++index;
      continue;
    }
    int high = hexValue(text[index]);
    int low = hexValue(text[index + 1]);
    if (high < 0 || low < 0 || isDashPosition(index + 1)) return std::nullopt;
    uuid.bytes[byte++] = static_cast<std::uint8_t>(high << 4 | low);
    index += 2;
  }
  return uuid;
}

std::string Uuid::text() const {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(36);
  for (std::size_t index = 0; index < bytes.size(); ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) out += '-';
    out += digits[bytes[index] >> 4];
    out += digits[bytes[index] & 0x0F];
  }
  return out;
}

}  // namespace tavro
