#include "TavroCore/account/TavroBackup.h"

#include "Support/CharacterBounds.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/AttemptIdentifiers.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavro {
namespace {

bool withinLimits(const Attempt& attempt) {
  // The byte bounds first: they cost nothing and keep a huge mode from being
  // walked character by character below.
  if (!attempt.withinByteBounds()) return false;
  const std::string& mode = attempt.mode();
  if (mode.empty()) return false;
  // A character takes at least one byte, so only a long text needs counting.
  if (mode.size() > TavroBackup::maximumModeCharacters &&
      text::characterCount(mode) > TavroBackup::maximumModeCharacters)
    return false;
  if (attempt.round() < 1 || attempt.round() > TavroBackup::maximumRound) return false;
  if (attempt.correct() < 0 || attempt.correct() > TavroBackup::maximumCount) return false;
  if (attempt.misses() < 0 || attempt.misses() > TavroBackup::maximumCount) return false;
  // Written so that NaN fails every comparison and so the check.
  double seconds = attempt.seconds();
  if (!(seconds >= 0 && seconds <= TavroBackup::maximumSeconds)) return false;
  return std::isfinite(attempt.date().unixSeconds());
}

bool sameAttempt(const Attempt& a, const Attempt& b) {
  return a.id() == b.id() && a.date() == b.date() && a.mode() == b.mode() &&
         a.round() == b.round() && a.correct() == b.correct() && a.misses() == b.misses() &&
         a.seconds() == b.seconds() && a.jlptLevel() == b.jlptLevel();
}

// A mode text as attempts' modes are bounded: bytes first, then characters.
bool withinModeLimits(const std::string& mode) {
  if (mode.empty() || mode.size() > Attempt::maximumModeBytes) return false;
  return mode.size() <= TavroBackup::maximumModeCharacters ||
         text::characterCount(mode) <= TavroBackup::maximumModeCharacters;
}

bool withinLimits(const WeakKeyHistory& history) {
  if (history.modes.size() > TavroBackup::maximumWeakKeyModes) return false;
  for (const auto& [mode, keys] : history.modes) {
    if (!withinModeLimits(mode)) return false;
    if (keys.size() > TavroBackup::maximumWeakKeysPerMode) return false;
    for (const auto& [key, performance] : keys) {
      if (key.empty() || key.size() > TavroBackup::maximumWeakKeyBytes) return false;
      if (performance.attempts < 0 || performance.attempts > TavroBackup::maximumWeakKeyCount)
        return false;
      if (performance.errors < 0 || performance.errors > performance.attempts) return false;
    }
  }
  return true;
}

}  // namespace

TavroBackup::TavroBackup(std::string ownerID, std::vector<Attempt> attempts, JLPTLevel jlptLevel,
                         bool kanaInput, Date createdAt)
    : ownerID_(std::move(ownerID)),
      createdAt_(createdAt),
      attempts_(std::move(attempts)),
      jlptLevel_(jlptLevel),
      kanaInput_(kanaInput) {}

void TavroBackup::checkLimits(std::string_view ownerID) const {
  if (schemaVersion_ != currentSchemaVersion) throw BackupFailure::invalid();
  if (!accounttext::sameText(ownerID_, ownerID)) throw BackupFailure::invalid();
  if (attempts_.size() > maximumAttempts) throw BackupFailure::invalid();
  for (const Attempt& attempt : attempts_) {
    if (!withinLimits(attempt)) throw BackupFailure::invalid();
  }
  AttemptIdentifierSet identifiers(attempts_.size());
  for (const Attempt& attempt : attempts_) {
    if (!identifiers.insert(attempt.id())) throw BackupFailure::invalid();
  }
  if (weakKeys_ && !withinLimits(*weakKeys_)) throw BackupFailure::invalid();
}

const TavroBackup& TavroBackup::validated(std::string_view ownerID) const& {
  checkLimits(ownerID);
  return *this;
}

TavroBackup TavroBackup::validated(std::string_view ownerID) && {
  checkLimits(ownerID);
  return std::move(*this);
}

