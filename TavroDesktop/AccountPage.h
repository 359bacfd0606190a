// The account page: signing in with the browser (or, as a fallback, a
// pasted session token or callback address), the profile, Sync Now with
// its progress and a Cancel button, the devices signed in, the question of
// whose scores a new account gets, exporting and importing backups (which
// need no account), and signing out. The operations are the host layer's
// (TavroHost/AccountActions.h), shared with the terminal tutor; those that
// talk to the service run as an AccountTask, whose result a timer takes in
// on the window's thread. The session token is never shown: the field it
// is pasted into hides what is typed.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroHost/AccountActions.h"
#include "TavroHost/AccountTask.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/Storage.h"
#include "TavroHost/TokenStore.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tavro::desktop {

class AccountPage : public QWidget {
  Q_OBJECT

 public:
  // What the page needs of the window. `paths`, `preferences` and `archive`
  // outlive the page; `saveShared` saves the archive (taking in what
  // another program saved since) and returns why it failed; `canSave` is
  // false when the archive on disk could not be read; `level` and
  // `kanaInput` are the practice choices as they are when an operation
  // runs. `tokens` is where the token is kept; `tokenInKeyring` says
  // whether that is the system's keyring (else the owner-only file). Reads
  // the stored profile, the token and the record of owners.
  AccountPage(const StoragePaths& paths, platform::UserDefaults& preferences, Archive& archive,
              std::function<std::optional<std::string>()> saveShared, bool canSave,
              std::function<JLPTLevel()> level, std::function<bool()> kanaInput,
              std::unique_ptr<TokenStore> tokens, bool tokenInKeyring, QWidget* parent = nullptr);
  // Cancels a running operation and waits for its worker.
  ~AccountPage() override;

  // How operations reach the account service; without it they say there
  // is no connection.
  void setService(FetchMaker makeFetch);
  // How the sign-in page is opened (the system browser by default); false
  // when it could not be. Tests give their own.
  void setBrowserOpener(std::function<bool(const QUrl&)> open);

  bool signedIn() const;
  // True while an account operation runs.
  bool busy() const { return task_ != nullptr; }
  const AccountState& account() const { return account_; }
  // The message line: the last outcome, and whether it was a failure.
  QString message() const;
  bool messageFailed() const { return messageFailed_; }

  // Writes a backup to `path` / reads one from it; the outcome goes to the
  // message line. The Export… and Import… buttons ask for the path first.
  void exportTo(const QString& path);
  void importFrom(const QString& path);
  // A round the window kept while signed in is the account's, whoever held
  // the other scores: claims `attempt` for it and saves the record of
  // owners. Call after the archive holding it was saved. Why the record
  // could not be saved, or nothing (also when signed out).
  std::optional<QString> claimRound(const Attempt& attempt);
  // Starts a new browser sign-in and opens its page, as the button does.
  void signInWithBrowser();
  // Takes in the result of an operation that finished (the page's timer
  // does this every 100 ms).
  void takeFinishedTask();

  // Puts the page's texts in the interface language.
  void retranslate();

 public slots:
  // A callback address of the browser sign-in that reached the window (a
  // second start handed it over): exchanges its code and signs in, or says
  // why not without repeating the address, which may hold a code. Ignored
  // while signed in or while an operation runs.
  void receiveCallback(const QString& address);

 signals:
  // An import or a sync changed the archive.
  void archiveChanged();
  // A failure worth the window's status line (a preference not stored).
  void problem(const QString& message);

 private:
  AccountContext context();
  void tell(const AccountOutcome& outcome);
  void showFailure(const HostMessage& message);

  void submitEntry();
  void startTask(std::string title, AccountTask::Work work);
  void completeSignIn(const std::string& token, const AccountProfile& profile);
  void signOut(std::optional<HostMessage> reason = std::nullopt);
  void startSync();
  void startDevices();
  void checkOwner();
  void answerOwner(bool add);
  void askExportPath();
  void askImportPath();
  // Shows the controls that apply now and fills in their values.
  void refresh();

  const StoragePaths& paths_;
  platform::UserDefaults& preferences_;
  Archive& archive_;
  std::function<std::optional<std::string>()> saveShared_;
  bool canSave_;
  std::function<JLPTLevel()> level_;
  std::function<bool()> kanaInput_;
  std::unique_ptr<TokenStore> tokens_;
  bool tokenInKeyring_;

  AccountState account_;
  bool invalidProfile_ = false;
  std::optional<std::string> token_;
  AttemptOwners owners_;
  bool ownersUsable_ = true;
  AccountBrowserSession browser_;
  bool askOwner_ = false;
  std::optional<std::vector<AccountDevice>> devices_;

  FetchMaker makeFetch_;
  std::function<bool(const QUrl&)> openBrowser_;
  std::unique_ptr<AccountTask> task_;
  std::string taskTitle_;
  // The last outcome, kept as a message so that a change of the interface
  // language words it again.
  std::optional<HostMessage> message_;
  bool messageFailed_ = false;
  QTimer* timer_ = nullptr;

  QLabel* title_ = nullptr;
  QLabel* state_ = nullptr;
  // Signed out
  QWidget* signedOut_ = nullptr;
  QLabel* browserIntro_ = nullptr;
  QPushButton* browserButton_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QLineEdit* pageAddress_ = nullptr;
  QLabel* tokenIntro_ = nullptr;
  QLineEdit* tokenEntry_ = nullptr;
  QPushButton* tokenSubmit_ = nullptr;
  // Signed in
  QWidget* signedIn_ = nullptr;
  QLabel* nameLabel_ = nullptr;
  QLabel* name_ = nullptr;
  QLabel* emailLabel_ = nullptr;
  QLabel* email_ = nullptr;
  QLabel* lastSyncLabel_ = nullptr;
  QLabel* lastSync_ = nullptr;
  QPushButton* syncButton_ = nullptr;
  QPushButton* devicesButton_ = nullptr;
  QPushButton* signOutButton_ = nullptr;
  QLabel* devicesTitle_ = nullptr;
  QListWidget* deviceList_ = nullptr;
  // Whose scores
  QWidget* ownerBox_ = nullptr;
  QLabel* ownerQuestion_ = nullptr;
  QPushButton* keepOut_ = nullptr;
  QPushButton* addScores_ = nullptr;
  // A running operation
  QWidget* taskBox_ = nullptr;
  QProgressBar* taskProgress_ = nullptr;
  QLabel* taskText_ = nullptr;
  QPushButton* cancel_ = nullptr;
  // Backups and where the token is
  QLabel* backupTitle_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QPushButton* importButton_ = nullptr;
  QLabel* tokenPlace_ = nullptr;
  QLabel* messageLine_ = nullptr;
};

}  // namespace tavro::desktop
