// Reads the directory structure of an update archive without extracting
// anything, and either lists the members the extractor may write or refuses
// the archive. Only a narrow kind of ZIP file is accepted: one disk, no
// ZIP64, 1 to 9999 members, each stored or deflated, no extra fields, no
// encryption, no symbolic links, every member below one top-level
// "BRELVA Tavro.app" directory, names that are safe relative paths and unique
// regardless of letter case and Unicode normalisation, and bounded sizes.
// Every value the extractor relies on comes from the central directory and is
// cross-checked against the member's local header; member data is never read.
//
// Failures: UpdateFailure::invalidArchive when the container structure is
// wrong or truncated, UpdateFailure::unsafeArchive when a member breaks a
// rule; failures to open or read the file pass on as std::system_error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One member that passed every check.
struct ZIPMember {
  std::string name;               // as stored (UTF-8); a directory ends with "/"
  std::uint64_t dataOffset = 0;   // absolute file offset of the stored bytes
  std::int64_t compressedSize = 0;
  std::int64_t expandedSize = 0;
  std::uint64_t method = 0;       // 0 stored, 8 deflate
  std::uint32_t crc = 0;          // CRC-32 of the expanded bytes
  std::int64_t permissions = 0;   // the nine Unix permission bits; 0 when none given

  friend bool operator==(const ZIPMember&, const ZIPMember&) = default;
};

namespace ZIPInspection {

inline constexpr std::int64_t minimumArchiveSize = 22;
inline constexpr std::int64_t maximumArchiveSize = 268435456;
inline constexpr std::int64_t maximumTailLength = 22 + 65535;
inline constexpr std::int64_t maximumMemberCount = 9999;
inline constexpr std::int64_t maximumCentralDirectorySize = 8388608;
inline constexpr std::int64_t maximumMemberSize = 67108864;
inline constexpr std::int64_t maximumTotalExpandedSize = 536870912;

// The checked members of `archive`, in central-directory order. Reads only
// the end of the file, the central directory and each local header.
std::vector<ZIPMember> members(const std::filesystem::path& archive);

// The names of `members(archive)`, in the same order, with the same failures.
// A cheap pre-check before anything is written.
std::vector<std::string> inspect(const std::filesystem::path& archive);

// True when `name` is a safe member name: not empty; no backslash and no
// control character (U+0000 to U+001F, U+007F);
// not absolute; after dropping one trailing "/", its first component is
// exactly "BRELVA Tavro.app" and no component is empty, ".", ".." or holds
// a ":".
bool safePath(std::string_view name);

// The little-endian unsigned number of `count` bytes (1 to 8) at `offset` of
// `data`. Throws UpdateFailure::invalidArchive when the bytes are not all
// inside `data`, so a truncated record is always reported as such.
std::uint64_t uint(std::span<const unsigned char> data, std::int64_t offset, int count);

}  // namespace ZIPInspection
}  // namespace tavro
