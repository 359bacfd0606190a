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
#include <system_error>

namespace tavro::platform {

// A change that was made but could neither be made durable nor undone: the
// entries stay exchanged (or moved). Callers must not take it for a change
// that never happened.
class ChangeNotUndone : public std::system_error {
 public:
  using std::system_error::system_error;
};

// Exchanges the directory entries `first` and `second` in one step: each
// path then names what the other named. Both must exist on the same file
// system. Throws std::system_error (with errno) when the system refuses;
// nothing has changed then. Should syncing the parent directories fail, the
// exchange is undone before the failure is thrown; should the undo fail
// too, ChangeNotUndone is thrown and the entries stay exchanged.
void exchangeEntries(const std::filesystem::path& first, const std::filesystem::path& second);

// Renames `from` to `to` on the same file system, refusing to replace an
// existing `to` (EEXIST), then syncs both parent directories. Throws
// std::system_error; on failure `from` is still in place, except after
// ChangeNotUndone (the sync and the rename back both failed): then the
// entry is at `to`.
void moveEntry(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes `path` and everything below it without following symbolic links
// and without holding a descriptor per level: however deep the tree, it
// needs two descriptors at a time. A missing `path` is not a failure.
// Throws std::system_error when an item cannot be removed; what could be
// removed is gone then.
void removeTree(const std::filesystem::path& path);

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
