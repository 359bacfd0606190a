#include "TavroDesktop/AccountPage.h"

#include "Support/Text.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/PageTitle.h"
#include "TavroHost/AccountStart.h"

#include <QColor>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <exception>
#include <string_view>

namespace tavro::desktop {
namespace {

// A date in local time to the minute, or "?" for a stored value outside
// the years a calendar can show (a stored double may hold anything).
std::string localText(const Date& date) {
  double seconds = date.unixSeconds();
  if (!std::isfinite(seconds) || std::fabs(seconds) > 2.5e11) return "?";
  QDateTime time = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(seconds));
  if (!time.isValid()) return "?";
  return time.toString("yyyy-MM-dd HH:mm").toStdString();
}

// A text from outside (the service, the record of owners) for a label that
// must never take it for markup.
void setPlain(QLabel* label, const QString& value) {
  label->setTextFormat(Qt::PlainText);
  label->setText(value);
}

}  // namespace

AccountPage::AccountPage(const StoragePaths& paths, platform::UserDefaults& preferences, Archive& archive,
                         std::function<std::optional<std::string>()> saveShared, bool canSave,
                         std::function<JLPTLevel()> level, std::function<bool()> kanaInput,
                         std::unique_ptr<TokenStore> tokens, bool tokenInKeyring, QWidget* parent)
    : QWidget(parent),
      paths_(paths),
      preferences_(preferences),
      archive_(archive),
      saveShared_(std::move(saveShared)),
      canSave_(canSave),
      level_(std::move(level)),
      kanaInput_(std::move(kanaInput)),
      tokens_(std::move(tokens)),
      tokenInKeyring_(tokenInKeyring),
      openBrowser_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  AccountStart start = readAccountStart(paths_, preferences_, *tokens_);
  account_ = std::move(start.account);
  invalidProfile_ = start.invalidProfile;
  token_ = std::move(start.token);
  owners_ = std::move(start.owners);
  ownersUsable_ = start.ownersUsable;
  if (start.notice) {
    message_ = std::move(start.notice);
    messageFailed_ = true;
  }

  auto* layout = new QVBoxLayout(this);
  title_ = pageTitle(this);
  title_->setObjectName("accountTitle");
  layout->addWidget(title_);
  state_ = new QLabel(this);
  state_->setObjectName("accountState");
  state_->setWordWrap(true);
  layout->addWidget(state_);

  // Signed out: the browser first, the pasted token or address behind it.
  signedOut_ = new QWidget(this);
  auto* out = new QVBoxLayout(signedOut_);
  out->setContentsMargins(0, 0, 0, 0);
  browserIntro_ = new QLabel(signedOut_);
  browserIntro_->setWordWrap(true);
  out->addWidget(browserIntro_);
  browserButton_ = new QPushButton(signedOut_);
  browserButton_->setObjectName("signInWithBrowser");
  auto* browserRow = new QHBoxLayout;
  browserRow->addWidget(browserButton_);
  browserRow->addStretch();
  out->addLayout(browserRow);
  pageLabel_ = new QLabel(signedOut_);
  pageLabel_->setWordWrap(true);
  out->addWidget(pageLabel_);
  // Read-only but selectable, so the address can be copied whole.
  pageAddress_ = new QLineEdit(signedOut_);
  pageAddress_->setObjectName("signInAddress");
  pageAddress_->setReadOnly(true);
  out->addWidget(pageAddress_);
  tokenIntro_ = new QLabel(signedOut_);
  tokenIntro_->setWordWrap(true);
  out->addWidget(tokenIntro_);
  auto* tokenRow = new QHBoxLayout;
  tokenEntry_ = new QLineEdit(signedOut_);
  tokenEntry_->setObjectName("tokenEntry");
  // A token is never shown, not even while it is pasted.
  tokenEntry_->setEchoMode(QLineEdit::Password);
  tokenEntry_->setMaxLength(4096);
  tokenRow->addWidget(tokenEntry_, 1);
  tokenSubmit_ = new QPushButton(signedOut_);
  tokenSubmit_->setObjectName("submitToken");
  tokenRow->addWidget(tokenSubmit_);
  out->addLayout(tokenRow);
  layout->addWidget(signedOut_);

  // Signed in: the profile, the operations and the devices.
  signedIn_ = new QWidget(this);
  auto* in = new QVBoxLayout(signedIn_);
  in->setContentsMargins(0, 0, 0, 0);
  auto* form = new QFormLayout;
  nameLabel_ = new QLabel(signedIn_);
  name_ = new QLabel(signedIn_);
  name_->setObjectName("profileName");
  emailLabel_ = new QLabel(signedIn_);
  email_ = new QLabel(signedIn_);
  email_->setObjectName("profileEmail");
  lastSyncLabel_ = new QLabel(signedIn_);
  lastSync_ = new QLabel(signedIn_);
  lastSync_->setObjectName("lastSync");
  form->addRow(nameLabel_, name_);
  form->addRow(emailLabel_, email_);
  form->addRow(lastSyncLabel_, lastSync_);
  in->addLayout(form);
  auto* actions = new QHBoxLayout;
  syncButton_ = new QPushButton(signedIn_);
  syncButton_->setObjectName("syncNow");
  devicesButton_ = new QPushButton(signedIn_);
  devicesButton_->setObjectName("showDevices");
  signOutButton_ = new QPushButton(signedIn_);
  signOutButton_->setObjectName("signOut");
  actions->addWidget(syncButton_);
  actions->addWidget(devicesButton_);
  actions->addWidget(signOutButton_);
  actions->addStretch();
  in->addLayout(actions);
  devicesTitle_ = new QLabel(signedIn_);
  in->addWidget(devicesTitle_);
  deviceList_ = new QListWidget(signedIn_);
  deviceList_->setObjectName("devices");
  deviceList_->setMaximumHeight(120);
  in->addWidget(deviceList_);
  layout->addWidget(signedIn_);

  // The question of whose scores, inline where it applies.
  ownerBox_ = new QWidget(this);
  auto* owner = new QVBoxLayout(ownerBox_);
  owner->setContentsMargins(0, 0, 0, 0);
  ownerQuestion_ = new QLabel(ownerBox_);
  ownerQuestion_->setObjectName("ownerQuestion");
  ownerQuestion_->setWordWrap(true);
  ownerQuestion_->setTextFormat(Qt::PlainText);
  owner->addWidget(ownerQuestion_);
  auto* answers = new QHBoxLayout;
  keepOut_ = new QPushButton(ownerBox_);
  keepOut_->setObjectName("keepScoresOut");
  addScores_ = new QPushButton(ownerBox_);
  addScores_->setObjectName("addScores");
  answers->addWidget(keepOut_);
  answers->addWidget(addScores_);
  answers->addStretch();
  owner->addLayout(answers);
  layout->addWidget(ownerBox_);

  // A running operation: busy bar, its progress and Cancel.
  taskBox_ = new QWidget(this);
  auto* task = new QHBoxLayout(taskBox_);
  task->setContentsMargins(0, 0, 0, 0);
  taskProgress_ = new QProgressBar(taskBox_);
  taskProgress_->setObjectName("taskProgress");
  taskProgress_->setRange(0, 0);
  taskProgress_->setMaximumWidth(160);
  taskText_ = new QLabel(taskBox_);
  taskText_->setObjectName("taskText");
  taskText_->setTextFormat(Qt::PlainText);
  cancel_ = new QPushButton(taskBox_);
  cancel_->setObjectName("cancelTask");
  task->addWidget(taskProgress_);
  task->addWidget(taskText_, 1);
  task->addWidget(cancel_);
  layout->addWidget(taskBox_);

  layout->addSpacing(8);
  backupTitle_ = new QLabel(this);
  QFont section = backupTitle_->font();
  section.setBold(true);
  backupTitle_->setFont(section);
  layout->addWidget(backupTitle_);
  auto* backups = new QHBoxLayout;
  exportButton_ = new QPushButton(this);
  exportButton_->setObjectName("exportBackup");
  importButton_ = new QPushButton(this);
  importButton_->setObjectName("importBackup");
  backups->addWidget(exportButton_);
  backups->addWidget(importButton_);
  backups->addStretch();
  layout->addLayout(backups);

  tokenPlace_ = new QLabel(this);
  tokenPlace_->setObjectName("tokenPlace");
  tokenPlace_->setWordWrap(true);
  tokenPlace_->setTextFormat(Qt::PlainText);
  layout->addWidget(tokenPlace_);
  messageLine_ = new QLabel(this);
  messageLine_->setObjectName("accountMessage");
  messageLine_->setWordWrap(true);
  messageLine_->setTextFormat(Qt::PlainText);
  messageLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(messageLine_);
  layout->addStretch();

  timer_ = new QTimer(this);
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, &AccountPage::takeFinishedTask);
  connect(browserButton_, &QPushButton::clicked, this, &AccountPage::signInWithBrowser);
  connect(tokenSubmit_, &QPushButton::clicked, this, &AccountPage::submitEntry);
  connect(tokenEntry_, &QLineEdit::returnPressed, this, &AccountPage::submitEntry);
  connect(syncButton_, &QPushButton::clicked, this, &AccountPage::startSync);
  connect(devicesButton_, &QPushButton::clicked, this, &AccountPage::startDevices);
  connect(signOutButton_, &QPushButton::clicked, this, [this] { signOut(); });
  connect(keepOut_, &QPushButton::clicked, this, [this] { answerOwner(false); });
  connect(addScores_, &QPushButton::clicked, this, [this] { answerOwner(true); });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    if (task_) task_->cancel();
    refresh();
  });
  connect(exportButton_, &QPushButton::clicked, this, &AccountPage::askExportPath);
  connect(importButton_, &QPushButton::clicked, this, &AccountPage::askImportPath);

  checkOwner();
  retranslate();
}

