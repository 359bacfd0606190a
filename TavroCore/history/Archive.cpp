#include "TavroCore/history/Archive.h"

#include "Support/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

namespace tavro {
namespace {

[[noreturn]] void fail(int error, const std::string& what, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), what + " \"" + path.string() + "\"");
}

// The whole file, with room for the JSON parser's padding left in its
// capacity so that it can be parsed where it lies.
std::string readAll(const std::filesystem::path& file) {
  // Opened without blocking, so that a FIFO put in the archive's place
  // cannot stall the caller, and read only when it is a regular file: a
  // device such as /dev/zero would otherwise be read for ever.
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) fail(errno, "Cannot open", file);
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) fail(errno, "Cannot read", file);
  if (S_ISDIR(status.st_mode)) fail(EISDIR, "Cannot read", file);
  if (!S_ISREG(status.st_mode)) fail(EINVAL, "Cannot read", file);

  std::string bytes;
  // The size is a hint: the file is read to its end whatever it says. One
  // byte more than it tells end of file apart from a full buffer.
  std::size_t expected = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) + 1 : 4096;
  bytes.reserve(expected + json::Document::paddingBytes);
  bytes.resize(expected);
  std::size_t filled = 0;
  while (true) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t count = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      fail(errno, "Cannot read", file);
    }
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  bytes.resize(filled);
  return bytes;
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& file) {
  while (!bytes.empty()) {
    ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      fail(errno, "Cannot write", file);
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

// Removes the temporary file unless the save got as far as renaming it.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  std::filesystem::path path_;
  bool kept_ = false;
};

bool isBetter(const Attempt& a, double aSpeed, const Attempt& b, double bSpeed) {
  if (aSpeed != bSpeed) return aSpeed > bSpeed;
  return a.accuracy() > b.accuracy();
}

constexpr std::size_t topCount = 5;

// The indices of the best attempts of a mode and round, best first, found in
// one pass: an attempt enters the list after every one at least as good, so
// equal results keep archive order.
// The level whose table an attempt without a level joins: the default
// level, under which attempts recorded before the level was kept were most
// likely made.
constexpr std::string_view unrecordedLevel = "N5";

// Whether an attempt belongs to the table of the mode, round and level.
bool belongs(const Attempt& attempt, std::string_view mode, std::int64_t round,
             std::optional<std::string_view> level) {
  if (attempt.round() != round || attempt.mode() != mode) return false;
  if (!level) return true;
  const std::optional<std::string>& own = attempt.jlptLevel();
  return own ? *own == *level : *level == unrecordedLevel;
}

std::vector<std::size_t> bestIndices(const std::vector<Attempt>& attempts, std::string_view mode,
                                     std::int64_t round, std::optional<std::string_view> level) {
  struct Entry {
    std::size_t index;
    double speed;
  };
  std::array<Entry, topCount> best{};
  std::size_t count = 0;
  for (std::size_t i = 0; i < attempts.size(); ++i) {
    const Attempt& attempt = attempts[i];
    if (!belongs(attempt, mode, round, level)) continue;
    double speed = attempt.cpm();
    std::size_t position = count;
    while (position > 0 &&
           isBetter(attempt, speed, attempts[best[position - 1].index], best[position - 1].speed)) {
      --position;
    }
    if (position >= topCount) continue;
    std::size_t last = count < topCount ? count : topCount - 1;
    for (std::size_t j = last; j > position; --j) best[j] = best[j - 1];
    best[position] = {i, speed};
    if (count < topCount) ++count;
  }
  std::vector<std::size_t> indices;
  indices.reserve(count);
  for (std::size_t i = 0; i < count; ++i) indices.push_back(best[i].index);
  return indices;
}

Archive decodeDocument(const json::Document& document) {
  json::Object root = document.root().object();

  Archive archive;
  json::Array attemptArray = root.array("attempts");
  archive.attempts.reserve(attemptArray.size());
  for (const json::Value attempt : attemptArray) {
    archive.attempts.push_back(Attempt::decode(attempt));
    // An attempt no backup or sync page could carry would stall every later
    // sync of the account, so a file holding one is refused like any other
    // damaged file rather than loaded and passed on.
    if (!archive.attempts.back().withinByteBounds())
      throw json::DecodingError("Expected an attempt with a mode of at most " +
                                std::to_string(Attempt::maximumModeBytes) + " bytes for " +
                                attempt.name());
  }
  for (const auto& [key, count] : root.object("errors").fields()) {
    std::int64_t value = count.integer();
    archive.errors.try_emplace(std::string(key), value);
  }
  if (std::optional<json::Value> weakKeys = root.optional("weakKeys")) {
    archive.weakKeys = WeakKeyHistory::decode(*weakKeys);
  }
  archive.appearance = root.string("appearance");
  archive.sound = root.string("sound");
  archive.jis = root.boolean("jis");
  archive.english = root.boolean("english");
  archive.duration = root.integer("duration");
  return archive;
}

}  // namespace

