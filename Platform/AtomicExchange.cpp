#include "Platform/AtomicExchange.h"

#include "Support/File.h"
#include "Support/FileDescriptor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavro::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

std::filesystem::path parentOf(const std::filesystem::path& path) {
  std::filesystem::path parent = path.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

// The distinct parent directories of two paths, each synced once.
int syncParents(const std::filesystem::path& first, const std::filesystem::path& second) {
  std::filesystem::path one = parentOf(first);
  std::filesystem::path two = parentOf(second);
  try {
    syncDirectory(one);
    if (one != two) syncDirectory(two);
  } catch (const std::system_error& failure) {
    return failure.code().value();
  }
  return 0;
}

int renameAt(const std::filesystem::path& from, const std::filesystem::path& to, unsigned flags) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags) == 0 ? 0 : errno;
}

void syncDescriptor(int descriptor, const std::filesystem::path& path) {
  while (::fsync(descriptor) != 0) {
    if (errno != EINTR) fail(errno, "Cannot sync " + path.string());
  }
}

// Copies the bytes of a regular file into a new file private to the owner
// (0600) and starts writing it to disk; its own mode is given when it is
// synced (see copyTreeDurably).
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without blocking: should a FIFO have taken the file's place, it is
  // refused below rather than waited on.
  file::OpenedFile source = file::openRegular(from, {.followLinks = false});
  switch (source.failure) {
    case file::Failure::none:
    case file::Failure::tooLarge:  // no bound asked for
      break;
    case file::Failure::open:
      fail(source.error, "Cannot open " + from.string());
    case file::Failure::status:
    case file::Failure::read:
      fail(source.error, "Cannot read " + from.string());
    case file::Failure::notRegular:
      fail(EINVAL, "Not a regular file: " + from.string());
  }
  const struct stat& status = source.status;
  // Private while it is written; its own mode once it is complete.
  FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (target.get() < 0) fail(errno, "Cannot create " + to.string());

  off_t remaining = status.st_size;
  bool kernelCopy = true;
  std::vector<char> buffer;
  while (remaining > 0) {
    if (kernelCopy) {
      // In-kernel copy: no round trip through user space, and a reflink on
      // file systems that share extents.
      ssize_t copied = ::copy_file_range(source.descriptor.get(), nullptr, target.get(), nullptr,
                                         static_cast<std::size_t>(remaining), 0);
      if (copied > 0) {
        remaining -= copied;
        continue;
      }
      if (copied == 0) break;  // the file shrank while it was copied
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        fail(errno, "Cannot copy " + from.string());
      }
      kernelCopy = false;
      buffer.resize(1 << 20);
    }
    ssize_t count = ::read(source.descriptor.get(), buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) fail(errno, "Cannot read " + from.string());
    if (count == 0) break;
    for (ssize_t written = 0; written < count;) {
      ssize_t step = ::write(target.get(), buffer.data() + written, static_cast<std::size_t>(count - written));
      if (step < 0 && errno == EINTR) continue;
      if (step < 0) fail(errno, "Cannot write " + to.string());
      written += step;
    }
    remaining -= count;
  }
  // Only a head start for the sync later; a failure here changes nothing.
  ::sync_file_range(target.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
  if (target.close() != 0) fail(errno, "Cannot close " + to.string());
}

struct CopiedItem {
  std::filesystem::path path;
  mode_t mode;
};

// Copies a tree, every item private to the owner (0700 and 0600), and notes
// each item with the mode it is to receive.
void copyDirectory(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::vector<CopiedItem>& files, std::vector<CopiedItem>& directories) {
  struct stat status {};
  if (::lstat(from.c_str(), &status) != 0) fail(errno, "Cannot read " + from.string());
  if (::mkdir(to.c_str(), 0700) != 0) fail(errno, "Cannot create " + to.string());
  directories.push_back({to, status.st_mode & 07777});
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(from)) {
    struct stat item {};
    if (::lstat(entry.path().c_str(), &item) != 0) fail(errno, "Cannot read " + entry.path().string());
    std::filesystem::path target = to / entry.path().filename();
    if (S_ISDIR(item.st_mode)) {
      copyDirectory(entry.path(), target, files, directories);
    } else if (S_ISREG(item.st_mode)) {
      copyFile(entry.path(), target);
      files.push_back({target, item.st_mode & 07777});
    } else if (S_ISLNK(item.st_mode)) {
      fail(ELOOP, "Symbolic link refused: " + entry.path().string());
    } else {
      fail(EINVAL, "Special file refused: " + entry.path().string());
    }
  }
}

// Gives an open item its mode and syncs both its data and that change.
void releaseAndSync(int descriptor, const CopiedItem& item) {
  if (::fchmod(descriptor, item.mode) != 0) fail(errno, "Cannot set the permissions of " + item.path.string());
  syncDescriptor(descriptor, item.path);
}