AccountPage::~AccountPage() = default;

void AccountPage::setService(FetchMaker makeFetch) {
  makeFetch_ = std::move(makeFetch);
}

void AccountPage::setBrowserOpener(std::function<bool(const QUrl&)> open) {
  openBrowser_ = std::move(open);
}

bool AccountPage::signedIn() const {
  return account_.profile.has_value() && !invalidProfile_ && token_.has_value();
}

QString AccountPage::message() const {
  return messageLine_->text();
}

AccountContext AccountPage::context() {
  return AccountContext{
      .paths = paths_,
      .preferences = preferences_,
      .archive = archive_,
      .account = account_,
      .invalidProfile = invalidProfile_,
      .token = token_,
      .owners = owners_,
      .tokens = *tokens_,
      .browser = browser_,
      .ownersUsable = ownersUsable_,
      .canSave = canSave_,
      .bounds = {},
      .level = level_ ? level_() : JLPTLevel::n5,
      .kanaInput = kanaInput_ && kanaInput_(),
      .saveShared = saveShared_,
      .keepPreference =
          [this](const std::function<void()>& change) {
            try {
              change();
            } catch (const std::exception& error) {
              // The change still holds for this session.
              emit problem(say("Could not save the preference: {1}", {error.what()}));
            }
          },
      .dateText = [](const Date& date) { return localText(date); },
  };
}

