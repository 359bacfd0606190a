#include "Platform/FileUserDefaults.h"

#include "Support/Base64.h"
#include "Support/File.h"
#include "Support/FileDescriptor.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "Support/Text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace tavro::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& what, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), what + " \"" + path.string() + "\"");
}

// Holds the advisory lock that makes writers of several processes take turns.
class FileLock {
 public:
  // Links not followed: with creation, a symbolic link planted as the lock
  // file (even a dangling one) would make us create a file wherever it
  // points. Opened without blocking: a FIFO must not wait for a peer.
  explicit FileLock(const std::filesystem::path& path) {
    file::OpenedFile opened = file::openRegular(
        path, {.followLinks = false, .readWrite = true, .createMode = 0600});
    switch (opened.failure) {
      case file::Failure::none:
      case file::Failure::tooLarge:  // no bound asked for
        break;
      case file::Failure::open:
        if (opened.error == ELOOP) fail(opened.error, "Not a regular file (a symbolic link):", path);
        fail(opened.error, "Cannot open", path);
      case file::Failure::status:
      case file::Failure::read:
        fail(opened.error, "Cannot read", path);
      case file::Failure::notRegular:
        // A FIFO or a device here would not lock anything.
        fail(EINVAL, "Not a regular file:", path);
    }
    fd_ = std::move(opened.descriptor);
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) fail(errno, "Cannot lock", path);
    }
  }
  // Closing the descriptor releases the lock.

 private:
  FileDescriptor fd_;
};

