#include "Support/File.h"

#include "Support/Uuid.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace tavro::file {
namespace {

[[noreturn]] void fail(int error, const std::string& what, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), what + " \"" + path.string() + "\"");
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// Records why, and hands the outcome back so that a caller can return it.
template <typename Result>
Result& failed(Result& result, Failure failure, int error) {
  result.failure = failure;
  result.error = error;
  return result;
}

// One more than the bound, without overflowing the largest one.
std::uintmax_t pastBound(std::uintmax_t limit) {
  return limit == std::numeric_limits<std::uintmax_t>::max() ? limit : limit + 1;
}

}  // namespace

OpenedFile openRegular(const std::filesystem::path& file, const OpenOptions& options) {
  OpenedFile opened;
  int flags = (options.readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (!options.followLinks) flags |= O_NOFOLLOW;
  if (options.readWrite && options.createMode) flags |= O_CREAT;
  int descriptor = -1;
  do {
    descriptor = ::open(file.c_str(), flags, options.createMode.value_or(0));
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return std::move(failed(opened, Failure::open, errno));
  opened.descriptor = FileDescriptor(descriptor);
  if (::fstat(descriptor, &opened.status) != 0) {
    failed(opened, Failure::status, errno);
  } else if (!S_ISREG(opened.status.st_mode)) {
    // A device such as /dev/zero would be read for ever, a FIFO waited on.
    failed(opened, Failure::notRegular, S_ISDIR(opened.status.st_mode) ? EISDIR : EINVAL);
  } else if (opened.status.st_size < 0 ||
             static_cast<std::uintmax_t>(opened.status.st_size) > options.limit) {
    failed(opened, Failure::tooLarge, EFBIG);
  }
  // A refused file is not held open (a FIFO's writer would see a reader).
  if (!opened) opened.descriptor.close();
  return opened;
}

Contents readRegular(const std::filesystem::path& file, const OpenOptions& options) {
  Contents contents;
  OpenedFile opened = openRegular(file, options);
  contents.status = opened.status;
  if (!opened) return std::move(failed(contents, opened.failure, opened.error));

  // One byte more than the size tells end of file apart from a full buffer;
  // a size of 0 (files the kernel makes up as they are read) says nothing.
  const std::uintmax_t cap = pastBound(options.limit);
  const auto told = static_cast<std::uintmax_t>(opened.status.st_size);
  std::size_t size = static_cast<std::size_t>(std::min(told > 0 ? told + 1 : 4096, cap));
  std::string& bytes = contents.bytes;
  bytes.reserve(size + options.spareCapacity);
  bytes.resize(size);
  std::size_t filled = 0;
  while (true) {
    if (filled == bytes.size()) {
      if (filled > options.limit) return std::move(failed(contents, Failure::tooLarge, EFBIG));
      bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(bytes.size() * 2, cap)));
    }
    ssize_t count = ::read(opened.descriptor.get(), bytes.data() + filled, bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::move(failed(contents, Failure::read, errno));
    }
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  if (filled > options.limit) return std::move(failed(contents, Failure::tooLarge, EFBIG));
  bytes.resize(filled);
  return contents;
}

std::string temporaryPrefix(const std::filesystem::path& target) {
  std::string prefix = ".";
  prefix.append(target.filename().string()).append(".tmp-");
  return prefix;
}

TempFile::TempFile(std::filesystem::path path, int descriptor)
    : path_(std::move(path)), descriptor_(descriptor) {}

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::move(other.path_)), descriptor_(other.descriptor_.release()), done_(other.done_) {
  other.done_ = true;
}

TempFile::~TempFile() { discard(); }

TempFile TempFile::create(const std::filesystem::path& target, mode_t mode) {
  const std::filesystem::path folder = folderOf(target);
  const std::string prefix = temporaryPrefix(target);
  // A random name meets an existing file only by a planted guess; a few
  // fresh names get past that.
  for (int attempt = 1;; ++attempt) {
    std::filesystem::path path = folder / (prefix + Uuid::random().text());
    int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    if (descriptor >= 0) return TempFile(std::move(path), descriptor);
    if (errno == EINTR || (errno == EEXIST && attempt < 16)) continue;
    fail(errno, "Cannot create", path);
  }
}

void TempFile::setPermissions(mode_t mode) {
  if (::fchmod(descriptor_.get(), mode) != 0) fail(errno, "Cannot set the permissions of", path_);
}

void TempFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t count = ::write(descriptor_.get(), bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      fail(errno, "Cannot write", path_);
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

void TempFile::keep(const std::filesystem::path& name) {
  while (::fsync(descriptor_.get()) != 0) {
    if (errno != EINTR) fail(errno, "Cannot flush", path_);
  }
  // Some file systems report a failed write only when the file is closed.
  if (descriptor_.close() != 0) fail(errno, "Cannot write", path_);
  if (::rename(path_.c_str(), name.c_str()) != 0) fail(errno, "Cannot replace", name);
  done_ = true;
}

void TempFile::discard() noexcept {
  if (done_) return;
  done_ = true;
  if (descriptor_.get() >= 0) descriptor_.close();
  ::unlink(path_.c_str());
}

void writeAtomically(const std::filesystem::path& file, std::string_view bytes,
                     const WriteOptions& options) {
  TempFile temporary = TempFile::create(file, options.mode);
  if (options.permissions) temporary.setPermissions(*options.permissions);
  temporary.write(bytes);
  temporary.keep(file);
  if (options.folderSyncRequired) {
    syncFolder(folderOf(file));
    return;
  }
  try {
    syncFolder(folderOf(file));
  } catch (const std::system_error&) {
    // The new file is in place; it may only not yet survive a crash.
  }
}

void syncFolder(const std::filesystem::path& folder) {
  FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() < 0) fail(errno, "Cannot open", folder);
  while (::fsync(directory.get()) != 0) {
    if (errno == EINVAL) return;
    if (errno != EINTR) fail(errno, "Cannot flush", folder);
  }
}

}  // namespace tavro::file