void AccountPage::tell(const AccountOutcome& outcome) {
  message_ = outcome.message;
  messageFailed_ = outcome.failed;
  refresh();
}

void AccountPage::showFailure(const HostMessage& message) {
  tell({message, true});
}

std::optional<QString> AccountPage::claimRound(const Attempt& attempt) {
  if (!signedIn()) return std::nullopt;
  owners_.claim(account_.profile->id, {attempt});
  if (!canSave_ || !ownersUsable_) return std::nullopt;
  if (std::optional<std::string> failure =
          saveAttemptOwners(owners_, archive_.attempts, attemptOwnersFile(paths_.dataFolder)))
    return say("Could not record which account this round belongs to: {1}", {*failure});
  return std::nullopt;
}

void AccountPage::signInWithBrowser() {
  if (signedIn() || busy()) return;
  AccountContext account = context();
  AccountActions::beginBrowserSignIn(account);
  message_.reset();
  messageFailed_ = false;
  if (!browser_.pending()) {
    showFailure(HostMessage("Browser sign-in is not available: no random numbers for it."));
    return;
  }
  QUrl page(QString::fromStdString(std::string(browser_.pending()->url().buffer())));
  if (!openBrowser_ || !openBrowser_(page))
    showFailure(HostMessage("The browser could not be opened; open the sign-in page below yourself."));
  refresh();
}

