// What a tutor reads of the account when it starts: the stored profile,
// whether that profile may be used, the session token from wherever the
// tutor keeps it, and the record of whose attempts are whose. Both tutors
// start from this one reading, so a damaged record or an unusable profile
// means the same in either.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountState.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/Storage.h"
#include "TavroHost/TokenStore.h"

#include <optional>
#include <string>

namespace tavro {

struct AccountStart {
  AccountState account;
  // The stored profile breaks the profile rules: signed out until the next
  // sign-in.
  bool invalidProfile = false;
  // The kept session token; never drawn or put in a message.
  std::optional<std::string> token;
  AttemptOwners owners;
  // False: the record of owners could not be read; nothing may need it.
  bool ownersUsable = true;
  // What the learner is told about the record (set aside, unreadable).
  std::optional<HostMessage> notice;
};

// Reads the profile from `preferences`, the token from `tokens` and the
// record of owners from the data folder of `paths`.
AccountStart readAccountStart(const StoragePaths& paths, const platform::UserDefaults& preferences,
                              TokenStore& tokens);

}  // namespace tavro
