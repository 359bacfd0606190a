#include "TavroUpdate/UpdateWorker.h"

#include "Platform/AtomicExchange.h"
#include "Platform/Bundle.h"
#include "Platform/ChildProcess.h"
#include "Platform/CodeSignature.h"
#include "Platform/MainThread.h"
#include "Platform/OSVersion.h"
#include "Platform/ToolsDirectory.h"
#include "Support/File.h"
#include "Support/Sha256.h"
#include "Support/Text.h"
#include "Support/Uuid.h"
#include "TavroCore/release/ReleaseIdentity.h"
#include "TavroUpdate/AtomicBundleExchange.h"
#include "TavroUpdate/SafeZIPExtractor.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/UpdatePolicy.h"
#include "TavroUpdate/ZIPInspection.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavro::UpdateWorker {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void refuse(const char* message) { throw UpdateFailure(message); }

std::string asciiLowercased(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The Info.plist of a bundle; any failure to open or read it becomes `message`.
platform::PlistDictionary infoOf(const fs::path& bundle, const char* message) {
  try {
    return platform::infoDictionary(bundle);
  } catch (const std::exception&) {
    refuse(message);
  }
}

const std::string* textValue(const platform::PlistDictionary& info, std::string_view key) {
  auto entry = info.find(key);
  return entry == info.end() ? nullptr : entry->second.string();
}

void checkSignature(const fs::path& bundle) {
  output(tool("codesign"), {"--verify", "--deep", "--strict", bundle.string()});
}

// Removes a directory tree when the scope ends, unless told to keep it.
class RemovedAtEnd {
 public:
  explicit RemovedAtEnd(fs::path path) : path_(std::move(path)) {}
  RemovedAtEnd(const RemovedAtEnd&) = delete;
  RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
  ~RemovedAtEnd() {
    if (keep_) return;
    try {
      platform::removeTree(path_);
    } catch (const std::exception&) {
      // A failed removal is ignored: the failure or result in flight matters more.
    }
  }
  void keep() { keep_ = true; }

 private:
  fs::path path_;
  bool keep_ = false;
};

// Creates `directory` alone (its parent must exist) with exactly `mode`,
// so it is never visible with looser permissions.
void makePrivateDirectory(const fs::path& directory) {
  if (::mkdir(directory.c_str(), 0700) != 0) {
    throw std::system_error(errno, std::generic_category(), "Cannot create " + directory.string());
  }
  if (::chmod(directory.c_str(), 0700) != 0) {
    int error = errno;
    ::rmdir(directory.c_str());
    throw std::system_error(error, std::generic_category(), "Cannot set the permissions of " + directory.string());
  }
}

// The size of a regular file, or no value for anything else. Opened without
// blocking, so a FIFO is not waited on; a failure to open passes on.
std::optional<std::int64_t> archiveSize(const fs::path& archive) {
  file::OpenedFile opened = file::openRegular(archive);
  if (opened.failure == file::Failure::open)
    throw std::system_error(opened.error, std::generic_category(), "Cannot open " + archive.string());
  if (!opened) return std::nullopt;
  return static_cast<std::int64_t>(opened.status.st_size);
}

}  // namespace

fs::path tool(std::string_view name) { return platform::toolPath(name); }

std::string digest(const fs::path& file) { return sha256::hexOfFile(file); }

std::optional<std::string> certificate(const fs::path& bundle) { return platform::codeSignature::certificate(bundle); }

std::string currentOS() { return platform::operatingSystemVersion(); }

std::string output(const fs::path& executable, const std::vector<std::string>& arguments) {
  platform::ChildProcessResult result = platform::runChildProcess(executable, arguments);
  if (!result.succeeded()) refuse(UpdateFailure::notVerified);
  if (text::isValidUtf8(result.standardOutput)) return std::move(result.standardOutput);
  return text::fromCodePoints(text::codePoints(result.standardOutput));
}

void requireUpgrade(const TavroRelease& release, const fs::path& installed) {
  platform::PlistDictionary info = infoOf(installed, UpdateFailure::notVerified);
  const std::string* identifier = textValue(info, "CFBundleIdentifier");
  if (identifier == nullptr || *identifier != ReleaseIdentity::bundleID) refuse(UpdateFailure::notVerified);
  const std::string* version = textValue(info, "CFBundleShortVersionString");
  const std::string* build = textValue(info, "CFBundleVersion");
  if (version == nullptr || build == nullptr) refuse(UpdateFailure::notVerified);
  if (!UpdatePolicy::newer(release.version, release.build, *version, *build)) refuse(UpdateFailure::notVerified);
}

void verify(const fs::path& candidate, const TavroRelease& release) {
  if (candidate.filename() != candidateBundleName) refuse(UpdateFailure::notVerified);
  UpdatePolicy::validateCandidate(infoOf(candidate, UpdateFailure::notVerified), release);

  std::optional<std::string> signer = certificate(candidate);
  if (!signer || *signer != asciiLowercased(release.codeSigning.certificateSHA256)) refuse(UpdateFailure::notVerified);

  // Every item, hidden ones included; links are never followed into.
  std::error_code opened;
  fs::recursive_directory_iterator walk(candidate, opened);
  if (!opened) {
    for (; walk != fs::recursive_directory_iterator(); ++walk) {
      if (walk->is_symlink()) refuse(UpdateFailure::unsafeArchive);
    }
  }

  checkSignature(candidate);

  fs::path executable = candidate / mainExecutable;
  std::error_code ignored;
  if (!fs::is_regular_file(executable, ignored) || ::access(executable.c_str(), X_OK) != 0) {
    refuse(UpdateFailure::notVerified);
  }

  std::string listing = output(tool("lipo"), {"-archs", executable.string()});
  bool found = false;
  std::size_t start = 0;
  while (start <= listing.size() && !found) {
    std::size_t end = listing.find(' ', start);
    if (end == std::string::npos) end = listing.size();
    std::string_view piece(listing.data() + start, end - start);
    while (!piece.empty() && std::string_view(" \t\n\r\v\f").find(piece.front()) != std::string_view::npos) {
      piece.remove_prefix(1);
    }
    while (!piece.empty() && std::string_view(" \t\n\r\v\f").find(piece.back()) != std::string_view::npos) {
      piece.remove_suffix(1);
    }
    found = piece == requiredArchitecture;
    start = end + 1;
  }
  if (!found) refuse(UpdateFailure::notVerified);
}

