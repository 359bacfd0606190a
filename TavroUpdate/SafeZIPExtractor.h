// Writes the members of an update archive into a destination directory. It
// extracts only what ZIPInspection::members accepted and trusts none of the
// stored data: each member's output is counted against its declared
// expanded size while it is written, so a member that would grow beyond it
// is stopped before the chunk that crosses the limit reaches the disk, and
// the size and CRC-32 are compared before the file gets its permissions.
// Files are created private to the user (0600) and receive their archive
// permissions only once written and checked. Group and other write
// permission is never granted: a file's archive permissions lose it (0777
// becomes 0755, 0666 becomes 0644), and directories are made 0755 whatever
// the umask allows.
//
// Keeps no state between calls; not meant to be called twice at once on the
// same destination.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace tavro::SafeZIPExtractor {

// Extracts every member of `archive` below `destination` (normally an
// existing, empty staging directory), creating directories as needed.
// Throws UpdateFailure::mainThread on the main thread; the inspection's
// failures; UpdateFailure::invalidArchive for a directory member with data,
// stored bytes missing, a deflate stream that is corrupt, truncated, followed
// by more bytes or makes no progress, and output that is longer or shorter
// than declared or has the wrong CRC-32; UpdateFailure::notVerified when an
// output file cannot be created; std::system_error (std::filesystem's
// errors included) for any other failed file system call. What was written
// before a failure stays: the caller removes the whole destination.
void extract(const std::filesystem::path& archive, const std::filesystem::path& destination);

// One member's output while it is written: the open file, the declared
// expanded size and the running count and CRC-32.
struct MemberOutput {
  int descriptor = -1;
  std::int64_t expandedSize = 0;
  std::int64_t written = 0;
  std::uint32_t crc = 0;
};

// Passes one chunk of output on to the member's file. An empty chunk does
// nothing. When the running count would exceed the expanded size, throws
// UpdateFailure::invalidArchive without writing the chunk; otherwise updates
// the count and the CRC-32 and appends the chunk (a failed write throws
// std::system_error).
void write(MemberOutput& output, std::span<const unsigned char> chunk);

}  // namespace tavro::SafeZIPExtractor