void AccountPage::receiveCallback(const QString& address) {
  if (signedIn() || busy()) return;
  if (!browser_.pending()) {
    showFailure(HostMessage(
        "No browser sign-in is waiting for this address; choose Sign in with the browser and try again."));
    return;
  }
  AccountContext account = context();
  AccountActions::CallbackAnswer answer = AccountActions::acceptCallback(account, address.toStdString());
  if (!answer.code) {
    showFailure(answer.refusal);
    return;
  }
  startTask("Sign-in", [this, code = *answer.code](AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    AccountService::ExchangeReply reply = AccountActions::exchangeCode(code, task, fetch);
    return AccountTask::Apply([this, reply] { completeSignIn(reply.token, reply.user); });
  });
}

void AccountPage::submitEntry() {
  if (signedIn() || busy()) return;
  std::string entered(text::trimmed(tokenEntry_->text().toStdString()));
  // The field never keeps a token longer than it takes to read it.
  tokenEntry_->clear();
  if (entered.empty()) return;
  if (AccountActions::isCallback(entered)) {
    receiveCallback(QString::fromStdString(entered));
    return;
  }
  if (std::optional<HostMessage> refusal = AccountActions::tokenRefusal(entered)) {
    showFailure(*refusal);
    return;
  }
  startTask("Sign-in", [this, entered](AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    AccountProfile profile = AccountActions::fetchProfile(entered, task, fetch);
    return AccountTask::Apply([this, entered, profile] { completeSignIn(entered, profile); });
  });
}

void AccountPage::completeSignIn(const std::string& token, const AccountProfile& profile) {
  AccountContext account = context();
  HostMessage signedIn = AccountActions::completeSignIn(account, token, profile);
  devices_.reset();
  checkOwner();
  tell({signedIn, false});
}

void AccountPage::signOut(std::optional<HostMessage> reason) {
  if (busy()) return;
  AccountContext account = context();
  AccountOutcome outcome = reason ? AccountActions::signOut(account, std::move(*reason))
                                  : AccountActions::signOut(account);
  askOwner_ = false;
  devices_.reset();
  tell(outcome);
}

void AccountPage::checkOwner() {
  askOwner_ = signedIn() && AccountActions::mustAskOwner(context());
}

void AccountPage::answerOwner(bool add) {
  AccountContext account = context();
  AccountOutcome outcome = AccountActions::answerOwner(account, add);
  if (!outcome.failed) askOwner_ = false;
  tell(outcome);
}

void AccountPage::startSync() {
  if (!signedIn() || busy()) return;
  if (std::optional<AccountOutcome> refusal = AccountActions::syncRefusal(context())) {
    tell(*refusal);
    return;
  }
  checkOwner();
  if (askOwner_) {
    refresh();  // the question on the page comes first
    return;
  }
  AccountProfile profile = *account_.profile;
  TavroBackup local = AccountActions::syncUpload(context());
  std::string token = *token_;
  startTask("Sync", [this, token, local = std::move(local), profile](AccountTask& task,
                                                                     const TavroCloudSync::Fetch& fetch) {
    TavroCloudSync::Result result = AccountActions::runSync(token, local, profile, task, fetch);
    return AccountTask::Apply([this, profile, result = std::move(result)] {
      AccountContext account = context();
      HostMessage synced = AccountActions::applySync(account, profile, result);
      tell({synced, false});
      emit archiveChanged();
    });
  });
}

