// Random bytes from the system's cryptographic generator (OpenSSL's), for
// identifiers and the secrets of a sign-in: nothing when the generator has
// none to give, never bytes of lesser quality.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// `count` random bytes, or nothing when the generator fails.
std::optional<std::vector<std::uint8_t>> randomBytes(std::size_t count);

// `count` random bytes as lower-case hex (2 * count characters), or nothing
// when the generator fails.
std::optional<std::string> randomHex(std::size_t count);

}  // namespace tavro
