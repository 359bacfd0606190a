#include "TavroHost/Storage.h"

#include "Support/File.h"
#include "Support/FileDescriptor.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <system_error>
#include <thread>

namespace tavro {
namespace {

std::optional<std::filesystem::path> absolute(const std::optional<std::string>& value) {
  if (!value || value->empty()) return std::nullopt;
  std::filesystem::path path(*value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::string timestamp() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  ::gmtime_r(&now, &parts);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &parts);
  return buffer;
}

}  // namespace

std::optional<std::filesystem::path> setAsideDamagedFile(const std::filesystem::path& file,
                                                         std::string& failure) {
  std::string base = file.filename().string() + ".damaged-" + timestamp();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path target =
        file.parent_path() / (attempt == 0 ? base : base + "-" + std::to_string(attempt));
    // link + unlink never replaces an existing file, as a rename would.
    if (::link(file.c_str(), target.c_str()) == 0) {
      if (::unlink(file.c_str()) != 0) {
        failure = std::strerror(errno);
        ::unlink(target.c_str());
        return std::nullopt;
      }
      return target;
    }
    if (errno != EEXIST) {
      failure = std::strerror(errno);
      return std::nullopt;
    }
  }
  failure = "no free name to keep it under";
  return std::nullopt;
}

namespace {

LoadedArchive unreadable(const std::filesystem::path& file, const std::string& reason) {
  LoadedArchive loaded;
  loaded.canSave = false;
  loaded.found = true;
  loaded.notice = {
      "Cannot read the score archive {1} ({2}). It is left as it is; scores of this session are "
      "not saved.",
      {file.string(), reason}};
  return loaded;
}

// The quoted name in a decoder's sentence (`Missing "misses"`), if any.
std::optional<std::string> quotedName(std::string_view sentence) {
  std::size_t open = sentence.find('"');
  if (open == std::string_view::npos) return std::nullopt;
  std::size_t close = sentence.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(sentence.substr(open + 1, close - open - 1));
}

// One entry's fault as the learner can read it: which entry and what is
// wrong with it, not the decoder's wording.
HostMessage entryFault(std::string_view sentence) {
  std::optional<std::string> name = quotedName(sentence);
  if (sentence.rfind("Expected an attempt with a mode of at most", 0) == 0)
    return {"its mode is longer than {1} bytes", {std::to_string(Attempt::maximumModeBytes)}};
  if (name && sentence.rfind("Missing ", 0) == 0) return {"\"{1}\" is missing", {*name}};
  if (name && sentence.rfind("Expected a UUID", 0) == 0) return {"\"{1}\" is not a valid id", {*name}};
  if (name && sentence.find("found null") != std::string_view::npos)
    return {"\"{1}\" is empty (null)", {*name}};
  if (name) return {"\"{1}\" holds the wrong kind of value", {*name}};
  return {"a value has the wrong form"};
}

// Where a file that does not decode as an archive broke, in plain words:
// the file empty, its text cut short or garbled, or the first attempt (by
// number) or setting that is wrong, and how. The decoder's own sentence
// names parser internals a learner cannot act on.
HostMessage damageReason(std::string_view bytes, const json::DecodingError& error) {
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) return {"the file is empty"};
  try {
    json::Document document = json::Document::parse(bytes);
    json::Value root = document.root();
    if (root.kind() != json::Kind::object) return {"the file holds no score archive"};
    if (std::optional<json::Value> attempts = root.object().field("attempts");
        attempts && attempts->kind() == json::Kind::array) {
      json::Array list = attempts->array();
      std::size_t number = 0;
      for (const json::Value& attempt : list.elements()) {
        ++number;
        try {
          if (!Attempt::decode(attempt).withinByteBounds())
            return {"attempt {1} of {2}: {3}",
                    {std::to_string(number), std::to_string(list.size())},
                    {{"its mode is longer than {1} bytes",
                      {std::to_string(Attempt::maximumModeBytes)}}}};
        } catch (const json::DecodingError& fault) {
          return {"attempt {1} of {2}: {3}",
                  {std::to_string(number), std::to_string(list.size())},
                  {entryFault(fault.what())}};
        }
      }
    }
  } catch (const json::DecodingError&) {
    return {"its text of {1} bytes is cut short or garbled: it is not complete JSON",
            {std::to_string(bytes.size())}};
  }
  return entryFault(error.what());
}

