#include "TavroHost/AccountActions.h"

#include "Support/RandomBytes.h"
#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountManagement.h"
#include "TavroCore/account/AccountText.h"
#include "TavroHost/AccountFiles.h"

#include <string>
#include <utility>

namespace tavro {

bool AccountContext::signedIn() const {
  return account.profile.has_value() && !invalidProfile && token.has_value();
}

namespace AccountActions {

bool isCallback(std::string_view text) {
  return text::trimmed(text).rfind(std::string(AccountBrowserLogin::scheme) + ":", 0) == 0;
}

std::optional<HostMessage> tokenRefusal(std::string_view text) {
  if (AccountService::validToken(text)) return std::nullopt;
  return HostMessage(
      "That is not a session token: a token is 64 characters, each 0-9 or a-f. Paste it again.");
}

AccountProfile fetchProfile(const std::string& token, AccountTask& task,
                            const TavroCloudSync::Fetch& fetch) {
  task.setProgress(HostMessage("asking the account service for the profile"));
  std::string body = fetch(AccountService::profileRequest(token));
  return AccountService::decodeProfile(body, std::nullopt, Date::now());
}

void beginBrowserSignIn(AccountContext& context) {
  std::optional<std::string> state = randomHex(16);
  std::optional<std::string> verifier = randomHex(32);
  if (!state || !verifier) {
    context.browser.cancel();
    return;
  }
  context.browser.begin(AccountBrowserLogin(*state, *verifier, Date::now()));
  // A long address on screen is cut into rows, which copying keeps; the file
  // holds it whole. It holds no secret (the verifier never leaves memory).
  writeFileAtomically(browserPageFile(context.paths.configFolder),
                      std::string(context.browser.pending()->url().buffer()) + "\n");
}

CallbackAnswer acceptCallback(AccountContext& context, std::string_view callback) {
  if (!context.browser.pending())
    return {std::nullopt, HostMessage("Browser sign-in is not available: no random numbers for it.")};
  Date now = Date::now();
  std::optional<AccountSignInCode> code = context.browser.consume(callback, now);
  if (code) return {std::move(code), HostMessage("")};
  if (now.secondsSinceReferenceDate - context.browser.pending()->createdAt.secondsSinceReferenceDate >=
      AccountBrowserLogin::callbackSeconds) {
    beginBrowserSignIn(context);
    return {std::nullopt,
            HostMessage("That sign-in took longer than 10 minutes. Open the new page address shown "
                        "above and paste the address it sends you to.")};
  }
  return {std::nullopt,
          HostMessage("That is not the address of this sign-in (it must come from the page shown "
                      "above, pasted whole). Try again.")};
}

AccountService::ExchangeReply exchangeCode(const AccountSignInCode& code, AccountTask& task,
                                           const TavroCloudSync::Fetch& fetch) {
  task.setProgress(HostMessage("exchanging the sign-in code"));
  std::string body = fetch(AccountService::exchangeRequest(code.code, code.verifier));
  return AccountService::decodeExchange(body, Date::now());
}

HostMessage completeSignIn(AccountContext& context, const std::string& token,
                           const AccountProfile& profile) {
  AccountState next = context.account;
  next.acceptVerifiedProfile(AccountManagement::resolveProfile(profile, context.account.profile));
  if (std::optional<std::string> failure = context.tokens.write(token))
    throw AccountRefusal(HostMessage("could not keep the session token in {1} ({2})", {},
                                     {context.tokens.where(), untranslated(*failure)}));
  // A profile that cannot be kept leaves no token behind it: the next start
  // would otherwise find a token without its account.
  try {
    next.save(context.preferences);
  } catch (...) {
    context.tokens.remove();
    throw;
  }
  context.account = std::move(next);
  context.invalidProfile = false;
  context.token = token;
  context.browser.cancel();
  removeAccountFile(browserPageFile(context.paths.configFolder));
  return HostMessage("Signed in as {1}.", {profile.name.empty() ? profile.email : profile.name});
}

bool mustAskOwner(const AccountContext& context) {
  return context.signedIn() && context.ownersUsable &&
         context.owners.mustAsk(context.account.profile->id, context.archive.attempts);
}

AccountOutcome answerOwner(AccountContext& context, bool add) {
  AttemptOwners next = context.owners;
  next.answer(*context.account.profile, add, context.archive.attempts);
  std::filesystem::path file = attemptOwnersFile(context.paths.dataFolder);
  if (std::optional<std::string> failure = saveAttemptOwners(next, context.archive.attempts, file))
    return {HostMessage("Your answer could not be kept in {1} ({2}); the question stays.",
                        {file.string(), *failure}),
            true};
  context.owners = std::move(next);
  return {add ? HostMessage("This computer's scores will go into your account at the next sync.")
              : HostMessage("This computer's scores stay out of your account; only your own are "
                            "synced."),
          false};
}

std::optional<AccountOutcome> syncRefusal(const AccountContext& context) {
  if (!context.canSave)
    return AccountOutcome{
        HostMessage("Sync Now is off this session: the archive on disk could not be read, so the "
                    "merged scores could not be saved."),
        true};
  if (!context.ownersUsable)
    return AccountOutcome{
        HostMessage("Sync Now is off this session: {1} could not be read, so it cannot tell which "
                    "scores are this account's.",
                    {attemptOwnersFile(context.paths.dataFolder).string()}),
        true};
  return std::nullopt;
}

TavroBackup syncUpload(const AccountContext& context) {
  const std::string& id = context.account.profile->id;
  return TavroBackup(id, context.owners.attemptsOf(id, context.archive.attempts), context.level,
                     context.kanaInput, Date::now());
}

TavroCloudSync::Result runSync(const std::string& token, const TavroBackup& local,
                               const AccountProfile& profile, AccountTask& task,
                               const TavroCloudSync::Fetch& fetch) {
  TavroCloudSync sync(fetch);
  // The sync says before each request what it is for; the line names the
  // page or the upload about to go out.
  sync.setProgressHandler([&task](const TavroCloudSync::Progress& progress) {
    if (progress.step == TavroCloudSync::Progress::Step::downloading)
      task.setProgress(HostMessage("downloading page {1}", {std::to_string(progress.pagesDone + 1)}));
    else
      task.setProgress(HostMessage("uploading batch {1} of new attempts",
                                   {std::to_string(progress.uploadsDone + 1)}));
  });
  return sync.sync(token, local, profile);
}

HostMessage applySync(AccountContext& context, const AccountProfile& profile,
                      const TavroCloudSync::Result& result) {
  // The account's merged list joins the attempts of every other account
  // kept here; local copies win, as in the sync itself.
  std::vector<Attempt> before = context.archive.attempts;
  context.archive.attempts = result.backup.merging(before);
  if (std::optional<HostMessage> refusal = archiveBeyondBounds(context.archive, context.bounds)) {
    context.archive.attempts = std::move(before);
    throw AccountRefusal(HostMessage("{1} Nothing was changed.", {}, {*refusal}));
  }
  AttemptOwners owners = context.owners;
  owners.synced(profile, result.backup.attempts());
  // The record first: claims of attempts an unsaved archive lacks are
  // harmless, while attempts saved without their claims could reach
  // another account.
  if (std::optional<std::string> failure = saveAttemptOwners(
          owners, context.archive.attempts, attemptOwnersFile(context.paths.dataFolder))) {
    context.archive.attempts = std::move(before);
    throw AccountRefusal(
        HostMessage("could not record which account the scores belong to ({1})", {*failure}));
  }
  if (std::optional<std::string> failure = context.saveShared()) {
    context.archive.attempts = std::move(before);
    throw AccountRefusal(HostMessage("could not save the merged scores ({1})", {*failure}));
  }
  context.owners = std::move(owners);
  std::size_t added = context.archive.attempts.size() - before.size();
  context.account.lastSync = result.syncedAt;
  context.keepPreference([&] { context.account.save(context.preferences); });
  return HostMessage("Synced: {1} attempts, {2} new from the account service.",
                     {std::to_string(context.archive.attempts.size()), std::to_string(added)});
}

std::vector<AccountDevice> fetchDevices(const std::string& token, AccountTask& task,
                                        const TavroCloudSync::Fetch& fetch) {
  task.setProgress(HostMessage("asking for the devices signed in"));
  std::string body =
      fetch(AccountManagement::request(AccountManagement::Endpoint::activity, token, "GET"));
  return AccountManagement::devices(body);
}

std::filesystem::path suggestedBackupFile(const StoragePaths& paths) {
  return paths.dataFolder / "tavro-backup.json";
}

AccountOutcome exportBackup(AccountContext& context, const std::string& path) {
  std::filesystem::path file(path);
  std::error_code error;
  auto status = std::filesystem::symlink_status(file, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return {HostMessage("Not exported: {1} exists and is not a regular file.", {path}), true};
  std::string bytes;
  std::size_t exported = 0;
  try {
    // Signed in, a backup of this account holds this account's attempts
    // only. Signed out, it is a local backup of every score on this
    // computer, as the scores screens show them, tied to no account (an
    // empty owner).
    bool signedIn = context.signedIn();
    std::vector<Attempt> own =
        signedIn ? context.owners.attemptsOf(context.account.profile->id, context.archive.attempts)
                 : context.archive.attempts;
    exported = own.size();
    TavroBackup backup(signedIn ? context.account.profile->id : std::string(), std::move(own),
                       context.level, context.kanaInput, Date::now());
    // The weak-key round comes back with a restore on another computer.
    backup.setWeakKeys(context.archive.weakKeys);
    bytes = backup.encode();
  } catch (const std::exception&) {
    return {HostMessage("Not exported: the scores could not be written as a backup."), true};
  }
  if (std::optional<std::string> failure = writeFileAtomically(file, bytes))
    return {HostMessage("Not exported to {1}: {2}.", {path, *failure}), true};
  return {HostMessage(exported == 1 ? "Exported 1 attempt to {2} (readable by you alone)."
                                    : "Exported {1} attempts to {2} (readable by you alone).",
                      {std::to_string(exported), path}),
          false};
}

AccountOutcome importBackup(AccountContext& context, const std::string& path) {
  auto refused = [](HostMessage message) { return AccountOutcome{std::move(message), true}; };
  if (!context.canSave)
    return refused(HostMessage("Not imported: {1}: the archive on disk could not be read, so "
                               "nothing is saved this session.",
                               {path}));
  bool signedIn = context.signedIn();
  // Signed out, an import claims nothing for any account, so it needs no
  // record of owners.
  if (signedIn && !context.ownersUsable)
    return refused(HostMessage("Not imported: {1}: {2} could not be read, so the attempts could "
                               "not be kept as this account's. Nothing was changed.",
                               {path, attemptOwnersFile(context.paths.dataFolder).string()}));
  FileBytes file = readBoundedFile(path, maximumBackupBytes);
  if (!file.bytes) {
    if (file.failure == "not a regular file")
      return refused(
          HostMessage("Not imported: {1} is not a regular file. Nothing was changed.", {path}));
    if (file.failure.rfind("larger", 0) == 0)
      return refused(HostMessage("Not imported: {1} is larger than {2} MiB. Nothing was changed.",
                                 {path, std::to_string(maximumBackupBytes >> 20)}));
    return refused(HostMessage("Not imported: {1} is unreadable ({2}). Nothing was changed.",
                               {path, file.failure}));
  }
  std::optional<TavroBackup> backup;
  try {
    backup = TavroBackup::decode(*file.bytes);
  } catch (const std::exception&) {
    return refused(HostMessage("Not imported: {1} is not a Tavro backup (damaged, truncated or "
                               "another kind of file). Nothing was changed.",
                               {path}));
  }
  // A local backup (no owner) is anyone's on this computer; an account's
  // backup goes only into that account while it is signed in, and signed
  // out into the local scores without any claim.
  bool local = backup->ownerID().empty();
  bool claims = signedIn && !local;
  if (claims && !accounttext::sameText(backup->ownerID(), context.account.profile->id))
    return refused(HostMessage(
        "Not imported: {1} belongs to another account. Nothing was changed.", {path}));
  try {
    backup->validated(claims ? std::string_view(context.account.profile->id)
                             : std::string_view(backup->ownerID()));
  } catch (const BackupFailure&) {
    return refused(HostMessage("Not imported: {1} breaks the limits of a backup (for example two "
                               "attempts with one id, or impossible counts). Nothing was changed.",
                               {path}));
  }
  // A score from the future would sit at the top of "latest" for years;
  // a day's leeway covers clocks and time zones.
  const double latestAccepted = Date::now().unixSeconds() + 24 * 60 * 60;
  for (const Attempt& attempt : backup->attempts()) {
    if (attempt.date().unixSeconds() > latestAccepted)
      return refused(HostMessage("Not imported: {1} holds an attempt dated {2}, in the future. "
                                 "Nothing was changed.",
                                 {path, context.dateText(attempt.date())}));
  }
  std::vector<Attempt> before = context.archive.attempts;
  std::optional<WeakKeyHistory> weakBefore = context.archive.weakKeys;
  context.archive.attempts = backup->merging(before);
  context.archive.weakKeys = backup->mergingWeakKeys(weakBefore);
  // Every refusal from here on puts the archive back as it was.
  auto refuse = [&](HostMessage message) {
    context.archive.attempts = std::move(before);
    context.archive.weakKeys = std::move(weakBefore);
    return refused(std::move(message));
  };
  if (std::optional<HostMessage> refusal = archiveBeyondBounds(context.archive, context.bounds))
    return refuse(HostMessage("Not imported: {1}: {2} Nothing was changed.", {path}, {*refusal}));
  // The backup's attempts are this account's from now on.
  AttemptOwners owners = context.owners;
  if (claims) owners.claim(context.account.profile->id, backup->attempts());
  if (std::optional<std::string> failure =
          claims ? saveAttemptOwners(owners, context.archive.attempts,
                                     attemptOwnersFile(context.paths.dataFolder))
                 : std::nullopt)
    return refuse(HostMessage("Not imported: {1}: which account the attempts belong to could not "
                              "be recorded ({2}). Nothing was changed.",
                              {path, *failure}));
  if (std::optional<std::string> failure = context.saveShared())
    return refuse(HostMessage(
        "Not imported: {1}: the archive could not be saved ({2}). Nothing was changed.",
        {path, *failure}));
  context.owners = std::move(owners);
  std::size_t added = context.archive.attempts.size() - before.size();
  return {HostMessage(added == 1 ? "Imported 1 new attempt from {2}."
                                 : "Imported {1} new attempts from {2}.",
                      {std::to_string(added), path}),
          false};
}

AccountOutcome signOut(AccountContext& context, HostMessage reason) {
  std::optional<std::string> failure;
  bool cleared = context.account.clearSession(context.preferences, [&] {
    failure = context.tokens.remove();
    if (failure) throw std::runtime_error(*failure);
  });
  context.token.reset();
  context.invalidProfile = false;
  // Signed out for whatever reason, both ways back in are offered, as
  // when the account is first opened signed out.
  beginBrowserSignIn(context);
  if (cleared) return {std::move(reason), false};
  return {HostMessage("{1} The token file {2} could not be removed ({3}); remove it yourself.", {},
                      {std::move(reason), context.tokens.where(),
                       failure ? untranslated(*failure) : HostMessage("unknown error")}),
          true};
}

}  // namespace AccountActions
}  // namespace tavro
