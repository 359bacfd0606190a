#include "TavroHost/AccountStart.h"

namespace tavro {

AccountStart readAccountStart(const StoragePaths& paths, const platform::UserDefaults& preferences,
                              TokenStore& tokens) {
  AccountStart start;
  start.account = AccountState::load(preferences);
  start.invalidProfile = start.account.profile && !start.account.profile->valid();
  start.token = tokens.read();
  LoadedAttemptOwners loaded = loadAttemptOwners(attemptOwnersFile(paths.dataFolder));
  start.owners = std::move(loaded.owners);
  start.ownersUsable = loaded.usable;
  start.notice = std::move(loaded.notice);
  return start;
}

}  // namespace tavro
