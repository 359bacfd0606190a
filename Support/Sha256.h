// SHA-256 digests as lower-case hexadecimal text.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavro::sha256 {

// The 32-byte digest of `bytes`.
std::array<std::uint8_t, 32> digest(std::string_view bytes);

// 64 lower-case hexadecimal digits.
std::string hex(std::string_view bytes);

// The digest of a file's contents, read in 1 MiB pieces. The file is opened
// without blocking and must be a regular file. Throws std::system_error when
// it cannot be opened or read, or is not a regular file (EISDIR for a
// directory, EINVAL for anything else).
std::string hexOfFile(const std::filesystem::path& path);

// Lower-case hexadecimal text of any bytes.
std::string toHex(const std::uint8_t* bytes, std::size_t count);

}  // namespace tavro::sha256
