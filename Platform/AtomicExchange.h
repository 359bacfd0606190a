// Durable directory-entry operations: the atomic exchange of two entries,
// a rename that never replaces, and a tree copy whose every file and
// directory is on disk before it returns. Each operation syncs the parent
// directories it changed, since a synced file does not make its directory
// entry durable.
//
// On Linux the exchange is renameat2(RENAME_EXCHANGE); a macOS build would
// use renameatx_np with RENAME_SWAP.
#pragma once

#include <filesystem>

namespace tavro::platform {

// Exchanges the directory entries `first` and `second` in one step: each
// path then names what the other named. Both must exist on the same file
// system. Throws std::system_error (with errno) when the system refuses;
// nothing has changed then. Should syncing the parent directories fail, the
// exchange is undone before the failure is thrown.
void exchangeEntries(const std::filesystem::path& first, const std::filesystem::path& second);

// Renames `from` to `to` on the same file system, refusing to replace an
// existing `to` (EEXIST), then syncs both parent directories. Throws
// std::system_error; on failure `from` is still in place.
void moveEntry(const std::filesystem::path& from, const std::filesystem::path& to);

// Copies the directory tree at `from` to the new path `to` (which must not
// exist; its parent must). Directories and regular files keep their
// permission bits; anything else (symbolic links, devices, sockets) is
// refused with ELOOP or EINVAL. Each item is private to the owner until it
// has been synced with its own mode; every copied file and directory, and
// the entry of `to` in its parent, is on disk when it returns. Throws std::system_error; a partial copy is
// left for the caller to remove.
void copyTreeDurably(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a directory's entries to disk. Throws std::system_error.
void syncDirectory(const std::filesystem::path& directory);

}  // namespace tavro::platform