fs::path prepare(const fs::path& archive, const TavroRelease& release, const fs::path& installed,
                 const fs::path& staging) {
  if (platform::isMainThread()) refuse(UpdateFailure::mainThread);
  std::optional<std::string> installedCertificate = certificate(installed);
  UpdatePolicy::validate(release, installedCertificate, currentOS());
  requireUpgrade(release, installed);
  checkSignature(installed);

  // A leftover from an earlier run is never reused or removed.
  if (fs::exists(fs::symlink_status(staging))) refuse(UpdateFailure::notVerified);
  // An archive that is not a regular file (a directory, a FIFO, a device)
  // has no size to compare.
  if (archiveSize(archive) != release.fileSize) refuse(UpdateFailure::notVerified);
  if (digest(archive) != asciiLowercased(release.sha256)) refuse(UpdateFailure::notVerified);
  ZIPInspection::inspect(archive);

  fs::create_directories(staging.parent_path());
  makePrivateDirectory(staging);
  afterFileSystemStep("staging directory created");
  RemovedAtEnd removal(staging);
  SafeZIPExtractor::extract(archive, staging);
  afterFileSystemStep("archive extracted");
  fs::path candidate = staging / candidateBundleName;
  verify(candidate, release);
  output(tool("xattr"), {"-dr", std::string(quarantineAttribute), candidate.string()});
  afterFileSystemStep("quarantine removed");
  verify(candidate, release);
  removal.keep();
  return candidate;
}

fs::path replace(const fs::path& candidate, const fs::path& installed, const TavroRelease& release) {
  if (platform::isMainThread()) refuse(UpdateFailure::installationFailed);
  if (installed.filename() != candidateBundleName) refuse(UpdateFailure::installationFailed);
  if (fs::is_symlink(fs::symlink_status(installed))) refuse(UpdateFailure::installationFailed);
  platform::PlistDictionary info = infoOf(installed, UpdateFailure::installationFailed);
  const std::string* identifier = textValue(info, "CFBundleIdentifier");
  if (identifier == nullptr || *identifier != ReleaseIdentity::bundleID) refuse(UpdateFailure::installationFailed);
  UpdatePolicy::validate(release, certificate(installed), currentOS());
  requireUpgrade(release, installed);
  verify(candidate, release);

  // The old bundle is known by its identity on disk, not by where the
  // steps below believe it to be.
  struct stat oldBundle {};
  if (::lstat(installed.c_str(), &oldBundle) != 0) {
    throw std::system_error(errno, std::generic_category(), "Cannot read " + installed.string());
  }

  // Beside the installed bundle, so the exchange stays on one volume.
  const fs::path parent = installed.parent_path();
  const fs::path swapDirectory = parent / (std::string(swapDirectoryPrefix) + Uuid::random().text());
  makePrivateDirectory(swapDirectory);
  afterFileSystemStep("swap directory created");
  const fs::path copy = swapDirectory / candidateBundleName;
  const fs::path previous =
      parent / (std::string(previousBundlePrefix) + Uuid::random().text() + std::string(previousBundleSuffix));
  // Removes the swap directory however replace ends, unless the old bundle
  // lies in it: whatever failed, and whatever a failure claims was or was
  // not exchanged, the user's application is never deleted. It is moved to
  // the previous-bundle name then, or the whole directory is kept.
  struct SwapDirectoryRemoval {
    const fs::path& directory;
    const fs::path& copy;
    const fs::path& previous;
    const struct stat& oldBundle;
    bool holdsOldBundle() const {
      struct stat status {};
      return ::lstat(copy.c_str(), &status) == 0 && status.st_dev == oldBundle.st_dev &&
             status.st_ino == oldBundle.st_ino;
    }
    ~SwapDirectoryRemoval() {
      if (holdsOldBundle()) {
        try {
          platform::moveEntry(copy, previous);
        } catch (const std::exception&) {
        }
        if (holdsOldBundle()) return;
      }
      try {
        platform::removeTree(directory);
      } catch (const std::exception&) {
        // A failed removal is ignored.
      }
    }
  } removal{swapDirectory, copy, previous, oldBundle};

  platform::copyTreeDurably(candidate, copy);
  afterFileSystemStep("candidate copied");
  verify(copy, release);
  AtomicBundleExchange::swap(copy, installed);
  afterFileSystemStep("bundles exchanged");
  try {
    verify(installed, release);
    platform::moveEntry(copy, previous);
    afterFileSystemStep("previous bundle kept");
  } catch (...) {
    // Should this exchange fail, its failure is the one passed on, and the
    // removal above keeps the old bundle wherever it then lies.
    AtomicBundleExchange::swap(copy, installed);
    afterFileSystemStep("exchange reversed");
    throw;
  }
  return previous;
}

}  // namespace tavro::UpdateWorker
