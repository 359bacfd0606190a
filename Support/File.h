// Whole files read and written safely, in one place for the whole system.
// Bytes from disk are outside input: a FIFO, a device or a folder may stand
// where a file is expected, and a file may be huge or grow while it is read.
// A read therefore opens without blocking, reads only a regular file, and
// refuses one over its bound before reading any of it. A write never leaves
// a half-written file: it goes to a temporary file beside the destination,
// which is flushed and renamed over it, and removed on every failure.
#pragma once

#include "Support/FileDescriptor.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::file {

// Why a file could not be opened or read.
enum class Failure {
  none,
  open,        // open(2) failed; ELOOP for a symbolic link that was not to be followed
  status,      // fstat(2) failed
  notRegular,  // a folder (EISDIR) or a FIFO, device or socket (EINVAL): never read
  tooLarge,    // over the bound (EFBIG), before reading or because it grew while read
  read,        // read(2) failed
};

struct OpenOptions {
  // The largest file accepted, in bytes.
  std::uintmax_t limit = std::numeric_limits<std::uintmax_t>::max();
  // False: a symbolic link as the last part of the path is refused (O_NOFOLLOW).
  bool followLinks = true;
  // Opened for reading and writing instead of reading only (a lock file).
  bool readWrite = false;
  // Created with this mode when missing (narrowed by the umask); only with `readWrite`.
  std::optional<mode_t> createMode = std::nullopt;
  // Capacity left free after the bytes read, for a parser that reads past
  // the end (the JSON parser's padding), so the bytes are parsed where they lie.
  std::size_t spareCapacity = 0;
};

// What an open or read came to. `error` is the errno of the failure.
struct Outcome {
  Failure failure = Failure::none;
  int error = 0;
  struct stat status {};  // fstat's answer, when it got that far

  explicit operator bool() const { return failure == Failure::none; }
};

// A regular file opened, or why not.
struct OpenedFile : Outcome {
  FileDescriptor descriptor;
};

// Opens `file` without blocking (a FIFO in its place is never waited on) and
// without becoming the controlling terminal, and keeps it open only when it
// is a regular file no larger than the bound.
OpenedFile openRegular(const std::filesystem::path& file, const OpenOptions& options = {});

// The whole of a file, or why not.
struct Contents : Outcome {
  std::string bytes;
};

// Opens as openRegular does and reads the file whole into one buffer. Its
// size is a hint: the file is read to its end, and one that grows past the
// bound while read is refused.
Contents readRegular(const std::filesystem::path& file, const OpenOptions& options = {});

// The prefix of the temporary files made for `target`: "." + its name +
// ".tmp-"; a UUID follows. A writer may sweep the ones a killed writer left.
std::string temporaryPrefix(const std::filesystem::path& target);

// A new file beside its destination that is removed unless it is kept: the
// bytes go to it and `keep` renames it over the destination. Failures throw
// std::system_error (with errno) whose text names the step and the path:
// "Cannot create", "Cannot set the permissions of", "Cannot write",
// "Cannot flush", "Cannot replace", followed by the quoted path.
class TempFile {
 public:
  // Creates a fresh temporary file (temporaryPrefix + UUID) in the folder of
  // `target`, exclusively, so it can never be another writer's or a planted
  // link, with `mode` narrowed by the umask.
  static TempFile create(const std::filesystem::path& target, mode_t mode);

  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&&) = delete;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // Discards the file unless it was kept.
  ~TempFile();

  const std::filesystem::path& path() const { return path_; }

  // Sets the file's permission bits exactly, whatever the umask.
  void setPermissions(mode_t mode);

  // Appends all of `bytes`.
  void write(std::string_view bytes);

  // Flushes the file to disk, closes it and renames it to `name`. On a
  // failure the file stays this object's, to be discarded.
  void keep(const std::filesystem::path& name);

  // Closes and removes the file; nothing once it was kept or discarded.
  void discard() noexcept;

 private:
  TempFile(std::filesystem::path path, int descriptor);

  std::filesystem::path path_;
  FileDescriptor descriptor_;
  bool done_ = false;
};

struct WriteOptions {
  // The mode the file is created with, narrowed by the umask.
  mode_t mode = 0600;
  // Permission bits set exactly after creating it (the old file's, or a
  // private mode that the umask must not decide).
  std::optional<mode_t> permissions = std::nullopt;
  // False: a folder that cannot be flushed after the rename is not a
  // failure, since the new file is in place either way.
  bool folderSyncRequired = true;
};

// Replaces `file` with `bytes` so that it always holds either the old
// contents or the new ones, whole: TempFile, write, flush, rename, then the
// folder flushed so the new name survives a crash. The folder must exist.
// Throws std::system_error as TempFile does, and "Cannot open" / "Cannot
// flush" with the folder; the temporary file is gone after any failure.
void writeAtomically(const std::filesystem::path& file, std::string_view bytes,
                     const WriteOptions& options = {});

// Flushes a folder's entries to disk. A file system that cannot flush a
// folder (EINVAL) needs nothing more. Throws std::system_error "Cannot open"
// or "Cannot flush" with the quoted folder.
void syncFolder(const std::filesystem::path& folder);

}  // namespace tavro::file
