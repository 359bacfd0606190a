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

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

  // A backup with schemaVersion 1 and the given values; nothing is checked.
  TavroBackup(std::string ownerID, std::vector<Attempt> attempts, JLPTLevel jlptLevel,
              bool kanaInput, Date createdAt);

  std::int64_t schemaVersion() const { return schemaVersion_; }
  const std::string& ownerID() const { return ownerID_; }
  const Date& createdAt() const { return createdAt_; }
  const std::vector<Attempt>& attempts() const { return attempts_; }
  JLPTLevel jlptLevel() const { return jlptLevel_; }
  bool kanaInput() const { return kanaInput_; }

  // The backup itself, unchanged, when every limit holds for the account
  // `ownerID`: schemaVersion 1, the owner canonically equivalent to `ownerID`
  // (letter case counts), at most 100,000 attempts, each within
  // Attempt::withinByteBounds() (a mode of at most 512 bytes, an encoded
  // object of at most 4,096), with a mode of 1 to 80 characters, a round
  // of 1 to 9, counts of 0 to 10,000,000, seconds finite and within 0 to
  // 365 days (-0 counts as 0), a finite date, and no two attempts sharing an
  // id. Throws BackupFailure::invalid() on the first limit that fails, with
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

  // The backup document: "schemaVersion", "ownerID", "createdAt" (seconds
  // since the reference date), "attempts", "jlptLevel" ("N5" to "N1"),
  // "kanaInput", in this order. Throws json::EncodingError when an attempt
  // or the date is not finite.
  json::OrderedJson json() const;
  std::string encode() const;

  // Reads a backup document: all six keys required with their exact JSON
  // types, unknown keys ignored. None of validated()'s limits are applied
  // here. Throws json::DecodingError.
  static TavroBackup decode(const json::Value& value);
  static TavroBackup decode(std::string_view json);

  // Field by field: the owner canonically equivalent, as validated() compares
  // it; the attempts exactly, in order.
  friend bool operator==(const TavroBackup&, const TavroBackup&);

 private:
  void checkLimits(std::string_view ownerID) const;

  std::int64_t schemaVersion_ = currentSchemaVersion;
  std::string ownerID_;
  Date createdAt_;
  std::vector<Attempt> attempts_;
  JLPTLevel jlptLevel_;
  bool kanaInput_;
};

}  // namespace tavro
