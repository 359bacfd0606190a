#include "TavroUpdate/ZIPFile.h"

#include <cerrno>
#include "TavroUpdate/UpdateFailure.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavro {

ZIPFile::ZIPFile(const std::filesystem::path& path) {
  do {
    // Without blocking, so that a FIFO or device cannot stall us.
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (descriptor_ < 0 && errno == EINTR);
  if (descriptor_ < 0) {
    throw std::system_error(errno, std::generic_category(), path.string());
  }
  struct stat status {};
  if (::fstat(descriptor_, &status) != 0) {
    const int error = errno;
    ::close(descriptor_);
    throw std::system_error(error, std::generic_category(), "stat");
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(descriptor_);
    throw UpdateFailure(UpdateFailure::invalidArchive);
  }
}

ZIPFile::~ZIPFile() { ::close(descriptor_); }

std::int64_t ZIPFile::size() const {
  const off_t end = ::lseek(descriptor_, 0, SEEK_END);
  if (end < 0) {
    throw std::system_error(errno, std::generic_category(), "seek");
  }
  return end;
}

std::size_t ZIPFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(descriptor_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "read");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace tavro
