#include "TavroTerminal/AccountScreen.h"

#include "Support/Text.h"
#include "TavroTerminal/ScoreText.h"

namespace tavro::terminal {

AccountContext AccountScreen::context() {
  return AccountContext{
      .paths = state_.paths,
      .preferences = state_.preferences,
      .archive = state_.archive,
      .account = state_.account,
      .invalidProfile = state_.invalidProfile,
      .token = state_.token,
      .owners = state_.owners,
      .tokens = tokens_,
      .browser = browser_,
      .ownersUsable = state_.ownersUsable,
      .canSave = state_.canSave,
      .bounds = state_.bounds,
      .level = state_.level,
      .kanaInput = state_.kanaInput(),
      .saveShared = [this] { return state_.saveShared(); },
      .keepPreference = [this](const std::function<void()>& change) { state_.keepPreference(change); },
      .dateText = [](const Date& date) { return dateText(date); },
  };
}

std::string AccountScreen::words(const HostMessage& message) const {
  return TutorStrings::Message(message).text(state_.interfaceLanguage);
}

void AccountScreen::show(const AccountOutcome& outcome) {
  accountMessage_ = words(outcome.message);
  accountFailed_ = outcome.failed;
}

void AccountScreen::openBackupEntry(bool exporting) {
  entry_ = exporting ? Entry::exportPath : Entry::importPath;
  entryText_ = exporting ? AccountActions::suggestedBackupFile(state_.paths).string() : "";
  accountMessage_.clear();
}

void AccountScreen::submitEntry() {
  std::string text(text::trimmed(entryText_));
  Entry entry = entry_;
  entryText_.clear();
  if (entry == Entry::token) {
    if (AccountActions::isCallback(text)) {
      submitCallback(text);
      return;
    }
    if (std::optional<HostMessage> refusal = AccountActions::tokenRefusal(text)) {
      show({*refusal, true});
      return;
    }
    startTask("Sign-in", [this, text](AccountTask& task, const TavroCloudSync::Fetch& fetch) {
      AccountProfile profile = AccountActions::fetchProfile(text, task, fetch);
      return AccountTask::Apply([this, text, profile] { completeSignIn(text, profile); });
    });
    return;
  }
  entry_ = state_.signedIn() ? Entry::none : Entry::token;
  if (text.empty()) return;
  AccountContext account = context();
  if (entry == Entry::exportPath) show(AccountActions::exportBackup(account, text));
  if (entry == Entry::importPath) show(AccountActions::importBackup(account, text));
}

void AccountScreen::checkOwner() {
  askOwner_ = AccountActions::mustAskOwner(context());
}

void AccountScreen::answerOwner(bool add) {
  AccountContext account = context();
  AccountOutcome outcome = AccountActions::answerOwner(account, add);
  show(outcome);
  if (!outcome.failed) askOwner_ = false;
}

void AccountScreen::beginBrowserSignIn() {
  AccountContext account = context();
  AccountActions::beginBrowserSignIn(account);
}

void AccountScreen::submitCallback(const std::string& callback) {
  AccountContext account = context();
  AccountActions::CallbackAnswer answer = AccountActions::acceptCallback(account, callback);
  if (!answer.code) {
    show({answer.refusal, true});
    return;
  }
  startTask("Sign-in", [this, code = *answer.code](AccountTask& task,
                                                   const TavroCloudSync::Fetch& fetch) {
    AccountService::ExchangeReply reply = AccountActions::exchangeCode(code, task, fetch);
    return AccountTask::Apply([this, reply] { completeSignIn(reply.token, reply.user); });
  });
}

void AccountScreen::startDevices() {
  if (!state_.signedIn()) return;
  std::string token = *state_.token;
  startTask("Devices", [this, token](AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    std::vector<AccountDevice> list = AccountActions::fetchDevices(token, task, fetch);
    return AccountTask::Apply([this, list = std::move(list)] {
      devices_ = list;
      accountMessage_.clear();
    });
  });
}

void AccountScreen::completeSignIn(const std::string& token, const AccountProfile& profile) {
  AccountContext account = context();
  HostMessage signedIn = AccountActions::completeSignIn(account, token, profile);
  entry_ = Entry::none;
  show({signedIn, false});
  checkOwner();
}

void AccountScreen::signOut(std::optional<HostMessage> reason) {
  AccountContext account = context();
  AccountOutcome outcome = reason ? AccountActions::signOut(account, std::move(*reason))
                                  : AccountActions::signOut(account);
  askOwner_ = false;
  entry_ = Entry::token;
  entryText_.clear();
  show(outcome);
}

void AccountScreen::startSync() {
  if (!state_.signedIn()) return;
  if (std::optional<AccountOutcome> refusal = AccountActions::syncRefusal(context())) {
    show(*refusal);
    return;
  }
  checkOwner();
  if (askOwner_) return;  // the question on the screen comes first
  AccountProfile profile = *state_.account.profile;
  TavroBackup local = AccountActions::syncUpload(context());
  std::string token = *state_.token;
  startTask("Sync", [this, token, local = std::move(local), profile](
                        AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    TavroCloudSync::Result result = AccountActions::runSync(token, local, profile, task, fetch);
    return AccountTask::Apply([this, profile, result = std::move(result)] {
      AccountContext account = context();
      show({AccountActions::applySync(account, profile, result), false});
    });
  });
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
  task_ = std::make_unique<AccountTask>(makeFetch_, std::move(work));
}

}  // namespace tavro::terminal
