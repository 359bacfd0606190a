// The user-defaults store kept in one JSON file, for real use on this
// platform. Every change rewrites the whole file atomically (a temporary file
// in the same folder, flushed to disk, renamed over the old one, the folder
// flushed), so a crash or a kill at any moment leaves either the old document
// or the new one. Writers in several processes take turns through an advisory
// lock on a companion file "<name>.lock", and each re-reads the document under
// that lock before changing it, so no process undoes another's change. The
// lock file must be a regular file: a symbolic link (followed never, so a
// dangling one creates nothing at its target), a FIFO or a device there makes
// every change fail with std::system_error (ELOOP or EINVAL).
//
// A file that cannot be read as a store document (bad JSON, a value of an
// unknown kind, larger than `maximumFileSize`, no read permission) reads as
// empty and is renamed to "<name>.damaged" the first time it is met, so the
// next change neither overwrites it nor is confused by it; an older
// "<name>.damaged" is replaced. A read that fails for a passing reason (out
// of descriptors, an I/O error) also reads as empty but moves nothing, and a
// change fails then rather than write a document without the file's values.
//
// The document: {"values": {KEY: {KIND: VALUE}, ...}} with KIND one of
//   "boolean"  true or false
//   "integer"  a JSON integer in signed 64 bits
//   "double"   a JSON number, or the text "nan", "inf" or "-inf"
//   "string"   a JSON string
//   "data"     the bytes in base64 (RFC 4648, padded)
// Other members of the root object are ignored; every value entry must have
// exactly one member of a known kind.
#pragma once

#include "Platform/UserDefaults.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::platform {

class FileUserDefaults final : public UserDefaults {
 public:
  // Keys and their values, ordered by key.
  using Values = std::map<std::string, DefaultsValue, std::less<>>;

  // A larger file is damaged; a change that would make the document larger
  // fails instead.
  static constexpr std::size_t maximumFileSize = 4 * 1024 * 1024;

  // A store kept in `file`. Nothing is read or written until first use; the
  // file's folder is created by the first change.
  explicit FileUserDefaults(std::filesystem::path file);

  FileUserDefaults(const FileUserDefaults&) = delete;
  FileUserDefaults& operator=(const FileUserDefaults&) = delete;

  // The value under `key` in the file's current document (re-read whenever
  // the file was replaced since the last read, by this process or another).
  // Never fails: an absent, unreadable or damaged file has no values.
  std::optional<DefaultsValue> value(std::string_view key) const override;

  // Store or remove one value and write the file before returning. Throws
  // std::invalid_argument when the key or a text value is not well-formed
  // UTF-8, std::system_error (with errno; EFBIG when the document would
  // exceed `maximumFileSize`) when the file cannot be written. After a
  // failure the store is unchanged, in memory and on disk.
  void setValue(std::string_view key, DefaultsValue value) override;
  void removeValue(std::string_view key) override;

  // Every key that has a value, in ascending order.
  std::vector<std::string> keys() const;

  // The file this store keeps, and the name a damaged file is moved to.
  const std::filesystem::path& file() const { return file_; }
  std::filesystem::path damagedFile() const;

  // The document as text; the result of `decode` for a store with `values`.
  // Throws std::invalid_argument for a key or text that is not UTF-8.
  static std::string encode(const Values& values);

  // Reads a whole document. Throws json::DecodingError for malformed JSON, a
  // missing "values" object, a repeated key, or an entry that is not exactly
  // one member of a known kind holding its JSON type.
  static Values decode(std::string_view bytes);

 private:
  // What identifies one version of the file: a rename gives a new inode.
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long changedNanoseconds = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
  };
  static Identity identityOf(const struct stat& status);

  std::filesystem::path lockFile() const;
  // Whether `values_` still reflects the file as it is now.
  bool upToDate() const;
  // Reads the file once into `values_`, `loaded_` and `damaged_`.
  void load() const;
  // Renames a damaged file to `damagedFile()`; needs the file lock.
  void moveAside() const;
  // Brings `values_` up to date with the file, moving a damaged file aside.
  void refresh(bool lockHeld) const;
  void change(std::string_view key, std::optional<DefaultsValue> value);

  std::filesystem::path file_;
  mutable std::mutex mutex_;
  mutable Values values_;
  mutable std::optional<Identity> loaded_;  // the version `values_` came from
  mutable bool damaged_ = false;            // the loaded version could not be decoded
  mutable bool everRead_ = false;
  mutable int moveError_ = 0;  // why the damaged file could not be moved aside
  mutable int readError_ = 0;  // why the file could not be read just now (out of descriptors, I/O)
  bool sweptTemporaries_ = false;
};

}  // namespace tavro::platform
