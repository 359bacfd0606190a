// UUIDs: random version 4 values, written in the canonical upper-case text
// form and read in either case.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

struct Uuid {
  std::array<std::uint8_t, 16> bytes{};

  // A new random (version 4, RFC 4122 variant) UUID from the system's
  // cryptographic random source.
  static Uuid random();

  // Parses the 36-character 8-4-4-4-12 form with hexadecimal digits in
  // either case; anything else gives no value.
  static std::optional<Uuid> parse(std::string_view text);

  // The canonical text form, upper-case: "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
  std::string text() const;

  friend auto operator<=>(const Uuid&, const Uuid&) = default;
};

}  // namespace tavro