void AccountPage::startDevices() {
  if (!signedIn() || busy()) return;
  std::string token = *token_;
  startTask("Devices", [this, token](AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    std::vector<AccountDevice> list = AccountActions::fetchDevices(token, task, fetch);
    return AccountTask::Apply([this, list = std::move(list)] {
      devices_ = list;
      message_.reset();
      refresh();
    });
  });
}

void AccountPage::startTask(std::string title, AccountTask::Work work) {
  message_.reset();
  messageFailed_ = false;
  if (!makeFetch_) {
    showFailure(HostMessage("{1} failed: this tutor has no connection to the account service.", {},
                            {HostMessage(title)}));
    return;
  }
  taskTitle_ = std::move(title);
  task_ = std::make_unique<AccountTask>(makeFetch_, std::move(work));
  timer_->start();
  refresh();
}

void AccountPage::takeFinishedTask() {
  if (!task_) {
    timer_->stop();
    return;
  }
  if (!task_->done()) {
    // The progress text changes while the work runs.
    refresh();
    return;
  }
  timer_->stop();
  std::unique_ptr<AccountTask> task = std::move(task_);
  std::optional<HostMessage> failure = task->finish();
  if (!failure) {
    refresh();
    return;
  }
  HostMessage failed("{1} failed: {2}", {}, {HostMessage(taskTitle_), *failure});
  if (task->sessionRefused() && signedIn()) {
    // The service no longer knows the token: keeping it would only fail again.
    signOut(HostMessage("{1} You are signed out; sign in again.", {}, {failed}));
    return;
  }
  showFailure(failed);
}

void AccountPage::askExportPath() {
  QString path = QFileDialog::getSaveFileName(
      this, say("Export the scores"),
      QString::fromStdString(AccountActions::suggestedBackupFile(paths_).string()),
      say("Tavro backups (*.json);;All files (*)"));
  if (!path.isEmpty()) exportTo(path);
}

void AccountPage::askImportPath() {
  QString path = QFileDialog::getOpenFileName(this, say("Import a backup"),
                                              QString::fromStdString(paths_.dataFolder.string()),
                                              say("Tavro backups (*.json);;All files (*)"));
  if (!path.isEmpty()) importFrom(path);
}

void AccountPage::exportTo(const QString& path) {
  if (busy()) return;
  AccountContext account = context();
  tell(AccountActions::exportBackup(account, path.toStdString()));
}

void AccountPage::importFrom(const QString& path) {
  if (busy()) return;
  AccountContext account = context();
  AccountOutcome outcome = AccountActions::importBackup(account, path.toStdString());
  tell(outcome);
  if (!outcome.failed) emit archiveChanged();
}

void AccountPage::retranslate() {
  title_->setText(say("Account"));
  browserIntro_->setText(say(
      "Sign in on the account page in your browser; the browser then hands the sign-in back to this "
      "window."));
  browserButton_->setText(say("Sign in with the browser"));
  pageLabel_->setText(say("The sign-in page, should the browser not open (good for 10 minutes):"));
  tokenIntro_->setText(
      say("Or paste a session token (64 characters 0-9 a-f) or the address the browser was sent to:"));
  tokenSubmit_->setText(say("Sign in"));
  nameLabel_->setText(say("Name"));
  emailLabel_->setText(say("Email"));
  lastSyncLabel_->setText(say("Last sync"));
  syncButton_->setText(say("Sync Now"));
  devicesButton_->setText(say("Devices"));
  signOutButton_->setText(say("Sign out"));
  keepOut_->setText(say("Keep them out"));
  addScores_->setText(say("Add them"));
  cancel_->setText(say("Cancel"));
  backupTitle_->setText(say("Backups (no account needed)"));
  exportButton_->setText(say("Export…"));
  importButton_->setText(say("Import…"));
  refresh();
}