// Runs work(index) for every index below `count` on a few threads and
// rethrows the first failure once all have stopped. Syncs issued together
// share the file system's journal commits: a thousand files take about as
// long as one, where one after the other they wait for the disk a thousand
// times.
void inParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
  constexpr unsigned threadCount = 16;
  std::atomic<std::size_t> next{0};
  std::mutex failureLock;
  std::exception_ptr failure;
  auto run = [&] {
    for (std::size_t index; (index = next.fetch_add(1)) < count;) {
      try {
        work(index);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
        next = count;
      }
    }
  };
  std::vector<std::thread> threads;
  try {
    for (unsigned thread = 1; thread < threadCount && thread < count; ++thread) threads.emplace_back(run);
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
  run();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void syncDirectory(const std::filesystem::path& directory) {
  FileDescriptor descriptor(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.get() < 0) fail(errno, "Cannot open " + directory.string());
  syncDescriptor(descriptor.get(), directory);
}

void exchangeEntries(const std::filesystem::path& first, const std::filesystem::path& second) {
  if (int error = renameAt(first, second, RENAME_EXCHANGE)) fail(error, "Cannot exchange " + first.string());
  if (int error = syncParents(first, second)) {
    // An exchange that may not survive a power loss is reported as not
    // made; putting the entries back keeps "failed" meaning "unchanged".
    // When even that fails, the caller must know the entries moved.
    if (renameAt(first, second, RENAME_EXCHANGE) != 0) {
      throw ChangeNotUndone(error, std::generic_category(), "Cannot sync or undo the exchange of " + first.string());
    }
    fail(error, "Cannot sync the exchange of " + first.string());
  }
}

void moveEntry(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (int error = renameAt(from, to, RENAME_NOREPLACE)) fail(error, "Cannot move " + from.string());
  if (int error = syncParents(from, to)) {
    if (renameAt(to, from, RENAME_NOREPLACE) != 0) {
      throw ChangeNotUndone(error, std::generic_category(), "Cannot sync or undo the move of " + from.string());
    }
    fail(error, "Cannot sync the move of " + from.string());
  }
}

void removeTree(const std::filesystem::path& path) {
  struct stat top {};
  if (::lstat(path.c_str(), &top) != 0) {
    if (errno == ENOENT) return;
    fail(errno, "Cannot remove " + path.string());
  }
  if (!S_ISDIR(top.st_mode)) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail(errno, "Cannot remove " + path.string());
    return;
  }
  // One directory open at a time: going down, the parent is closed once the
  // child is open; coming back up, ".." is opened from the child. Only the
  // names on the way down are kept.
  FileDescriptor current(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (current.get() < 0) fail(errno, "Cannot open " + path.string());
  std::vector<std::string> names;
  for (;;) {
    // Remove what this directory holds, up to its first subdirectory.
    std::string subdirectory;
    {
      FileDescriptor listing(::dup(current.get()));
      if (listing.get() < 0) fail(errno, "Cannot read " + path.string());
      DIR* directory = ::fdopendir(listing.get());
      if (directory == nullptr) fail(errno, "Cannot read " + path.string());
      listing.release();  // the listing closes it now
      std::unique_ptr<DIR, int (*)(DIR*)> closer(directory, ::closedir);
      ::rewinddir(directory);
      errno = 0;
      while (dirent* entry = ::readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
          struct stat status {};
          if (::fstatat(current.get(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            fail(errno, "Cannot read " + path.string());
          }
          isDirectory = S_ISDIR(status.st_mode);
        }
        if (isDirectory) {
          subdirectory = name;
          break;
        }
        if (::unlinkat(current.get(), entry->d_name, 0) != 0 && errno != ENOENT) {
          fail(errno, "Cannot remove an item below " + path.string());
        }
        errno = 0;
      }
      if (subdirectory.empty() && errno != 0) fail(errno, "Cannot read " + path.string());
    }
    if (!subdirectory.empty()) {
      int child = ::openat(current.get(), subdirectory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0) fail(errno, "Cannot open a folder below " + path.string());
      current = FileDescriptor(child);
      names.push_back(std::move(subdirectory));
      continue;
    }
    // This directory is empty now.
    if (names.empty()) break;
    int parent = ::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) fail(errno, "Cannot open a folder below " + path.string());
    current = FileDescriptor(parent);
    if (::unlinkat(current.get(), names.back().c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
      fail(errno, "Cannot remove a folder below " + path.string());
    }
    names.pop_back();
  }
  current.close();
  if (::rmdir(path.c_str()) != 0 && errno != ENOENT) fail(errno, "Cannot remove " + path.string());
}

void copyTreeDurably(const std::filesystem::path& from, const std::filesystem::path& to) {
  struct stat status {};
  if (::lstat(from.c_str(), &status) != 0) fail(errno, "Cannot read " + from.string());
  if (S_ISLNK(status.st_mode)) fail(ELOOP, "Symbolic link refused: " + from.string());
  if (!S_ISDIR(status.st_mode)) fail(ENOTDIR, "Not a directory: " + from.string());
  std::vector<CopiedItem> files;
  std::vector<CopiedItem> directories;
  copyDirectory(from, to, files, directories);
  // Files are opened while still private, so any mode of their own works.
  inParallel(files.size(), [&](std::size_t index) {
    FileDescriptor descriptor(::open(files[index].path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (descriptor.get() < 0) fail(errno, "Cannot open " + files[index].path.string());
    releaseAndSync(descriptor.get(), files[index]);
  });
  // Directories likewise: all opened before any of them gets its own mode,
  // in batches that keep the number of open descriptors small.
  constexpr std::size_t batch = 128;
  for (std::size_t first = 0; first < directories.size(); first += batch) {
    std::size_t count = std::min(batch, directories.size() - first);
    std::vector<FileDescriptor> opened;
    opened.reserve(count);
    for (std::size_t index = first; index < first + count; ++index) {
      opened.emplace_back(::open(directories[index].path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
      if (opened.back().get() < 0) fail(errno, "Cannot open " + directories[index].path.string());
    }
    inParallel(count, [&](std::size_t index) { releaseAndSync(opened[index].get(), directories[first + index]); });
  }
  syncDirectory(parentOf(to));
}

}  // namespace tavro::platform