Archive Archive::read(const std::filesystem::path& file) {
  return decodeDocument(json::Document::parseKeeping(readAll(file)));
}

void Archive::save(const std::filesystem::path& file) const {
  // Encoding first: an archive that cannot be written leaves no trace.
  std::string bytes = encode();

  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  std::filesystem::create_directories(folder);

  // A fresh name in the target's folder, so that the rename stays on one
  // file system and cannot meet another writer's temporary file.
  std::string name = ".";
  name.append(file.filename().string()).append(".tmp-").append(Uuid::random().text());
  TemporaryFile temporary(folder / name);
  FileDescriptor fd(::open(temporary.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    int error = errno;
    temporary.keep();  // never created, or someone else's: not ours to remove
    fail(error, "Cannot create", temporary.path());
  }
  // The archive keeps the access rights the host gave the old file.
  struct stat previous {};
  if (::stat(file.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
    if (::fchmod(fd.get(), previous.st_mode & 0777) != 0)
      fail(errno, "Cannot set the permissions of", temporary.path());
  }
  writeAll(fd.get(), bytes, temporary.path());
  if (::fsync(fd.get()) != 0) fail(errno, "Cannot flush", temporary.path());
  if (fd.close() != 0) fail(errno, "Cannot write", temporary.path());
  if (::rename(temporary.path().c_str(), file.c_str()) != 0) fail(errno, "Cannot replace", file);
  temporary.keep();

  // The new name is durable only once the folder is synced. Some file
  // systems cannot sync a folder at all (EINVAL); there is nothing more to
  // do there.
  FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() < 0) fail(errno, "Cannot open", folder);
  if (::fsync(directory.get()) != 0 && errno != EINVAL) fail(errno, "Cannot flush", folder);
}

std::vector<Attempt> Archive::top(std::string_view mode, std::int64_t round,
                                  std::optional<std::string_view> jlptLevel) const {
  std::vector<Attempt> result;
  for (std::size_t index : bestIndices(attempts, mode, round, jlptLevel))
    result.push_back(attempts[index]);
  return result;
}

std::vector<ScoreRow> Archive::scoreRows(std::string_view mode, std::int64_t round,
                                         std::optional<Uuid> latestID,
                                         std::optional<std::string_view> jlptLevel) const {
  const Attempt* latest = nullptr;
  const Attempt* lastOfRound = nullptr;
  for (const Attempt& attempt : attempts) {
    if (!belongs(attempt, mode, round, jlptLevel)) continue;
    lastOfRound = &attempt;
    if (!latest && latestID && attempt.id() == *latestID) latest = &attempt;
  }
  if (!latest) latest = lastOfRound;
  if (!latest) return {};

  std::vector<ScoreRow> rows;
  bool latestShown = false;
  for (std::size_t index : bestIndices(attempts, mode, round, jlptLevel)) {
    const Attempt& attempt = attempts[index];
    bool isLatest = attempt.id() == latest->id();
    latestShown = latestShown || isLatest;
    rows.push_back(ScoreRow{attempt, static_cast<std::int64_t>(rows.size() + 1), isLatest, false});
  }
  if (!latestShown) rows.push_back(ScoreRow{*latest, std::nullopt, true, true});
  return rows;
}

Archive Archive::decode(std::string_view text) {
  return decodeDocument(json::Document::parse(text));
}

std::string Archive::encode() const {
  // The attempts are written one by one into the output rather than first
  // gathered into one tree of the whole document: at 100,000 attempts the
  // tree alone costs more than the rest of a save. Every value still goes
  // through the JSON encoder; only the fixed keys and punctuation are
  // written here.
  std::string out = "{\"attempts\":[";
  out.reserve(attempts.size() * 160 + 256);
  for (std::size_t i = 0; i < attempts.size(); ++i) {
    if (i > 0) out += ',';
    out += json::encode(attempts[i].json());
  }
  json::OrderedJson errorObject = json::OrderedJson::object();
  for (const auto& [key, count] : errors) errorObject[key] = count;
  out += "],\"errors\":";
  out += json::encode(errorObject);
  if (weakKeys) {
    out += ",\"weakKeys\":";
    out += weakKeys->encode();
  }
  out += ",\"appearance\":";
  out += json::encode(appearance);
  out += ",\"sound\":";
  out += json::encode(sound);
  out += ",\"jis\":";
  out += json::encode(jis);
  out += ",\"english\":";
  out += json::encode(english);
  out += ",\"duration\":";
  out += json::encode(duration);
  out += '}';
  return out;
}

}  // namespace tavro