void AccountPage::refresh() {
  const bool in = signedIn();
  const bool running = busy();
  if (in) {
    const AccountProfile& profile = *account_.profile;
    setPlain(state_, say(HostMessage("Signed in as {1}.", {profile.name})));
    setPlain(name_, QString::fromStdString(profile.name));
    setPlain(email_, QString::fromStdString(profile.email.empty() ? "-" : profile.email));
    lastSync_->setText(account_.lastSync ? QString::fromStdString(localText(*account_.lastSync))
                                         : say("never"));
  } else if (invalidProfile_) {
    setPlain(state_, say("The saved account profile is not valid (an empty id or control characters); it "
                          "is not used. Sign in again."));
  } else if (account_.profile) {
    setPlain(state_, say("The session token of {1} is missing or unreadable; sign in again.",
                          {account_.profile->name}));
  } else {
    setPlain(state_, say("Not signed in."));
  }
  signedOut_->setVisible(!in);
  signedIn_->setVisible(in);
  const bool pending = browser_.pending().has_value();
  pageLabel_->setVisible(pending);
  pageAddress_->setVisible(pending);
  QString page = pending ? QString::fromStdString(std::string(browser_.pending()->url().buffer())) : QString();
  if (pageAddress_->text() != page) {
    pageAddress_->setText(page);
    // The address's beginning says where it leads.
    pageAddress_->setCursorPosition(0);
  }
  for (QWidget* control : std::initializer_list<QWidget*>{browserButton_, tokenEntry_, tokenSubmit_, syncButton_,
                                                          devicesButton_, signOutButton_, keepOut_, addScores_,
                                                          exportButton_, importButton_})
    control->setEnabled(!running);

  devicesTitle_->setVisible(in && devices_.has_value());
  deviceList_->setVisible(in && devices_.has_value());
  deviceList_->clear();
  if (in && devices_) {
    devicesTitle_->setText(say("Devices signed in ({1}):", {std::to_string(devices_->size())}));
    for (const AccountDevice& device : *devices_) {
      // Every part comes from the service: shown as plain list text.
      std::string line = device.clientLabel();
      if (!device.platform.empty()) line.append(" · ").append(device.platform);
      if (std::optional<std::string> where = device.locationLabel()) line.append(" · ").append(*where);
      if (device.lastSeen) line.append(" · ").append(say("last seen {1}", {*device.lastSeen}).toStdString());
      if (device.current) line.append(" ").append(say("(this one)").toStdString());
      auto* item = new QListWidgetItem(QString::fromStdString(line), deviceList_);
      if (device.current) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
      }
    }
  }

  ownerBox_->setVisible(in && askOwner_ && !running);
  if (in && askOwner_) {
    const std::optional<AttemptOwners::Holder>& holder = owners_.holder();
    std::string before = holder ? say("{1} (account id {2})", {holder->name, holder->id}).toStdString()
                                : say("an account this computer can no longer name").toStdString();
    ownerQuestion_->setText(
        say("The scores on this computer were last synced with {1}, not with {2}.",
             {before, account_.profile->name}) +
        "\n" +
        say("Keep this computer's scores out of your account, or add them to it? Sync Now waits for your "
             "answer."));
  }

  taskBox_->setVisible(running);
  if (running) {
    taskText_->setText(say("{1}: {2}", {say(std::string_view(taskTitle_)).toStdString(),
                                         task_->cancelled() ? say("cancelling…").toStdString()
                                                            : say(task_->progress()).toStdString()}));
    cancel_->setEnabled(!task_->cancelled());
  }

  tokenPlace_->setText(tokenInKeyring_
                           ? say("The session token is kept in the system's keyring.")
                           : say("No Secret Service answered, so the session token is kept in {1}, readable "
                                  "by you alone.",
                                  {say(tokens_->where()).toStdString()}));

  // A failure is marked with a sign as well as a colour, so it reads
  // without colour too.
  QString line = message_ ? say(*message_) : QString();
  if (message_ && messageFailed_) line = QStringLiteral("⚠ ") + line;
  messageLine_->setText(line);
  QPalette palette = this->palette();
  if (messageFailed_) palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x20));
  messageLine_->setPalette(palette);
}

}  // namespace tavro::desktop