LoadedArchive damaged(const std::filesystem::path& file, const HostMessage& reason,
                      bool setAsideDamaged) {
  if (!setAsideDamaged) {
    LoadedArchive loaded;
    loaded.canSave = false;
    loaded.found = true;
    loaded.notice = {"The score archive {1} is damaged ({2}).", {file.string()}, {reason}};
    return loaded;
  }
  std::string failure;
  std::optional<std::filesystem::path> kept = setAsideDamagedFile(file, failure);
  if (!kept) {
    return unreadable(file, reason.text() + "; it could not be set aside: " + failure);
  }
  LoadedArchive loaded;
  loaded.found = true;
  loaded.notice = {
      "The score archive was damaged ({2}). It was kept as {1} and a new archive was started.",
      {kept->string()},
      {reason}};
  return loaded;
}

HostMessage tooLarge() {
  return {"larger than {1} MiB", {std::to_string(maximumArchiveBytes >> 20)}};
}

}  // namespace

Environment processEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

std::optional<std::string> dataDirectoryProblem(const std::filesystem::path& directory) {
  std::error_code error;
  // Followed: a link to a folder is a folder.
  std::filesystem::file_status status = std::filesystem::status(directory, error);
  if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
    return std::nullopt;
  return "--data-dir " + directory.string() + " is not a folder; name a folder (a missing one is made)";
}

std::optional<StoragePaths> storagePaths(const std::optional<std::filesystem::path>& dataDirectory,
                                         const Environment& environment) {
  if (dataDirectory) {
    std::filesystem::path folder = std::filesystem::absolute(*dataDirectory);
    return StoragePaths{folder, folder};
  }
  std::optional<std::filesystem::path> home = absolute(environment("HOME"));
  std::optional<std::filesystem::path> data = absolute(environment("XDG_DATA_HOME"));
  std::optional<std::filesystem::path> config = absolute(environment("XDG_CONFIG_HOME"));
  if (!data && home) data = *home / ".local" / "share";
  if (!config && home) config = *home / ".config";
  if (!data || !config) return std::nullopt;
  return StoragePaths{*data / "tavro", *config / "tavro"};
}

LoadedArchive loadArchive(const std::filesystem::path& file, bool setAsideDamaged) {
  // Non-blocking, so that a pipe in its place cannot hold the tutor up.
  file::Contents contents = file::readRegular(file, {.limit = maximumArchiveBytes});
  switch (contents.failure) {
    case file::Failure::none:
      break;
    case file::Failure::open:
      if (contents.error == ENOENT) return {};
      return unreadable(file, std::strerror(contents.error));
    case file::Failure::notRegular:
      return unreadable(file, "not a regular file");
    case file::Failure::tooLarge:
      return damaged(file, tooLarge(), setAsideDamaged);
    case file::Failure::status:
    case file::Failure::read:
      return unreadable(file, std::strerror(contents.error));
  }
  const std::string& bytes = contents.bytes;

  try {
    LoadedArchive loaded;
    loaded.archive = Archive::decode(bytes);
    loaded.found = true;
    return loaded;
  } catch (const json::DecodingError& error) {
    return damaged(file, damageReason(bytes, error), setAsideDamaged);
  }
}

std::optional<HostMessage> archiveBeyondBounds(const Archive& archive,
                                                         const ArchiveBounds& bounds) {
  // The count first: it needs no encoding, and a list too long for a backup
  // could never be synced or imported again anyway.
  if (archive.attempts.size() > bounds.attempts) {
    return HostMessage{
        "This archive would have more attempts than a backup may hold ({1}; at most {2}).",
        {std::to_string(archive.attempts.size()), std::to_string(bounds.attempts)}};
  }
  std::size_t bytes = 0;
  try {
    bytes = archive.encode().size();
  } catch (const std::exception&) {
    return std::nullopt;  // the save reports what cannot be written
  }
  if (bytes > bounds.bytes) {
    return HostMessage{
        "This archive would take {1} bytes on disk, more than the {2} bytes the tutor reads "
        "back.",
        {std::to_string(bytes), std::to_string(bounds.bytes)}};
  }
  return std::nullopt;
}

std::optional<std::string> saveArchive(const Archive& archive, const std::filesystem::path& file) {
  try {
    archive.save(file);
    return std::nullopt;
  } catch (const std::system_error& error) {
    return std::string(error.what());
  } catch (const json::EncodingError& error) {
    return std::string(error.what());
  }
}

