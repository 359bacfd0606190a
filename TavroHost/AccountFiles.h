// The files of the account part of the tutor: the session token, kept in a
// file only its owner can read, and backup files read and written on the
// learner's request. Every file is read with a size bound, without blocking
// and only when it is a regular file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tavro {

// The session token's file in the config folder.
std::filesystem::path tokenFile(const std::filesystem::path& configFolder);

// The page address of the browser sign-in under way, kept whole for copying.
std::filesystem::path browserPageFile(const std::filesystem::path& configFolder);

// The token in `file`: nothing when there is no file or it does not hold a
// token (a session token of 64 characters 0-9 a-f, one trailing line break
// allowed). A link, a file that is not regular or one readable by others
// counts as no token.
std::optional<std::string> readToken(const std::filesystem::path& file);

// Replaces `file` atomically with the token: a new file created exclusively
// with mode 0600 next to it, written, flushed, then renamed over. Its folder
// is made when missing. The error
// message when it failed (the token never part of it), nothing on success.
std::optional<std::string> writeToken(const std::filesystem::path& file, const std::string& token);

// Removes a file of the account (the token, the sign-in page); a missing
// file is not an error.
std::optional<std::string> removeAccountFile(const std::filesystem::path& file);

// The largest backup file read: a backup at its limit of 100,000 attempts
// takes about 25 MB.
inline constexpr std::uintmax_t maximumBackupBytes = 64u << 20;

struct FileBytes {
  std::optional<std::string> bytes;  // the whole file when it could be read
  std::string failure;               // otherwise why not: "not a regular file", ...
};

// The bytes of a regular file of at most `limit` bytes. The file is opened
// without blocking, so a pipe in its place cannot hold the tutor up.
FileBytes readBoundedFile(const std::filesystem::path& file, std::uintmax_t limit);

// Writes `bytes` to `file` atomically with mode 0600 (a backup holds the
// learner's history) in a folder that must exist. The error message, or nothing on success.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               const std::string& bytes);

}  // namespace tavro
