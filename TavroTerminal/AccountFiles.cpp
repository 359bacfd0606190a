#include "TavroTerminal/AccountFiles.h"

#include "Support/FileDescriptor.h"
#include "TavroCore/account/AccountService.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace tavro::terminal {
namespace {

std::string errorText(int error) {
  return std::strerror(error);
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::string> replaceAtomically(const std::filesystem::path& file,
                                             const std::string& bytes, bool makeFolder) {
  if (makeFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
  }
  std::random_device random;
  for (int tries = 0; tries < 16; ++tries) {
    std::string name = ".";
    name += file.filename().string();
    name += ".new-";
    name += std::to_string(random());
    std::filesystem::path temporary = file.parent_path() / name;
    FileDescriptor fd(::open(temporary.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd.get() < 0) {
      if (errno == EEXIST) continue;
      return errorText(errno);
    }
    // The mode asked for is narrowed by the umask, never widened; make sure.
    if (::fchmod(fd.get(), 0600) != 0 || !writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 ||
        ::close(fd.release()) != 0) {
      int error = errno;
      ::unlink(temporary.c_str());
      return errorText(error);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
      int error = errno;
      ::unlink(temporary.c_str());
      return errorText(error);
    }
    FileDescriptor folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return std::nullopt;
  }
  return "no free name for a temporary file";
}

}  // namespace

std::filesystem::path tokenFile(const std::filesystem::path& configFolder) {
  return configFolder / "session-token";
}

std::filesystem::path browserPageFile(const std::filesystem::path& configFolder) {
  return configFolder / "sign-in-page.txt";
}

std::optional<std::string> readToken(const std::filesystem::path& file) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_uid != ::geteuid() || (status.st_mode & 077) != 0 || status.st_size > 65)
    return std::nullopt;
  char buffer[66];
  ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
  if (n <= 0) return std::nullopt;
  std::string token(buffer, static_cast<std::size_t>(n));
  if (!token.empty() && token.back() == '\n') token.pop_back();
  if (!AccountService::validToken(token)) return std::nullopt;
  return token;
}

std::optional<std::string> writeToken(const std::filesystem::path& file, const std::string& token) {
  return replaceAtomically(file, token + "\n", true);
}

std::optional<std::string> removeToken(const std::filesystem::path& file) {
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) return errorText(errno);
  return std::nullopt;
}

FileBytes readBoundedFile(const std::filesystem::path& file, std::uintmax_t limit) {
  FileBytes result;
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    result.failure = errorText(errno);
    return result;
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) {
    result.failure = errorText(errno);
    return result;
  }
  if (!S_ISREG(status.st_mode)) {
    result.failure = "not a regular file";
    return result;
  }
  auto tooLarge = [&] {
    result.failure = "larger than " + std::to_string(limit >> 20) + " MiB";
    return result;
  };
  if (static_cast<std::uintmax_t>(status.st_size) > limit) return tooLarge();
  std::string bytes;
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.failure = errorText(errno);
      return result;
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (bytes.size() + static_cast<std::size_t>(n) > limit) return tooLarge();
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  result.bytes = std::move(bytes);
  return result;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               const std::string& bytes) {
  return replaceAtomically(file, bytes, false);
}

}  // namespace tavro::terminal