std::string base64(const DefaultsData& bytes) {
  return base64::encode(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Only the canonical padded form is accepted: decoding then encoding again
// gives back the same text.
std::optional<DefaultsData> fromBase64(std::string_view text) {
  std::optional<std::string> bytes = base64::decode(text);
  if (!bytes || base64::encode(*bytes) != text) return std::nullopt;
  return DefaultsData(bytes->begin(), bytes->end());
}

constexpr std::string_view kindBoolean = "boolean";
constexpr std::string_view kindInteger = "integer";
constexpr std::string_view kindDouble = "double";
constexpr std::string_view kindString = "string";
constexpr std::string_view kindData = "data";

json::OrderedJson encodeDouble(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

double decodeDouble(const json::Value& value) {
  if (value.kind() == json::Kind::string) {
    std::string_view text = value.stringView();
    if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (text == "inf") return std::numeric_limits<double>::infinity();
    if (text == "-inf") return -std::numeric_limits<double>::infinity();
    throw json::DecodingError("Expected a number, \"nan\", \"inf\" or \"-inf\" for " +
                              value.name());
  }
  return value.number();
}

DefaultsValue decodeEntry(const json::Value& entry) {
  json::Object object = entry.object();
  auto members = object.fields();
  if (members.size() != 1)
    throw json::DecodingError("Expected exactly one kind for " + entry.name());
  auto& [kind, value] = members.front();
  if (kind == kindBoolean) return value.boolean();
  if (kind == kindInteger) return value.integer();
  if (kind == kindDouble) return decodeDouble(value);
  if (kind == kindString) return value.string();
  if (kind == kindData) {
    std::optional<DefaultsData> bytes = fromBase64(value.stringView());
    if (!bytes) throw json::DecodingError("Expected base64 for " + value.name());
    return std::move(*bytes);
  }
  throw json::DecodingError("Unknown kind \"" + std::string(kind) + "\" for " + entry.name());
}

void requireUtf8(std::string_view text, const char* what) {
  if (!text::isValidUtf8(text))
    throw std::invalid_argument(std::string(what) + " is not well-formed UTF-8");
}

// Outcome of reading the file once.
struct Reading {
  enum class State { absent, notRegular, loaded, damaged, unavailable } state = State::absent;
  int error = 0;  // why an unavailable file could not be read
  FileUserDefaults::Values values;
};

}  // namespace

FileUserDefaults::FileUserDefaults(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path FileUserDefaults::damagedFile() const {
  std::filesystem::path damaged = file_;
  damaged += ".damaged";
  return damaged;
}

std::string FileUserDefaults::encode(const Values& values) {
  json::OrderedJson entries = json::OrderedJson::object();
  for (const auto& [key, value] : values) {
    requireUtf8(key, "A key");
    json::OrderedJson entry = json::OrderedJson::object();
    std::visit(
        [&entry](const auto& stored) {
          using T = std::decay_t<decltype(stored)>;
          if constexpr (std::is_same_v<T, bool>) {
            entry[kindBoolean] = stored;
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            entry[kindInteger] = stored;
          } else if constexpr (std::is_same_v<T, double>) {
            entry[kindDouble] = encodeDouble(stored);
          } else if constexpr (std::is_same_v<T, std::string>) {
            requireUtf8(stored, "A text value");
            entry[kindString] = stored;
          } else {
            entry[kindData] = base64(stored);
          }
        },
        value);
    entries[key] = std::move(entry);
  }
  json::OrderedJson root = json::OrderedJson::object();
  root["values"] = std::move(entries);
  return json::encode(root);
}

FileUserDefaults::Values FileUserDefaults::decode(std::string_view bytes) {
  // An empty view may carry no buffer, which the parser must not be given.
  if (bytes.empty()) throw json::DecodingError("The data is not valid JSON: empty");
  json::Document document = json::Document::parse(bytes);
  json::Object entries = document.root().object().object("values");
  Values values;
  for (auto& [key, entry] : entries.fields()) {
    auto [position, inserted] = values.emplace(std::string(key), DefaultsValue{false});
    if (!inserted) throw json::DecodingError("Key \"" + std::string(key) + "\" appears twice");
    position->second = decodeEntry(entry);
  }
  return values;
}

namespace {

std::optional<struct stat> statusOf(const std::filesystem::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return std::nullopt;
  return status;
}

// Reads the file as it is now. `status` receives what was read (for a
// loaded or damaged file).
Reading readFile(const std::filesystem::path& file, std::size_t limit, struct stat& status) {
  Reading reading;
  // Opened without blocking: a FIFO must not wait for a writer.
  file::Contents contents = file::readRegular(file, {.limit = limit});
  status = contents.status;
  switch (contents.failure) {
    case file::Failure::none:
      break;
    case file::Failure::open: {
      int error = contents.error;
      if (error == ENOENT || error == ENOTDIR) return reading;
      if (error != EACCES && error != EPERM) {
        // Out of descriptors or memory, an I/O error: nothing says the file
        // itself is bad, so it is neither used nor moved.
        reading.state = Reading::State::unavailable;
        reading.error = error;
        return reading;
      }
      // Present but not readable by us: kept aside like a damaged one.
      std::optional<struct stat> present = statusOf(file);
      if (!present) return reading;
      status = *present;
      reading.state =
          S_ISREG(status.st_mode) ? Reading::State::damaged : Reading::State::notRegular;
      return reading;
    }
    case file::Failure::status:
    case file::Failure::read:
      reading.state = Reading::State::unavailable;
      reading.error = contents.error;
      return reading;
    case file::Failure::notRegular:
      reading.state = Reading::State::notRegular;
      return reading;
    case file::Failure::tooLarge:
      reading.state = Reading::State::damaged;
      return reading;
  }
  reading.state = Reading::State::damaged;
  try {
    reading.values = FileUserDefaults::decode(contents.bytes);
  } catch (const json::DecodingError&) {
    return reading;
  }
  reading.state = Reading::State::loaded;
  return reading;
}

}  // namespace

FileUserDefaults::Identity FileUserDefaults::identityOf(const struct stat& status) {
  return {status.st_dev,         status.st_ino,          status.st_size,
          status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_ctim.tv_sec,
          status.st_ctim.tv_nsec};
}

std::filesystem::path FileUserDefaults::lockFile() const {
  std::filesystem::path lock = file_;
  lock += ".lock";
  return lock;
}

bool FileUserDefaults::upToDate() const {
  if (!everRead_) return false;
  std::optional<struct stat> now = statusOf(file_);
  if (!now) return !loaded_;
  return loaded_ && identityOf(*now) == *loaded_;
}

void FileUserDefaults::load() const {
  struct stat status {};
  Reading reading = readFile(file_, maximumFileSize, status);
  everRead_ = true;
  damaged_ = false;
  readError_ = 0;
  values_.clear();
  loaded_.reset();
  switch (reading.state) {
    case Reading::State::absent:
      return;
    case Reading::State::unavailable:
      everRead_ = false;  // tried again on the next use
      readError_ = reading.error;
      return;
    case Reading::State::notRegular:
      // Nothing to read, and nothing this store may move or replace.
      loaded_ = identityOf(status);
      return;
    case Reading::State::loaded:
      values_ = std::move(reading.values);
      loaded_ = identityOf(status);
      return;
    case Reading::State::damaged:
      loaded_ = identityOf(status);
      damaged_ = true;
      return;
  }
}

void FileUserDefaults::moveAside() const {
  // Another program may have replaced the file since it was read.
  std::optional<struct stat> now = statusOf(file_);
  if (!now || !loaded_ || identityOf(*now) != *loaded_) {
    load();
    if (!damaged_) return;
  }
  if (::rename(file_.c_str(), damagedFile().c_str()) == 0) {
    damaged_ = false;
    loaded_.reset();
    moveError_ = 0;
  } else {
    moveError_ = errno;
  }
}

void FileUserDefaults::refresh(bool lockHeld) const {
  if (upToDate() && !(lockHeld && damaged_)) return;
  if (!upToDate()) load();
  if (!damaged_) return;
  if (lockHeld) {
    moveAside();
    return;
  }
  // Moving the file aside is a change: it waits its turn with the writers.
  try {
    FileLock lock(lockFile());
    load();
    if (damaged_) moveAside();
  } catch (const std::system_error&) {
    // Cannot lock (a read-only folder, ...): the file stays where it is and
    // reads as empty; a change reports the failure.
  }
}

std::optional<DefaultsValue> FileUserDefaults::value(std::string_view key) const {
  std::lock_guard lock(mutex_);
  refresh(false);
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> FileUserDefaults::keys() const {
  std::lock_guard lock(mutex_);
  refresh(false);
  std::vector<std::string> out;
  out.reserve(values_.size());
  for (const auto& entry : values_) out.push_back(entry.first);
  return out;
}

void FileUserDefaults::setValue(std::string_view key, DefaultsValue value) {
  change(key, std::move(value));
}

void FileUserDefaults::removeValue(std::string_view key) {
  change(key, std::nullopt);
}

void FileUserDefaults::change(std::string_view key, std::optional<DefaultsValue> value) {
  // Bounds first, so that nothing below works on an oversized text.
  std::size_t incoming = key.size();
  if (value) {
    if (const auto* text = std::get_if<std::string>(&*value)) incoming += text->size();
    if (const auto* bytes = std::get_if<DefaultsData>(&*value)) incoming += bytes->size() / 3 * 4;
  }
  if (incoming > maximumFileSize) fail(EFBIG, "Value too large for", file_);
  requireUtf8(key, "A key");
  if (value) {
    if (const auto* text = std::get_if<std::string>(&*value)) requireUtf8(*text, "A text value");
  }

  std::lock_guard guard(mutex_);
  // Whatever happens below, the next read looks at the file again.
  struct Reread {
    const FileUserDefaults& store;
    bool done = false;
    ~Reread() {
      if (!done) store.everRead_ = false;
    }
  } reread{*this};

  std::filesystem::path folder = file_.parent_path();
  if (folder.empty()) folder = ".";
  std::filesystem::create_directories(folder);
  FileLock lock(lockFile());

  everRead_ = false;
  refresh(true);
  if (damaged_) {
    // The damaged file could not be moved aside; it is never overwritten.
    fail(moveError_ != 0 ? moveError_ : EIO, "Cannot move aside the damaged file", file_);
  }
  // A file that could not be read now is not replaced by a document
  // without its values.
  if (readError_ != 0) fail(readError_, "Cannot read", file_);
  std::optional<struct stat> existing = statusOf(file_);
  if (existing && !S_ISREG(existing->st_mode)) fail(EINVAL, "Not a regular file:", file_);

  Values next = values_;
  if (value) {
    auto found = next.find(key);
    if (found == next.end()) {
      next.emplace(std::string(key), std::move(*value));
    } else {
      found->second = std::move(*value);
    }
  } else {
    auto found = next.find(key);
    if (found == next.end()) {
      reread.done = true;
      return;  // nothing stored there: the file stays as it is
    }
    next.erase(found);
  }
  std::string bytes = encode(next);
  if (bytes.size() > maximumFileSize) fail(EFBIG, "Document too large for", file_);

  const std::string base = file::temporaryPrefix(file_);
  if (!sweptTemporaries_) {
    // Under the lock no other writer is between creating and renaming its
    // temporary file, so any left here belongs to a writer that was killed.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
      std::string name = entry.path().filename().string();
      if (name.starts_with(base) && entry.is_regular_file(ignored))
        std::filesystem::remove(entry.path(), ignored);
    }
    sweptTemporaries_ = true;
  }

  // The store keeps the access rights the file already had.
  file::WriteOptions options;
  if (existing) options.permissions = existing->st_mode & 0777;
  file::writeAtomically(file_, bytes, options);

  values_ = std::move(next);
  std::optional<struct stat> written = statusOf(file_);
  if (!written) return;  // the Reread guard makes the next read look again
  loaded_ = identityOf(*written);
  damaged_ = false;
  everRead_ = true;
  reread.done = true;
}

}  // namespace tavro::platform
