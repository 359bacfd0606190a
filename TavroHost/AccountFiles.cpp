#include "TavroHost/AccountFiles.h"

#include "Support/File.h"
#include "TavroCore/account/AccountService.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace tavro {
namespace {

std::string errorText(int error) {
  return std::strerror(error);
}

std::optional<std::string> replaceAtomically(const std::filesystem::path& file,
                                             const std::string& bytes, bool makeFolder) {
  if (makeFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
  }
  try {
    // The mode asked for is narrowed by the umask, never widened; the
    // permissions make sure of 0600. The file is in place once renamed,
    // so a folder that cannot be flushed is not reported.
    file::writeAtomically(file, bytes,
                          {.mode = 0600, .permissions = 0600, .folderSyncRequired = false});
  } catch (const std::system_error& failure) {
    return errorText(failure.code().value());
  }
  return std::nullopt;
}

}  // namespace

std::filesystem::path tokenFile(const std::filesystem::path& configFolder) {
  return configFolder / "session-token";
}

std::filesystem::path browserPageFile(const std::filesystem::path& configFolder) {
  return configFolder / "sign-in-page.txt";
}

std::optional<std::string> readToken(const std::filesystem::path& file) {
  // 64 characters and a line break at the most.
  file::Contents contents = file::readRegular(file, {.limit = 65, .followLinks = false});
  if (!contents || contents.status.st_uid != ::geteuid() || (contents.status.st_mode & 077) != 0 ||
      contents.bytes.empty())
    return std::nullopt;
  std::string token = std::move(contents.bytes);
  if (token.back() == '\n') token.pop_back();
  if (!AccountService::validToken(token)) return std::nullopt;
  return token;
}

std::optional<std::string> writeToken(const std::filesystem::path& file, const std::string& token) {
  return replaceAtomically(file, token + "\n", true);
}

std::optional<std::string> removeAccountFile(const std::filesystem::path& file) {
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) return errorText(errno);
  return std::nullopt;
}

FileBytes readBoundedFile(const std::filesystem::path& file, std::uintmax_t limit) {
  FileBytes result;
  file::Contents contents = file::readRegular(file, {.limit = limit});
  switch (contents.failure) {
    case file::Failure::none:
      result.bytes = std::move(contents.bytes);
      break;
    case file::Failure::notRegular:
      result.failure = "not a regular file";
      break;
    case file::Failure::tooLarge:
      result.failure = "larger than " + std::to_string(limit >> 20) + " MiB";
      break;
    case file::Failure::open:
    case file::Failure::status:
    case file::Failure::read:
      result.failure = errorText(contents.error);
      break;
  }
  return result;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               const std::string& bytes) {
  return replaceAtomically(file, bytes, false);
}

}  // namespace tavro
