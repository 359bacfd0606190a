#include "TavroTerminal/AccountScreen.h"

#include "Support/RandomBytes.h"
#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountManagement.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/TavroBackup.h"
#include "TavroHost/AccountFiles.h"
#include "TavroTerminal/ScoreText.h"

#include <filesystem>
#include <stdexcept>

namespace tavro::terminal {

void AccountScreen::openBackupEntry(bool exporting) {
  entry_ = exporting ? Entry::exportPath : Entry::importPath;
  entryText_ = exporting ? (state_.paths.dataFolder / "tavro-backup.json").string() : "";
  accountMessage_.clear();
}

void AccountScreen::submitEntry() {
  std::string text(text::trimmed(entryText_));
  Entry entry = entry_;
  entryText_.clear();
  if (entry == Entry::token) {
    if (text.rfind(std::string(AccountBrowserLogin::scheme) + ":", 0) == 0) {
      submitCallback(text);
      return;
    }
    if (!AccountService::validToken(text)) {
      accountMessage_ =
          state_.say("That is not a session token: a token is 64 characters, each 0-9 or a-f. Paste it "
            "again.");
      accountFailed_ = true;
      return;
    }
    InterfaceLanguage language = state_.interfaceLanguage;
    startTask("Sign-in", [this, text, language](AccountTask& task,
                                                const TavroCloudSync::Fetch& fetch) {
      task.setProgress(TutorStrings::text("asking the account service for the profile", language));
      std::string body = fetch(AccountService::profileRequest(text));
      AccountProfile profile = AccountService::decodeProfile(body, std::nullopt, Date::now());
      return AccountTask::Apply([this, text, profile] { completeSignIn(text, profile); });
    });
    return;
  }
  entry_ = state_.signedIn() ? Entry::none : Entry::token;
  if (text.empty()) return;
  if (entry == Entry::exportPath) exportBackup(text);
  if (entry == Entry::importPath) importBackup(text);
}

void AccountScreen::checkOwner() {
  askOwner_ = state_.signedIn() && state_.ownersUsable &&
              state_.owners.mustAsk(state_.account.profile->id, state_.archive.attempts);
}

void AccountScreen::answerOwner(bool add) {
  AttemptOwners next = state_.owners;
  next.answer(*state_.account.profile, add, state_.archive.attempts);
  if (std::optional<std::string> failure =
          saveAttemptOwners(next, state_.archive.attempts, attemptOwnersFile(state_.paths.dataFolder))) {
    accountMessage_ = state_.say("Your answer could not be kept in {1} ({2}); the question stays.",
                        {attemptOwnersFile(state_.paths.dataFolder).string(), *failure});
    accountFailed_ = true;
    return;
  }
  state_.owners = std::move(next);
  askOwner_ = false;
  accountMessage_ = add ? state_.say("This computer's scores will go into your account at the next sync.")
                        : state_.say("This computer's scores stay out of your account; only your own "
                            "are synced.");
  accountFailed_ = false;
}

void AccountScreen::beginBrowserSignIn() {
  std::optional<std::string> state = randomHex(16);
  std::optional<std::string> verifier = randomHex(32);
  if (!state || !verifier) {
    browser_.cancel();
    return;
  }
  browser_.begin(AccountBrowserLogin(*state, *verifier, Date::now()));
  // A long address on screen is cut into rows, which copying keeps; the file
  // holds it whole. It holds no secret (the verifier never leaves memory).
  writeFileAtomically(browserPageFile(state_.paths.configFolder),
                      std::string(browser_.pending()->url().buffer()) + "\n");
}

void AccountScreen::submitCallback(const std::string& callback) {
  accountFailed_ = true;
  if (!browser_.pending()) {
    accountMessage_ = state_.say("Browser sign-in is not available: no random numbers for it.");
    return;
  }
  Date now = Date::now();
  std::optional<AccountSignInCode> code = browser_.consume(callback, now);
  if (!code) {
    // The address itself is never repeated: it may hold a sign-in code.
    if (now.secondsSinceReferenceDate - browser_.pending()->createdAt.secondsSinceReferenceDate >=
        AccountBrowserLogin::callbackSeconds) {
      beginBrowserSignIn();
      accountMessage_ =
          state_.say("That sign-in took longer than 10 minutes. Open the new page address shown above and "
            "paste the address it sends you to.");
    } else {
      accountMessage_ =
          state_.say("That is not the address of this sign-in (it must come from the page shown above, "
            "pasted whole). Try again.");
    }
    return;
  }
  InterfaceLanguage language = state_.interfaceLanguage;
  startTask("Sign-in", [this, code = *code, language](AccountTask& task,
                                                      const TavroCloudSync::Fetch& fetch) {
    task.setProgress(TutorStrings::text("exchanging the sign-in code", language));
    std::string body = fetch(AccountService::exchangeRequest(code.code, code.verifier));
    AccountService::ExchangeReply reply = AccountService::decodeExchange(body, Date::now());
    return AccountTask::Apply([this, reply] { completeSignIn(reply.token, reply.user); });
  });
}

void AccountScreen::startDevices() {
  if (!state_.signedIn()) return;
  std::string token = *state_.token;
  InterfaceLanguage language = state_.interfaceLanguage;
  startTask("Devices", [this, token, language](AccountTask& task,
                                               const TavroCloudSync::Fetch& fetch) {
    task.setProgress(TutorStrings::text("asking for the devices signed in", language));
    std::string body = fetch(AccountManagement::request(AccountManagement::Endpoint::activity,
                                                        token, "GET"));
    std::vector<AccountDevice> list = AccountManagement::devices(body);
    return AccountTask::Apply([this, list = std::move(list)] {
      devices_ = list;
      accountMessage_.clear();
    });
  });
}

void AccountScreen::completeSignIn(const std::string& token, const AccountProfile& profile) {
  AccountState next = state_.account;
  next.acceptVerifiedProfile(AccountManagement::resolveProfile(profile, state_.account.profile));
  std::filesystem::path file = tokenFile(state_.paths.configFolder);
  if (std::optional<std::string> failure = writeToken(file, token))
    throw std::runtime_error(
        state_.say("could not keep the session token in {1} ({2})", {file.string(), *failure}));
  try {
    next.save(state_.preferences);
  } catch (...) {
    removeAccountFile(file);
    throw;
  }
  state_.account = std::move(next);
  state_.invalidProfile = false;
  state_.token = token;
  entry_ = Entry::none;
  browser_.cancel();
  removeAccountFile(browserPageFile(state_.paths.configFolder));
  accountMessage_ = state_.say("Signed in as {1}.", {profile.name.empty() ? profile.email : profile.name});
  accountFailed_ = false;
  checkOwner();
}

void AccountScreen::signOut(const std::string& reason) {
  std::optional<std::string> failure;
  bool cleared = state_.account.clearSession(state_.preferences, [&] {
    failure = removeAccountFile(tokenFile(state_.paths.configFolder));
    if (failure) throw std::runtime_error(*failure);
  });
  state_.token.reset();
  state_.invalidProfile = false;
  askOwner_ = false;
  entry_ = Entry::token;
  entryText_.clear();
  // Signed out for whatever reason, the screen offers both ways back in,
  // as it does when opened signed out.
  beginBrowserSignIn();
  accountMessage_ = reason;
  accountFailed_ = !cleared;
  if (!cleared)
    accountMessage_ = state_.say("{1} The token file {2} could not be removed ({3}); remove it yourself.",
                        {accountMessage_, tokenFile(state_.paths.configFolder).string(),
                         failure ? *failure : state_.say("unknown error")});
}

void AccountScreen::startSync() {
  if (!state_.signedIn()) return;
  if (!state_.canSave) {
    accountMessage_ =
        state_.say("Sync Now is off this session: the archive on disk could not be read, so the merged "
          "scores could not be saved.");
    accountFailed_ = true;
    return;
  }
  if (!state_.ownersUsable) {
    accountMessage_ = state_.say("Sync Now is off this session: {1} could not be read, so it cannot tell "
                        "which scores are this account's.",
                        {attemptOwnersFile(state_.paths.dataFolder).string()});
    accountFailed_ = true;
    return;
  }
  checkOwner();
  if (askOwner_) return;  // the question on the screen comes first
  AccountProfile profile = *state_.account.profile;
  // Only this account's attempts: the others on this computer are someone
  // else's to sync.
  TavroBackup local(profile.id, state_.owners.attemptsOf(profile.id, state_.archive.attempts), state_.level,
                    state_.kanaInput(), Date::now());
  std::string token = *state_.token;
  InterfaceLanguage language = state_.interfaceLanguage;
  startTask("Sync", [this, token, local = std::move(local), profile, language](
                        AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    TavroCloudSync sync(fetch);
    // The sync says before each request what it is for; the line names the
    // page or the upload about to go out.
    sync.setProgressHandler([&task, language](const TavroCloudSync::Progress& progress) {
      if (progress.step == TavroCloudSync::Progress::Step::downloading) {
        task.setProgress(TutorStrings::text("downloading page {1}", language,
                                            {std::to_string(progress.pagesDone + 1)}));
      } else {
        task.setProgress(TutorStrings::text("uploading batch {1} of new attempts", language,
                                            {std::to_string(progress.uploadsDone + 1)}));
      }
    });
    TavroCloudSync::Result result = sync.sync(token, local, profile);
    return AccountTask::Apply([this, profile, result = std::move(result)] {
      // The account's merged list joins the attempts of every other
      // account kept here; local copies win, as in the sync itself.
      std::vector<Attempt> before = state_.archive.attempts;
      state_.archive.attempts = result.backup.merging(before);
      if (std::optional<TutorStrings::Message> refusal = archiveBeyondBounds(state_.archive, state_.bounds)) {
        state_.archive.attempts = std::move(before);
        throw std::runtime_error(
            state_.say("{1} Nothing was changed.", {refusal->text(state_.interfaceLanguage)}));
      }
      AttemptOwners owners = state_.owners;
      owners.synced(profile, result.backup.attempts());
      // The record first: claims of attempts an unsaved archive lacks are
      // harmless, while attempts saved without their claims could reach
      // another account.
      if (std::optional<std::string> failure = saveAttemptOwners(
              owners, state_.archive.attempts, attemptOwnersFile(state_.paths.dataFolder))) {
        state_.archive.attempts = std::move(before);
        throw std::runtime_error(state_.say("could not record which account the scores belong to ({1})",
                                   {*failure}));
      }
      if (std::optional<std::string> failure = state_.saveShared()) {
        state_.archive.attempts = std::move(before);
        throw std::runtime_error(state_.say("could not save the merged scores ({1})", {*failure}));
      }
      state_.owners = std::move(owners);
      std::size_t added = state_.archive.attempts.size() - before.size();
      state_.account.lastSync = result.syncedAt;
      state_.keepPreference([&] { state_.account.save(state_.preferences); });
      accountMessage_ = state_.say("Synced: {1} attempts, {2} new from the account service.",
                          {std::to_string(state_.archive.attempts.size()), std::to_string(added)});
      accountFailed_ = false;
    });
  });
}

void AccountScreen::exportBackup(const std::string& path) {
  accountFailed_ = true;
  std::filesystem::path file(path);
  std::error_code error;
  auto status = std::filesystem::symlink_status(file, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    accountMessage_ = state_.say("Not exported: {1} exists and is not a regular file.", {path});
    return;
  }
  std::string bytes;
  std::size_t exported = 0;
  try {
    // Signed in, a backup of this account holds this account's attempts
    // only. Signed out, it is a local backup of every score on this
    // computer, as the scores screens show them, tied to no account (an
    // empty owner).
    std::vector<Attempt> own = state_.signedIn()
                                   ? state_.owners.attemptsOf(state_.account.profile->id, state_.archive.attempts)
                                   : state_.archive.attempts;
    exported = own.size();
    TavroBackup backup(state_.signedIn() ? state_.account.profile->id : std::string(), std::move(own), state_.level,
                       state_.kanaInput(), Date::now());
    // The weak-key round comes back with a restore on another computer.
    backup.setWeakKeys(state_.archive.weakKeys);
    bytes = backup.encode();
  } catch (const std::exception&) {
    accountMessage_ = state_.say("Not exported: the scores could not be written as a backup.");
    return;
  }
  if (std::optional<std::string> failure = writeFileAtomically(file, bytes)) {
    accountMessage_ = state_.say("Not exported to {1}: {2}.", {path, *failure});
    return;
  }
  accountMessage_ = state_.say(exported == 1 ? "Exported 1 attempt to {2} (readable by you alone)."
                                    : "Exported {1} attempts to {2} (readable by you alone).",
                      {std::to_string(exported), path});
  accountFailed_ = false;
}

void AccountScreen::importBackup(const std::string& path) {
  accountFailed_ = true;
  if (!state_.canSave) {
    accountMessage_ = state_.say("Not imported: {1}: the archive on disk could not be read, so nothing is "
                        "saved this session.",
                        {path});
    return;
  }
  // Signed out, an import claims nothing for any account, so it needs no
  // record of owners.
  if (state_.signedIn() && !state_.ownersUsable) {
    accountMessage_ = state_.say("Not imported: {1}: {2} could not be read, so the attempts could not be "
                        "kept as this account's. Nothing was changed.",
                        {path, attemptOwnersFile(state_.paths.dataFolder).string()});
    return;
  }
  FileBytes file = readBoundedFile(path, maximumBackupBytes);
  if (!file.bytes) {
    if (file.failure == "not a regular file") {
      accountMessage_ = state_.say("Not imported: {1} is not a regular file. Nothing was changed.", {path});
    } else if (file.failure.rfind("larger", 0) == 0) {
      accountMessage_ = state_.say("Not imported: {1} is larger than {2} MiB. Nothing was changed.",
                          {path, std::to_string(maximumBackupBytes >> 20)});
    } else {
      accountMessage_ =
          state_.say("Not imported: {1} is unreadable ({2}). Nothing was changed.", {path, file.failure});
    }
    return;
  }
  std::optional<TavroBackup> backup;
  try {
    backup = TavroBackup::decode(*file.bytes);
  } catch (const std::exception&) {
    accountMessage_ = state_.say("Not imported: {1} is not a Tavro backup (damaged, truncated or another "
                        "kind of file). Nothing was changed.",
                        {path});
    return;
  }
  // A local backup (no owner) is anyone's on this computer; an account's
  // backup goes only into that account while it is signed in, and signed
  // out into the local scores without any claim.
  bool local = backup->ownerID().empty();
  bool claims = state_.signedIn() && !local;
  if (state_.signedIn() && !local && !accounttext::sameText(backup->ownerID(), state_.account.profile->id)) {
    accountMessage_ = state_.say("Not imported: {1} belongs to another account. Nothing was changed.", {path});
    return;
  }
  try {
    backup->validated(claims ? std::string_view(state_.account.profile->id)
                             : std::string_view(backup->ownerID()));
  } catch (const BackupFailure&) {
    accountMessage_ = state_.say("Not imported: {1} breaks the limits of a backup (for example two attempts "
                        "with one id, or impossible counts). Nothing was changed.",
                        {path});
    return;
  }
  // A score from the future would sit at the top of "latest" for years;
  // a day's leeway covers clocks and time zones.
  const double latestAccepted = Date::now().unixSeconds() + 24 * 60 * 60;
  for (const Attempt& attempt : backup->attempts()) {
    if (attempt.date().unixSeconds() > latestAccepted) {
      accountMessage_ = state_.say("Not imported: {1} holds an attempt dated {2}, in the future. Nothing "
                          "was changed.",
                          {path, dateText(attempt.date())});
      return;
    }
  }
  std::vector<Attempt> before = state_.archive.attempts;
  std::optional<WeakKeyHistory> weakBefore = state_.archive.weakKeys;
  state_.archive.attempts = backup->merging(before);
  state_.archive.weakKeys = backup->mergingWeakKeys(weakBefore);
  // Every refusal from here on puts the archive back as it was.
  auto refuse = [&](std::string message) {
    state_.archive.attempts = std::move(before);
    state_.archive.weakKeys = std::move(weakBefore);
    accountMessage_ = std::move(message);
  };
  if (std::optional<TutorStrings::Message> refusal =
          archiveBeyondBounds(state_.archive, state_.bounds)) {
    return refuse(state_.say("Not imported: {1}: {2} Nothing was changed.",
                             {path, refusal->text(state_.interfaceLanguage)}));
  }
  // The backup's attempts are this account's from now on.
  AttemptOwners owners = state_.owners;
  if (claims) owners.claim(state_.account.profile->id, backup->attempts());
  if (std::optional<std::string> failure =
          claims ? saveAttemptOwners(owners, state_.archive.attempts,
                                     attemptOwnersFile(state_.paths.dataFolder))
                 : std::nullopt) {
    return refuse(state_.say("Not imported: {1}: which account the attempts belong to could "
                             "not be recorded ({2}). Nothing was changed.",
                             {path, *failure}));
  }
  if (std::optional<std::string> failure = state_.saveShared()) {
    return refuse(state_.say(
        "Not imported: {1}: the archive could not be saved ({2}). Nothing was changed.",
        {path, *failure}));
  }
  state_.owners = std::move(owners);
  std::size_t added = state_.archive.attempts.size() - before.size();
  accountMessage_ = state_.say(added == 1 ? "Imported 1 new attempt from {2}."
                                 : "Imported {1} new attempts from {2}.",
                      {std::to_string(added), path});
  accountFailed_ = false;
}

void AccountScreen::startTask(std::string title, AccountTask::Work work) {
  accountMessage_.clear();
  accountFailed_ = false;
  if (!makeFetch_) {
    accountMessage_ =
        state_.say("{1} failed: this tutor has no connection to the account service.", {state_.say(title)});
    accountFailed_ = true;
    return;
  }
  taskTitle_ = std::move(title);
  task_ = std::make_unique<AccountTask>(makeFetch_, std::move(work), state_.interfaceLanguage);
}

}  // namespace tavro::terminal
