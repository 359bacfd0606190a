// The processor architectures of an executable file, as the lipo tool
// lists them: Mach-O files (thin, 32- or 64-bit, either byte order),
// universal ("fat") Mach-O files whose every slice lies inside the file and
// matches its table entry, and ELF files. Names follow the Mach-O tools:
// "x86_64", "arm64", "arm64e", "i386", ...; unknown types are named
// "unknown(...)" with their numbers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro::platform {

// Reads `count` bytes at `offset` of the file; no value when it cannot.
using ExecutableBytes = std::function<std::optional<std::string>(std::uint64_t offset, std::size_t count)>;

// The architectures of a file of `size` bytes, or no value when it is not an
// executable of a known format or its headers are damaged. Reads only the
// headers, never more than a universal file's table at once.
std::optional<std::vector<std::string>> executableArchitectures(const ExecutableBytes& read, std::uint64_t size);

// The same for a file on disk; no value when it cannot be read or is not a
// regular file (it is opened without blocking).
std::optional<std::vector<std::string>> executableArchitectures(const std::filesystem::path& file);

}  // namespace tavro::platform
