// The account screen: signing in (a pasted session token, or the browser
// sign-in's callback address), the question of whose scores a new account
// gets, Sync Now, the devices signed in, exporting and importing backups
// (which need no account), and signing out. Operations that talk to the
// service run as an AccountTask; the screen shows their progress and
// takes their result in tick(). The operations themselves are the host
// layer's (TavroHost/AccountActions.h), shared with the desktop tutor;
// AccountActions.cpp joins them to this screen's fields, AccountScreen.cpp
// holds the keys and the layout.
#pragma once

#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroHost/AccountActions.h"
#include "TavroHost/TokenStore.h"
#include "TavroHost/AccountTask.h"
#include "TavroTerminal/KeyTable.h"
#include "TavroTerminal/Screen.h"
#include "TavroTerminal/TutorState.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro::terminal {

class AccountScreen : public Screen {
 public:
  explicit AccountScreen(TutorState& state);
  ~AccountScreen() override;

  // How account operations reach the account service; without it the
  // screen says there is no connection.
  void setService(FetchMaker makeFetch) { makeFetch_ = std::move(makeFetch); }
  // Takes in the result of an operation that finished on its worker thread.
  void tick();
  // True while an account operation runs.
  bool busy() const { return task_ != nullptr; }

  // Opens signed in on the profile, signed out on the token field with a
  // new browser sign-in.
  void enter(ScreenId from) override;
  Transition handle(const Key& key, double now) override;
  void render(Frame& frame, double now) const override;
  std::string hints() const override;

 private:
  enum class Entry { none, token, exportPath, importPath };
  enum class Action {
    cancel, back, leaveField, typeText, erase, submit, exportBackup, importBackup,
    keepOut, addScores, signOut, sync, devices
  };
  // The keys in force: while an operation runs, on the empty token field,
  // in a field, at the question of whose scores, and signed in.
  const KeyTable<Action>& keys() const;

  // The host layer's view of the tutor's state, made afresh for each
  // operation.
  AccountContext context();
  // A message of the host layer in the interface language.
  std::string words(const HostMessage& message) const;
  // Shows the outcome of an operation under the fields.
  void show(const AccountOutcome& outcome);

  void submitEntry();
  void startTask(std::string title, AccountTask::Work work);
  void completeSignIn(const std::string& token, const AccountProfile& profile);
  // Signs out with `reason` as the message (by default that the token was
  // removed).
  void signOut(std::optional<HostMessage> reason = std::nullopt);
  void startSync();
  void beginBrowserSignIn();
  void submitCallback(const std::string& callback);
  void startDevices();
  // Asks, when another account than the holder of the local attempts is
  // signed in, whether this computer's scores may go into its account.
  void checkOwner();
  void answerOwner(bool add);
  // Asks for the path of a backup to export (`exporting`) or import; no
  // account is needed for either.
  void openBackupEntry(bool exporting);

  TutorState& state_;
  FileTokenStore tokens_;  // the token file of the config folder
  bool askOwner_ = false;  // the question of whose scores waits for an answer
  FetchMaker makeFetch_;
  std::unique_ptr<AccountTask> task_;
  std::string taskTitle_;
  Entry entry_ = Entry::none;
  std::string entryText_;
  std::string accountMessage_;
  bool accountFailed_ = false;
  AccountBrowserSession browser_;  // the browser sign-in whose page URL is shown
  std::optional<std::vector<AccountDevice>> devices_;
};

}  // namespace tavro::terminal