namespace {

// The lock beside the archive, held while a save reads and writes it.
std::optional<std::string> lockArchive(const std::filesystem::path& file, FileDescriptor& lock) {
  std::error_code made;
  std::filesystem::create_directories(file.parent_path(), made);
  std::filesystem::path path = file;
  path += ".lock";
  // Not followed and never anything but a regular file: a link or a pipe
  // planted there cannot make the save write elsewhere or wait forever.
  lock = FileDescriptor(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
  if (lock.get() < 0) return "cannot open " + path.string() + ": " + std::strerror(errno);
  struct stat status {};
  if (::fstat(lock.get(), &status) != 0 || !S_ISREG(status.st_mode))
    return path.string() + " is not a regular file";
  auto deadline = std::chrono::steady_clock::now() + archiveLockWait;
  while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return "cannot lock " + path.string() + ": " + std::strerror(errno);
    if (std::chrono::steady_clock::now() >= deadline)
      return "another program has been saving the scores for too long (" + path.string() + " is locked)";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

// `tally` less `earlier`, never below nothing.
KeyPerformance gained(const KeyPerformance& tally, const KeyPerformance& earlier) {
  return {std::max<std::int64_t>(tally.attempts - earlier.attempts, 0),
          std::max<std::int64_t>(tally.errors - earlier.errors, 0)};
}

// What is saved: `mine` with the attempts and keystrokes `theirs` gained since `base`.
Archive merged(const Archive& mine, const Archive& base, const Archive& theirs) {
  Archive result = mine;
  std::set<Uuid> held;
  for (const Attempt& attempt : mine.attempts) held.insert(attempt.id());
  for (const Attempt& attempt : theirs.attempts) {
    if (held.insert(attempt.id()).second) result.attempts.push_back(attempt);
  }
  if (theirs.weakKeys) {
    if (!result.weakKeys) result.weakKeys = WeakKeyHistory{};
    for (const auto& [mode, keys] : theirs.weakKeys->modes) {
      for (const auto& [key, tally] : keys) {
        KeyPerformance earlier;
        if (base.weakKeys) {
          auto modeAt = base.weakKeys->modes.find(mode);
          if (modeAt != base.weakKeys->modes.end()) {
            auto keyAt = modeAt->second.find(key);
            if (keyAt != modeAt->second.end()) earlier = keyAt->second;
          }
        }
        KeyPerformance added = gained(tally, earlier);
        if (added.attempts == 0 && added.errors == 0) continue;
        KeyPerformance& into = result.weakKeys->modes[mode][key];
        into.attempts += added.attempts;
        into.errors += added.errors;
      }
    }
  }
  return result;
}

}  // namespace

std::optional<std::string> saveSharedArchive(Archive& archive, Archive& base,
                                             const std::filesystem::path& file,
                                             const ArchiveBounds& bounds) {
  FileDescriptor lock;
  if (std::optional<std::string> failure = lockArchive(file, lock)) return failure;
  // What is there now, read as loadArchive reads it.
  file::Contents contents = file::readRegular(file, {.limit = maximumArchiveBytes});
  std::optional<Archive> theirs;
  bool damagedThere = false;
  switch (contents.failure) {
    case file::Failure::none:
      try {
        theirs = Archive::decode(contents.bytes);
      } catch (const json::DecodingError&) {
        damagedThere = true;
      }
      break;
    case file::Failure::open:
      if (contents.error == ENOENT) break;
      return "cannot read " + file.string() + ": " + std::strerror(contents.error);
    case file::Failure::notRegular:
      return file.string() + " is not a regular file";
    case file::Failure::tooLarge:
      damagedThere = true;
      break;
    case file::Failure::status:
    case file::Failure::read:
      return "cannot read " + file.string() + ": " + std::strerror(contents.error);
  }
  if (damagedThere) {
    // Damaged since this program read it: kept aside, never merged or lost.
    std::string failure;
    if (!setAsideDamagedFile(file, failure)) return failure;
  }
  Archive result = theirs ? merged(archive, base, *theirs) : archive;
  if (std::optional<HostMessage> refusal = archiveBeyondBounds(result, bounds)) return refusal->text();
  if (std::optional<std::string> failure = saveArchive(result, file)) return failure;
  archive = std::move(result);
  base = archive;
  return std::nullopt;
}

}  // namespace tavro