std::vector<Attempt> TavroBackup::merging(const std::vector<Attempt>& local) const {
  AttemptIdentifierSet localIDs(local.size());
  for (const Attempt& attempt : local) localIDs.insert(attempt.id());

  // The combined list is ordered through indices, so each attempt is copied
  // once, straight into its place: local attempts are 0..local.size()-1 and
  // incoming ones follow, which is what makes a stable sort put a local
  // attempt before a backup one of the same date.
  std::vector<const Attempt*> combined;
  combined.reserve(local.size() + attempts_.size());
  for (const Attempt& attempt : local) combined.push_back(&attempt);
  for (const Attempt& attempt : attempts_) {
    if (!localIDs.contains(attempt.id())) combined.push_back(&attempt);
  }
  // Dates compare as doubles; NaN would break the ordering the sort needs,
  // so it is placed as if it were the oldest date (merging never fails and
  // the result is the caller's to validate).
  auto key = [](const Attempt* attempt) {
    double date = attempt->date().secondsSinceReferenceDate;
    return std::isnan(date) ? -INFINITY : date;
  };
  std::stable_sort(combined.begin(), combined.end(),
                   [&](const Attempt* a, const Attempt* b) { return key(a) < key(b); });

  std::vector<Attempt> result;
  result.reserve(combined.size());
  for (const Attempt* attempt : combined) result.push_back(*attempt);
  return result;
}

std::optional<WeakKeyHistory> TavroBackup::mergingWeakKeys(
    const std::optional<WeakKeyHistory>& local) const {
  if (!weakKeys_) return local;
  WeakKeyHistory merged = local.value_or(WeakKeyHistory{});
  merged.mergeKeepingFuller(*weakKeys_);
  return merged;
}

json::OrderedJson TavroBackup::json() const {
  json::OrderedJson attempts = json::OrderedJson::array();
  auto& elements = attempts.get_ref<json::OrderedJson::array_t&>();
  elements.reserve(attempts_.size());
  for (const Attempt& attempt : attempts_) elements.push_back(attempt.json());

  json::OrderedJson object = json::OrderedJson::object();
  object["schemaVersion"] = schemaVersion_;
  object["ownerID"] = ownerID_;
  object["createdAt"] = json::finite(createdAt_.secondsSinceReferenceDate, "createdAt");
  object["attempts"] = std::move(attempts);
  object["jlptLevel"] = JLPTLevels::json(jlptLevel_);
  object["kanaInput"] = kanaInput_;
  if (weakKeys_) object["weakKeys"] = weakKeys_->json();
  return object;
}

std::string TavroBackup::encode() const {
  return json::encode(json());
}

TavroBackup TavroBackup::decode(const json::Value& value) {
  json::Object object = value.object();
  std::int64_t schemaVersion = object.integer("schemaVersion");
  std::string ownerID = object.string("ownerID");
  double createdAt = object.number("createdAt");
  json::Array attemptArray = object.array("attempts");
  std::vector<Attempt> attempts;
  attempts.reserve(attemptArray.size());
  for (const json::Value& attempt : attemptArray.elements())
    attempts.push_back(Attempt::decode(attempt));
  JLPTLevel jlptLevel = JLPTLevels::decode(object.required("jlptLevel"));
  bool kanaInput = object.boolean("kanaInput");

  TavroBackup backup(std::move(ownerID), std::move(attempts), jlptLevel, kanaInput,
                     Date{createdAt});
  backup.schemaVersion_ = schemaVersion;
  if (std::optional<json::Value> weakKeys = object.optional("weakKeys"))
    backup.weakKeys_ = WeakKeyHistory::decode(*weakKeys);
  return backup;
}

TavroBackup TavroBackup::decode(std::string_view text) {
  json::Document document = json::Document::parse(text);
  return decode(document.root());
}

bool operator==(const TavroBackup& a, const TavroBackup& b) {
  return a.schemaVersion_ == b.schemaVersion_ && accounttext::sameText(a.ownerID_, b.ownerID_) &&
         a.createdAt_ == b.createdAt_ && a.jlptLevel_ == b.jlptLevel_ &&
         a.kanaInput_ == b.kanaInput_ && a.weakKeys_ == b.weakKeys_ &&
         std::equal(a.attempts_.begin(), a.attempts_.end(), b.attempts_.begin(), b.attempts_.end(),
                    sameAttempt);
}

}  // namespace tavro
