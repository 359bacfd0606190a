// Which account each local attempt belongs to. One computer may be used by
// several learners in turn, each with an account, while the archive holds
// every attempt made here: without this record one learner's Sync Now would
// upload everyone's scores into their account. The record lives beside the
// archive (`score-owners.json` in the data folder) and leaves the archive's
// and the attempts' stored form alone.
//
// Words: the holder is the account the local attempts were last synced
// with (or that the learner last let in on them); a claim puts an attempt
// in an account; an unclaimed attempt belongs to the holder, and to the
// first account that syncs while there is no holder yet. Attempts kept
// apart (their account became unknown when the record was damaged) belong
// to no account until a learner adds them to theirs.
#pragma once

#include "Support/Uuid.h"
#include "TavroCore/account/AccountProfile.h"
#include "TavroCore/history/Attempt.h"
#include "TavroHost/HostMessage.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class AttemptOwners {
 public:
  struct Holder {
    std::string id;
    std::string name;  // for the question the next account is asked; never trusted
  };

  // The holder, when one is known.
  const std::optional<Holder>& holder() const { return holder_; }
  // True after a damaged record: the local attempts may belong to any account.
  bool holderUnknown() const { return holderUnknown_; }

  // Starts over as after a damaged record: whoever signs in next is asked.
  void forgetHolder();

  // The attempts of `archive` that belong to `account` (an account id), in
  // archive order: those claimed for it, and the unclaimed ones when it is
  // the holder or no holder is known yet.
  std::vector<Attempt> attemptsOf(std::string_view account,
                                  const std::vector<Attempt>& archive) const;

  // True when `account` must be asked before it syncs: another account (or
  // an unknown one) holds local attempts that are not `account`'s.
  bool mustAsk(std::string_view account, const std::vector<Attempt>& archive) const;

  // The learner's answer to that question. Either way the attempts not
  // claimed yet stay with the holder they had, and `profile` becomes the
  // holder; with `add` every local attempt also belongs to `profile`.
  void answer(const AccountProfile& profile, bool add, const std::vector<Attempt>& archive);

  // Puts `ids` in `account`'s attempts (made while it was signed in,
  // imported from its backup, downloaded from it).
  void claim(std::string_view account, const std::vector<Attempt>& attempts);

  // After a sync of `profile`: it is the holder, and holds `synced`.
  void synced(const AccountProfile& profile, const std::vector<Attempt>& synced);

  // The record's document, listing only attempts of `archive` (the archive
  // about to be saved), so the record never outgrows it.
  std::string encode(const std::vector<Attempt>& archive) const;
  // Throws json::DecodingError on anything but a well-formed record.
  static AttemptOwners decode(std::string_view json);

 private:
  // Every attempt id claimed for an account or kept apart.
  std::set<Uuid> claimed() const;

  std::optional<Holder> holder_;
  bool holderUnknown_ = false;
  std::map<std::string, std::set<Uuid>> accounts_;  // keyed by the id in NFC
  std::set<Uuid> apart_;
};

// The record's place in the data folder.
std::filesystem::path attemptOwnersFile(const std::filesystem::path& dataFolder);

// The largest record read: each account lists at most every attempt of an
// archive, so a record is a few megabytes for the largest archive.
inline constexpr std::uintmax_t maximumAttemptOwnersBytes = 64u << 20;

struct LoadedAttemptOwners {
  AttemptOwners owners;
  // False when the file is there but cannot be read (not a regular file,
  // no permission): it is left alone, and nothing that needs it runs.
  bool usable = true;
  std::optional<HostMessage> notice;
};

// Reads the record the way the archive is read: without blocking, only a
// regular file, at most maximumAttemptOwnersBytes. A missing file is an
// empty record; a damaged one is set aside like a damaged archive, and
// every account is asked before its first sync.
LoadedAttemptOwners loadAttemptOwners(const std::filesystem::path& file);

// Writes the record atomically (mode 0600); the error message, or nothing.
std::optional<std::string> saveAttemptOwners(const AttemptOwners& owners,
                                             const std::vector<Attempt>& archive,
                                             const std::filesystem::path& file);

}  // namespace tavro
