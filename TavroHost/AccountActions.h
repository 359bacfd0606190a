// The account operations both tutors offer, on whatever state each keeps:
// signing in (a pasted session token, or the browser sign-in's callback
// address), the question of whose scores a new account gets, Sync Now, the
// devices signed in, exporting and importing backups (which need no
// account), and signing out. Each tutor fills an AccountContext with
// references to its own state and shows the messages returned in its own
// words; the operations that talk to the service are split into their work
// (run on an AccountTask's worker thread, touching no state) and the step
// that applies the result (on the tutor's thread).
//
// Safety every operation keeps: a refusal changes nothing (archive, weak
// keys, record of owners, account and token stay as they were); the record
// of owners is saved before the archive; the token never appears in a
// message.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/account/TavroBackup.h"
#include "TavroCore/account/TavroCloudSync.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroHost/AccountTask.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/Storage.h"
#include "TavroHost/TokenStore.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The tutor's state the operations read and change, by reference, and the
// few things they ask of the tutor. Made afresh for each operation (and for
// each apply step), so the plain values are the tutor's current ones.
struct AccountContext {
  const StoragePaths& paths;
  platform::UserDefaults& preferences;
  Archive& archive;
  AccountState& account;
  // The stored profile breaks the profile rules: signed out until the next
  // sign-in.
  bool& invalidProfile;
  // The session token in memory; never drawn or put in a message.
  std::optional<std::string>& token;
  AttemptOwners& owners;
  TokenStore& tokens;
  // The browser sign-in whose page the tutor shows.
  AccountBrowserSession& browser;
  // False: the record of owners could not be read, so nothing may need it.
  bool ownersUsable;
  // False: the archive on disk could not be read, so nothing is saved.
  bool canSave;
  ArchiveBounds bounds;
  JLPTLevel level;
  bool kanaInput;
  // Saves the archive, taking in what another program saved since: why it
  // failed, or nothing.
  std::function<std::optional<std::string>()> saveShared;
  // Runs a change of the preferences store; the tutor reports a store that
  // cannot be written in its own way, and the change still holds in memory.
  std::function<void(const std::function<void()>& change)> keepPreference;
  // A date as the tutor writes it in messages (an attempt's date).
  std::function<std::string(const Date&)> dateText;

  // A profile that is valid and a token in memory.
  bool signedIn() const;
};

// What an operation that finishes at once tells the learner.
struct AccountOutcome {
  HostMessage message;
  bool failed = false;
};

namespace AccountActions {

// --- Signing in

// True when `text` (trimmed) is a callback address of the browser sign-in
// rather than a token.
bool isCallback(std::string_view text);
// Why a pasted `text` is no session token, or nothing when it is one.
std::optional<HostMessage> tokenRefusal(std::string_view text);
// The work of a sign-in by token: the profile the service gives for it.
AccountProfile fetchProfile(const std::string& token, AccountTask& task,
                            const TavroCloudSync::Fetch& fetch);

// Starts a new browser sign-in (random state and verifier) and writes its
// page address to the sign-in page file; without random numbers the pending
// sign-in is forgotten instead.
void beginBrowserSignIn(AccountContext& context);
// The code of a callback address pasted or handed over, or why it is
// refused (with a new browser sign-in begun when the old one ran out of
// time). The address itself is never repeated: it may hold a code.
struct CallbackAnswer {
  std::optional<AccountSignInCode> code;
  HostMessage refusal{""};  // when there is no code
};
CallbackAnswer acceptCallback(AccountContext& context, std::string_view callback);
// The work of a browser sign-in: the token and profile for the code.
AccountService::ExchangeReply exchangeCode(const AccountSignInCode& code, AccountTask& task,
                                           const TavroCloudSync::Fetch& fetch);

// Apply step of either sign-in: keeps the token (throws AccountRefusal when
// the store refuses it, leaving everything as it was), then the profile in
// the preferences (its failure passes on, and the token is removed again),
// then takes both into the context and ends the browser sign-in. Returns
// "Signed in as ...".
HostMessage completeSignIn(AccountContext& context, const std::string& token,
                           const AccountProfile& profile);

// --- Whose scores

// True when another account than the holder of the local attempts is
// signed in and the learner must say whether this computer's scores go
// into its account.
bool mustAskOwner(const AccountContext& context);
// Keeps the learner's answer in the record of owners; failed (the question
// stays) when the record could not be saved.
AccountOutcome answerOwner(AccountContext& context, bool add);

// --- Sync Now

// Why Sync Now cannot run this session, or nothing.
std::optional<AccountOutcome> syncRefusal(const AccountContext& context);
// What the sync uploads: this account's attempts only (the others on this
// computer are someone else's to sync). Needs signedIn().
TavroBackup syncUpload(const AccountContext& context);
// The work of Sync Now, with progress for each page and upload.
TavroCloudSync::Result runSync(const std::string& token, const TavroBackup& local,
                               const AccountProfile& profile, AccountTask& task,
                               const TavroCloudSync::Fetch& fetch);
// Apply step: merges the account's list into the archive, records the
// owners, then saves; any refusal (bounds, owners, save) throws
// AccountRefusal with everything put back. Returns "Synced: ...".
HostMessage applySync(AccountContext& context, const AccountProfile& profile,
                      const TavroCloudSync::Result& result);

// --- Devices

// The work of listing the devices signed in.
std::vector<AccountDevice> fetchDevices(const std::string& token, AccountTask& task,
                                        const TavroCloudSync::Fetch& fetch);

// --- Backups

// The file a backup is offered to be exported to.
std::filesystem::path suggestedBackupFile(const StoragePaths& paths);
// Signed in: this account's attempts. Signed out: a local backup of every
// attempt on this computer, tied to no account. Written atomically, 0600.
AccountOutcome exportBackup(AccountContext& context, const std::string& path);
// Refuses a file that is not regular or too large, one that is no backup,
// another account's backup, one breaking a limit or the archive's bounds, and
// one with an attempt dated more than a day ahead; every refusal leaves the
// archive, weak keys and owners as they were. Signed out, or for a local
// backup, the attempts join the local scores without a claim.
AccountOutcome importBackup(AccountContext& context, const std::string& path);

// --- Signing out

// Clears the account and its token (in memory and in the store) and begins
// a new browser sign-in. The message is `reason`, with what could not be
// removed added (then failed).
AccountOutcome signOut(AccountContext& context,
                       HostMessage reason = HostMessage("Signed out; the session token was removed."));

}  // namespace AccountActions
}  // namespace tavro
