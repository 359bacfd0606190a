#include "TavroCore/history/Archive.h"

#include "Support/File.h"

#include <sys/stat.h>

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
  file::Contents contents = file::readRegular(
      file, {.limit = Archive::maximumFileBytes, .spareCapacity = json::Document::paddingBytes});
  if (contents.failure == file::Failure::open) fail(contents.error, "Cannot open", file);
  if (!contents) fail(contents.error, "Cannot read", file);
  return std::move(contents.bytes);
}

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
  return attempt.round() == round && attempt.mode() == mode && Archive::inLevelTable(attempt, level);
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

  // The archive keeps the access rights the host gave the old file.
  file::WriteOptions options{.mode = 0666};
  struct stat previous {};
  if (::stat(file.c_str(), &previous) == 0 && S_ISREG(previous.st_mode))
    options.permissions = previous.st_mode & 0777;
  file::writeAtomically(file, bytes, options);
}

bool Archive::inLevelTable(const Attempt& attempt, std::optional<std::string_view> level) {
  if (!level) return true;
  const std::optional<std::string>& own = attempt.jlptLevel();
  return own ? *own == *level : *level == unrecordedLevel;
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
