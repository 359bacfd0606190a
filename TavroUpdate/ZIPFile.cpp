#include "TavroUpdate/ZIPFile.h"

#include "Support/File.h"
#include "TavroUpdate/UpdateFailure.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tavro {

ZIPFile::ZIPFile(const std::filesystem::path& path) {
  // Without blocking, so that a FIFO or device cannot stall us.
  file::OpenedFile opened = file::openRegular(path);
  switch (opened.failure) {
    case file::Failure::none:
    case file::Failure::tooLarge:  // no bound asked for
      break;
    case file::Failure::open:
      throw std::system_error(opened.error, std::generic_category(), path.string());
    case file::Failure::status:
    case file::Failure::read:
      throw std::system_error(opened.error, std::generic_category(), "stat");
    case file::Failure::notRegular:
      throw UpdateFailure(UpdateFailure::invalidArchive);
  }
  descriptor_ = std::move(opened.descriptor);
}

std::int64_t ZIPFile::size() const {
  const off_t end = ::lseek(descriptor_.get(), 0, SEEK_END);
  if (end < 0) {
    throw std::system_error(errno, std::generic_category(), "seek");
  }
  return end;
}

std::size_t ZIPFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(descriptor_.get(), bytes + done, count - done, static_cast<off_t>(offset + done));
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
