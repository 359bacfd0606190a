// The portable form of a user's typing progress: every finished attempt of
// one account and two of the user's practice choices. It is what the host
// exports to and imports from a backup file, and what cloud sync rebuilds
// from the service's pages. Nothing in a backup is trusted: validated()
// checks every field against the data model's limits and the account it is
// meant for, and merging() combines it with the attempts already held here
// without ever losing or replacing a local attempt.
//
// Import order: decode the file, validated(signed-in account id), then
// merging(local attempts); the merged list is the host's new list.
#pragma once

#include "Support/Date.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Attempt.h"
#include "TavroCore/history/WeakKeyHistory.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro {

class TavroBackup {
 public:
  static constexpr std::int64_t currentSchemaVersion = 1;
  static constexpr std::size_t maximumAttempts = 100'000;
  static constexpr std::size_t maximumModeCharacters = 80;
  static constexpr std::int64_t maximumRound = 9;
  static constexpr std::int64_t maximumCount = 10'000'000;  // correct and misses
  static constexpr double maximumSeconds = 31'536'000;      // 365 days
  // Bounds of the weak-key history a backup may carry. The system keys it
  // by nine modes and records keystrokes of a character or two, so these
  // leave room for later versions while keeping a hostile file small.
  static constexpr std::size_t maximumWeakKeyModes = 32;
  static constexpr std::size_t maximumWeakKeysPerMode = 1'024;
  static constexpr std::size_t maximumWeakKeyBytes = 64;  // each key's text, at least 1
  // The most keystrokes 100,000 attempts within the count limits can hold:
  // no key was pressed more often than that.
  static constexpr std::int64_t maximumWeakKeyCount = 2'000'000'000'000;

  // A backup with schemaVersion 1 and the given values; nothing is checked.
  TavroBackup(std::string ownerID, std::vector<Attempt> attempts, JLPTLevel jlptLevel,
              bool kanaInput, Date createdAt);

  std::int64_t schemaVersion() const { return schemaVersion_; }
  const std::string& ownerID() const { return ownerID_; }
  const Date& createdAt() const { return createdAt_; }
  const std::vector<Attempt>& attempts() const { return attempts_; }
  JLPTLevel jlptLevel() const { return jlptLevel_; }
  bool kanaInput() const { return kanaInput_; }

  // The learner's per-key history behind the weak-key rounds, carried so
  // that a restore on another computer brings the weak-key round back.
  // Absent in backups from versions before it, which still import.
  const std::optional<WeakKeyHistory>& weakKeys() const { return weakKeys_; }
  void setWeakKeys(std::optional<WeakKeyHistory> weakKeys) { weakKeys_ = std::move(weakKeys); }

  // The backup itself, unchanged, when every limit holds for the account
  // `ownerID`: schemaVersion 1, the owner canonically equivalent to `ownerID`
  // (letter case counts), at most 100,000 attempts, each within
  // Attempt::withinByteBounds() (a mode of at most 512 bytes, an encoded
  // object of at most 4,096), with a mode of 1 to 80 characters, a round
  // of 1 to 9, counts of 0 to 10,000,000, seconds finite and within 0 to
  // 365 days (-0 counts as 0), a finite date, and no two attempts sharing an
  // id; and, when it carries a weak-key history, at most 32 modes, each a
  // mode text as attempts' modes are bounded (1 to 80 characters, at most
  // 512 bytes) with at most 1,024 keys, each key text 1 to 64 bytes, its
  // attempts 0 to 2,000,000,000,000 and its errors 0 to its attempts.
  // Throws BackupFailure::invalid() on the first limit that fails, with
  // no hint which one.
  const TavroBackup& validated(std::string_view ownerID) const&;
  TavroBackup validated(std::string_view ownerID) &&;

  // `local` (the attempts already held here, in its order, duplicates
  // included) followed by the backup's attempts whose id `local` does not
  // hold, in backup order, then sorted stably by date, oldest first: an
  // attempt present on both sides keeps its local form, and on equal dates a
  // local attempt comes before a backup one. Never fails; the result is not
  // checked against the limits.
  std::vector<Attempt> merging(const std::vector<Attempt>& local) const;

  // The weak-key history after an import: `local` with the backup's history
  // taken in by WeakKeyHistory::mergeKeepingFuller, so importing the same
  // backup twice changes nothing the second time. `local` as it is when the
  // backup carries none; the backup's when `local` is absent. Call it after
  // validated(), as merging().
  std::optional<WeakKeyHistory> mergingWeakKeys(const std::optional<WeakKeyHistory>& local) const;

  // The backup document: "schemaVersion", "ownerID", "createdAt" (seconds
  // since the reference date), "attempts", "jlptLevel" ("N5" to "N1"),
  // "kanaInput", in this order, then "weakKeys" (the history's JSON form)
  // only when the backup carries one; older readers ignore it. Throws
  // json::EncodingError when an attempt or the date is not finite.
  json::OrderedJson json() const;
  std::string encode() const;

  // Reads a backup document: all six keys required with their exact JSON
  // types, "weakKeys" optional (absent or null: none), unknown keys ignored.
  // None of validated()'s limits are applied here. Throws
  // json::DecodingError.
  static TavroBackup decode(const json::Value& value);
  static TavroBackup decode(std::string_view json);

  // Field by field: the owner canonically equivalent, as validated() compares
  // it; the attempts exactly (their levels included), in order; the
  // weak-key histories exactly.
  friend bool operator==(const TavroBackup&, const TavroBackup&);

 private:
  void checkLimits(std::string_view ownerID) const;

  std::int64_t schemaVersion_ = currentSchemaVersion;
  std::string ownerID_;
  Date createdAt_;
  std::vector<Attempt> attempts_;
  JLPTLevel jlptLevel_;
  bool kanaInput_;
  std::optional<WeakKeyHistory> weakKeys_;
};

}  // namespace tavro
