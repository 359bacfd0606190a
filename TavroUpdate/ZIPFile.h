// A read-only handle on an archive file, shared by the inspection and the
// extractor. Reads are positioned (no shared file offset), the handle is
// closed when the object goes away, and a failure to close is ignored
// because nothing was written through it.
#pragma once

#include "Support/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tavro {

class ZIPFile {
 public:
  // Opens `path` for reading, without blocking; throws std::system_error
  // with the platform's errno when it cannot, and UpdateFailure "Invalid
  // update archive." when it is not a regular file (a FIFO, a device or a
  // directory).
  explicit ZIPFile(const std::filesystem::path& path);
  ZIPFile(const ZIPFile&) = delete;
  ZIPFile& operator=(const ZIPFile&) = delete;

  // The file's size, learnt by seeking to its end; throws std::system_error.
  std::int64_t size() const;

  // Reads up to `count` bytes at `offset` into `buffer` and returns how many
  // were read: fewer only when the file ends first. Throws std::system_error
  // when a read fails.
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;

 private:
  FileDescriptor descriptor_;
};

}  // namespace tavro
