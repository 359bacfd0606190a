// The account page on Qt's offscreen platform against the reference account
// service over loopback HTTPS, through the transport the window uses: the
// page's buttons are clicked, its operations run on their worker threads and
// are taken in by the page's own timer, and what happened is read back from
// the page, the token store, the archive and the service's store.
#include "ReferenceAccountService/ServiceFixture.h"
#include "TavroDesktop/AccountPage.h"
#include "TavroDesktop/DesktopStrings.h"
#include "OffscreenApplication.h"
#include "common/TestSupport.h"

#include "Platform/HTTPTransport.h"
#include "TavroCore/account/TavroBackup.h"
#include "TavroCore/account/TavroCloudSync.h"
#include "TavroHost/AccountFiles.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <map>
#include <memory>
#include <thread>

namespace tavro::desktop {
namespace {

using tavro::testing::readFile;
using tavro::testing::ServiceFixture;
using tavro::testing::TemporaryDirectory;
using tavro::testing::writeFile;

const std::filesystem::path screenshots = std::filesystem::path(TAVRO_BINARY_DIR) / "desktop-screenshots";

Attempt attempt(std::uint64_t n, const std::string& mode = "romaji") {
  return Attempt(tavro::testing::numberedUuid(n), Date{1000.0 + static_cast<double>(n)}, mode,
                 static_cast<std::int64_t>(1 + n % 6), 120, 4, 33.5);
}

std::vector<Uuid> idsOf(const std::vector<Attempt>& list) {
  std::vector<Uuid> ids;
  for (const Attempt& a : list) ids.push_back(a.id());
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The token kept in memory, where the test can look at it after the page
// (which owns the store) has changed it.
class MemoryTokens : public TokenStore {
 public:
  explicit MemoryTokens(std::shared_ptr<std::optional<std::string>> kept) : kept_(std::move(kept)) {}
  std::optional<std::string> read() override { return *kept_; }
  std::optional<std::string> write(const std::string& token) override {
    *kept_ = token;
    return std::nullopt;
  }
  std::optional<std::string> remove() override {
    kept_->reset();
    return std::nullopt;
  }
  HostMessage where() const override { return HostMessage("the test's memory"); }

 private:
  std::shared_ptr<std::optional<std::string>> kept_;
};

class DesktopAccountPage : public ::testing::Test {
 protected:
  void SetUp() override {
    tavro::desktop::testing::offscreenApplication();
    useEnglishInterface(true);
  }

  // A new account on the service with `remote` attempts, and a session
  // token for this device.
  std::string addAccount(const AccountProfile& profile, const std::vector<Attempt>& remote = {}) {
    fixture.service().store().addAccount(profile);
    if (!remote.empty()) fixture.service().store().store(profile.id, remote);
    return fixture.service().store().issueToken(profile.id, "This Laptop");
  }

  // A page over the test's folders, archive and token, reaching the
  // fixture's service. Requests wait while `hold` is set, until the
  // operation is cancelled (or a minute passes, so a failing test ends).
  std::unique_ptr<AccountPage> openPage(bool tokenInKeyring = true) {
    auto page = std::make_unique<AccountPage>(
        paths, preferences, archive, [this] { return saveArchive(archive, paths.archive()); }, true,
        [] { return JLPTLevel::n5; }, [] { return false; }, std::make_unique<MemoryTokens>(kept),
        tokenInKeyring);
    page->setService([this](std::function<bool()> cancelled) {
      platform::HTTPTransport::Options options = fixture.transportOptions();
      options.cancelled = cancelled;
      TavroCloudSync::Fetch fetch = TavroCloudSync::fetchThrough(platform::HTTPTransport(std::move(options)));
      return TavroCloudSync::Fetch([this, fetch, cancelled](const platform::HTTPRequest& request) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (hold && !cancelled() && std::chrono::steady_clock::now() < deadline)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (cancelled()) throw std::runtime_error("cancelled");
        return fetch(request);
      });
    });
    page->setBrowserOpener([this](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
    QObject::connect(page.get(), &AccountPage::archiveChanged, [this] { ++archiveChanges; });
    page->resize(820, 700);
    return page;
  }

  // Lets the page's timer take in the operation's result, as the window's
  // event loop does.
  static void waitForTask(AccountPage& page) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (page.busy() && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(page.busy()) << "the account operation did not finish";
  }

  template <typename Widget = QPushButton>
  static Widget* control(AccountPage& page, const char* name) {
    Widget* found = page.findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  static void click(AccountPage& page, const char* name) {
    QPushButton* button = control(page, name);
    ASSERT_TRUE(button->isVisibleTo(&page)) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
  }

  static QString labelText(AccountPage& page, const char* name) {
    return control<QLabel>(page, name)->text();
  }

  // Pastes `token` into the field and signs in with it.
  void signIn(AccountPage& page, const std::string& token) {
    control<QLineEdit>(page, "tokenEntry")->setText(QString::fromStdString(token));
    click(page, "submitToken");
    waitForTask(page);
    ASSERT_TRUE(page.signedIn()) << page.message().toStdString();
  }

  // Every text the page draws is whole (laid out again after a change of
  // language) and each character has its glyph in the font it is drawn
  // with: no box where a Japanese character should be.
  static void expectReadable(AccountPage& page) {
    QCoreApplication::processEvents();
    std::vector<std::pair<QString, QFont>> drawn;
    for (QLabel* label : page.findChildren<QLabel*>()) {
      if (!label->isVisibleTo(&page)) continue;
      drawn.emplace_back(label->text(), label->font());
      if (!label->wordWrap()) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
      }
    }
    for (QPushButton* button : page.findChildren<QPushButton*>()) {
      if (!button->isVisibleTo(&page)) continue;
      drawn.emplace_back(button->text(), button->font());
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
    for (const auto& [text, font] : drawn) {
      QFontMetrics metrics(font);
      for (char32_t character : text.toUcs4()) {
        if (character == ' ' || character == '\n') continue;
        EXPECT_TRUE(metrics.inFontUcs4(character))
            << "no glyph for U+" << std::hex << static_cast<std::uint32_t>(character) << " in "
            << text.toStdString();
      }
    }
  }

  static void save(AccountPage& page, const std::string& name) {
    QCoreApplication::processEvents();
    std::filesystem::create_directories(screenshots);
    EXPECT_TRUE(page.grab().save(QString::fromStdString((screenshots / name).string())));
  }

  ServiceFixture fixture;
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  Archive archive;
  std::shared_ptr<std::optional<std::string>> kept = std::make_shared<std::optional<std::string>>();
  std::atomic<bool> hold = false;
  std::vector<QUrl> opened;
  int archiveChanges = 0;
};

TEST_F(DesktopAccountPage, SignsInWithATokenListsTheDevicesAndSignsOut) {
  const AccountProfile aiko("acct-page", "Aiko", "aiko@example.com");
  const std::string token = addAccount(aiko);
  auto page = openPage();
  EXPECT_EQ(labelText(*page, "accountState"), "Not signed in.");
  EXPECT_EQ(control<QLineEdit>(*page, "tokenEntry")->echoMode(), QLineEdit::Password);

  // A well-formed token the service does not know: refused, nothing kept.
  control<QLineEdit>(*page, "tokenEntry")->setText(QString(64, 'a'));
  click(*page, "submitToken");
  waitForTask(*page);
  EXPECT_FALSE(page->signedIn());
  EXPECT_TRUE(page->messageFailed());
  EXPECT_TRUE(page->message().contains("Sign-in failed")) << page->message().toStdString();
  EXPECT_FALSE(kept->has_value());

  signIn(*page, token);
  EXPECT_EQ(labelText(*page, "profileName"), "Aiko");
  EXPECT_EQ(labelText(*page, "profileEmail"), "aiko@example.com");
  EXPECT_EQ(labelText(*page, "lastSync"), "never");
  EXPECT_EQ(page->message(), "Signed in as Aiko.");
  EXPECT_EQ(*kept, token);
  // Nothing on the page holds the token, the field it was pasted in included.
  EXPECT_TRUE(control<QLineEdit>(*page, "tokenEntry")->text().isEmpty());
  for (QLabel* label : page->findChildren<QLabel*>())
    EXPECT_FALSE(label->text().contains(QString::fromStdString(token.substr(0, 16))));

  click(*page, "showDevices");
  waitForTask(*page);
  QListWidget* devices = control<QListWidget>(*page, "devices");
  ASSERT_TRUE(devices->isVisibleTo(page.get()));
  ASSERT_EQ(devices->count(), 1);
  EXPECT_TRUE(devices->item(0)->text().contains("Tavro")) << devices->item(0)->text().toStdString();
  EXPECT_TRUE(devices->item(0)->text().contains("(this one)"));

  // The next start is signed in from the store alone.
  page = openPage();
  EXPECT_TRUE(page->signedIn());
  EXPECT_EQ(labelText(*page, "profileName"), "Aiko");

  click(*page, "signOut");
  EXPECT_FALSE(page->signedIn());
  EXPECT_FALSE(kept->has_value());
  EXPECT_EQ(page->message(), "Signed out; the session token was removed.");
  EXPECT_TRUE(control(*page, "signInWithBrowser")->isVisibleTo(page.get()));
  EXPECT_FALSE(control(*page, "syncNow")->isVisibleTo(page.get()));
}

TEST_F(DesktopAccountPage, SyncNowMergesTheAccountsAttemptsAndCancelLeavesTheArchiveAsItWas) {
  const AccountProfile aiko("acct-sync", "Aiko", "aiko@example.com");
  const std::vector<Attempt> remote = {attempt(1), attempt(2), attempt(3)};
  const std::string token = addAccount(aiko, remote);
  archive.attempts = {attempt(10, "english"), attempt(11, "english")};
  ASSERT_FALSE(saveArchive(archive, paths.archive()));
  auto page = openPage();
  signIn(*page, token);

  // Cancelled while its first request waits: nothing of it is taken in.
  const std::string before = readFile(paths.archive());
  hold = true;
  click(*page, "syncNow");
  ASSERT_TRUE(page->busy());
  EXPECT_TRUE(control<QProgressBar>(*page, "taskProgress")->isVisibleTo(page.get()));
  EXPECT_FALSE(control(*page, "syncNow")->isEnabled());
  click(*page, "cancelTask");
  waitForTask(*page);
  hold = false;
  EXPECT_TRUE(page->messageFailed());
  EXPECT_TRUE(page->message().contains("Sync failed")) << page->message().toStdString();
  EXPECT_EQ(archive.attempts.size(), 2u);
  EXPECT_EQ(readFile(paths.archive()), before);
  EXPECT_EQ(archiveChanges, 0);
  EXPECT_TRUE(page->signedIn());
  EXPECT_EQ(labelText(*page, "lastSync"), "never");

  click(*page, "syncNow");
  waitForTask(*page);
  EXPECT_FALSE(page->messageFailed()) << page->message().toStdString();
  EXPECT_TRUE(page->message().startsWith("Synced: 5 attempts")) << page->message().toStdString();
  EXPECT_EQ(archiveChanges, 1);
  std::vector<Attempt> all = remote;
  all.push_back(attempt(10, "english"));
  all.push_back(attempt(11, "english"));
  EXPECT_EQ(idsOf(archive.attempts), idsOf(all));
  EXPECT_EQ(idsOf(Archive::read(paths.archive()).attempts), idsOf(all));
  EXPECT_EQ(idsOf(fixture.service().store().attempts(aiko.id)), idsOf(all));
  EXPECT_NE(labelText(*page, "lastSync"), "never");
}

TEST_F(DesktopAccountPage, AsksWhoseScoresBeforeAnotherAccountSyncsThem) {
  const AccountProfile aiko("acct-aiko", "Aiko", "aiko@example.com");
  const AccountProfile ken("acct-ken", "Ken", "ken@example.com");
  const std::string aikoToken = addAccount(aiko);
  const std::string kenToken = addAccount(ken);
  archive.attempts = {attempt(1), attempt(2)};
  ASSERT_FALSE(saveArchive(archive, paths.archive()));
  auto page = openPage();
  signIn(*page, aikoToken);
  EXPECT_FALSE(control<QLabel>(*page, "ownerQuestion")->isVisibleTo(page.get()));
  click(*page, "syncNow");
  waitForTask(*page);
  ASSERT_FALSE(page->messageFailed()) << page->message().toStdString();
  click(*page, "signOut");

  // Aiko's scores are on this computer: Ken is asked, and Sync Now waits.
  signIn(*page, kenToken);
  QLabel* question = control<QLabel>(*page, "ownerQuestion");
  ASSERT_TRUE(question->isVisibleTo(page.get()));
  EXPECT_TRUE(question->text().contains("Aiko (account id acct-aiko)")) << question->text().toStdString();
  click(*page, "syncNow");
  EXPECT_FALSE(page->busy());
  EXPECT_TRUE(question->isVisibleTo(page.get()));

  // A round the window keeps while Ken is signed in is his, even before he
  // answers (until then the unclaimed scores are Aiko's).
  archive.attempts.push_back(attempt(3));
  ASSERT_FALSE(saveArchive(archive, paths.archive()));
  EXPECT_EQ(page->claimRound(archive.attempts.back()), std::nullopt);
  click(*page, "keepScoresOut");
  EXPECT_FALSE(question->isVisibleTo(page.get()));
  // The claim outlives the window: a new page syncs it with Ken.
  page = openPage();
  ASSERT_TRUE(page->signedIn());
  click(*page, "syncNow");
  waitForTask(*page);
  EXPECT_FALSE(page->messageFailed()) << page->message().toStdString();
  EXPECT_EQ(idsOf(fixture.service().store().attempts(ken.id)), idsOf({attempt(3)}))
      << "Aiko's scores went to Ken, or his round did not";
  EXPECT_EQ(fixture.service().store().attempts(aiko.id).size(), 2u);
}

TEST_F(DesktopAccountPage, BrowserSignInCompletesWithTheCallbackTheServicesPageSends) {
  auto page = openPage();
  click(*page, "signInWithBrowser");
  ASSERT_EQ(opened.size(), 1u);
  // The address is on the page too, whole, for a browser that did not open.
  QLineEdit* address = control<QLineEdit>(*page, "signInAddress");
  EXPECT_TRUE(address->isVisibleTo(page.get()));
  EXPECT_TRUE(address->isReadOnly());
  EXPECT_EQ(address->text(), opened[0].toString(QUrl::FullyEncoded));

  // The person approves on the page; the browser is sent to the callback.
  const std::string query = opened[0].query(QUrl::FullyEncoded).toStdString();
  const tavro::testing::BrowserReply answer = tavro::testing::browserRequest(
      fixture.port(), "POST", "/account", query + "&email=ken%40example.com&name=Ken");
  ASSERT_EQ(answer.status, 303) << answer.body.substr(0, 300);
  ASSERT_TRUE(answer.header("Location"));
  const std::string location = *answer.header("Location");

  page->receiveCallback(QString::fromStdString(location));
  ASSERT_TRUE(page->busy());
  waitForTask(*page);
  ASSERT_TRUE(page->signedIn()) << page->message().toStdString();
  EXPECT_EQ(labelText(*page, "profileName"), "Ken");
  EXPECT_EQ(labelText(*page, "profileEmail"), "ken@example.com");
  ASSERT_TRUE(kept->has_value());
  EXPECT_EQ(fixture.service().store().accountOfToken(**kept)->email, "ken@example.com");
}

TEST_F(DesktopAccountPage, RefusesAForeignOrGarbledCallbackWithoutRepeatingIt) {
  const std::string code(64, 'c');
  struct Case {
    const char* name;
    bool begin;  // a browser sign-in waits for its callback
    std::string address;
    std::string refusal;
  };
  const Case cases[] = {
      {"another host", true, "brelva-tavro://elsewhere?state=s&code=" + code, "not the address of this sign-in"},
      {"a state of another sign-in", true, "brelva-tavro://auth-callback?state=x-marks&code=" + code,
       "not the address of this sign-in"},
      {"garbled", true, "brelva-tavro:%zz%00\x01x-marks&code=" + code, "not the address of this sign-in"},
      {"none begun", false, "brelva-tavro://auth-callback?state=x-marks&code=" + code,
       "No browser sign-in is waiting"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto page = openPage();
    if (c.begin) click(*page, "signInWithBrowser");
    page->receiveCallback(QString::fromStdString(c.address));
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(page->signedIn());
    EXPECT_TRUE(page->messageFailed());
    EXPECT_TRUE(page->message().contains(QString::fromStdString(c.refusal))) << page->message().toStdString();
    for (QLabel* label : page->findChildren<QLabel*>()) {
      EXPECT_FALSE(label->text().contains(QString::fromStdString(code))) << label->objectName().toStdString();
      EXPECT_FALSE(label->text().contains("x-marks")) << label->objectName().toStdString();
    }
    EXPECT_FALSE(kept->has_value());
    // A refused address leaves the sign-in waiting for the right one.
    EXPECT_EQ(control<QLineEdit>(*page, "signInAddress")->isVisibleTo(page.get()), c.begin);
  }
}

TEST_F(DesktopAccountPage, ImportRefusalsSayWhyAndChangeNothing) {
  const AccountProfile aiko("acct-import", "Aiko", "aiko@example.com");
  const std::string token = addAccount(aiko);
  archive.attempts = {attempt(1)};
  ASSERT_FALSE(saveArchive(archive, paths.archive()));
  auto page = openPage();
  signIn(*page, token);
  auto backup = [](std::string owner, std::vector<Attempt> list) {
    return TavroBackup(std::move(owner), std::move(list), JLPTLevel::n5, false, Date{1}).encode();
  };

  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    std::string reason;
  };
  const Case cases[] = {
      {"a pipe", [](auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "is not a regular file"},
      {"a huge sparse file",
       [](auto& p) {
         writeFile(p, "");
         std::filesystem::resize_file(p, maximumBackupBytes + 1);
       },
       "is larger than 64 MiB"},
      {"another account's backup", [&](auto& p) { writeFile(p, backup("acct-someone-else", {attempt(5)})); },
       "belongs to another account"},
  };
  const std::string before = readFile(paths.archive());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path file = folder.path() / (std::string("hostile-") + c.name);
    c.make(file);
    // The pipe is opened without waiting for a writer: this returns.
    page->importFrom(QString::fromStdString(file.string()));
    EXPECT_TRUE(page->messageFailed());
    EXPECT_TRUE(page->message().contains(QString::fromStdString(c.reason))) << page->message().toStdString();
    EXPECT_TRUE(page->message().contains("Nothing was changed.")) << page->message().toStdString();
    EXPECT_EQ(archive.attempts.size(), 1u);
    EXPECT_EQ(readFile(paths.archive()), before);
    EXPECT_EQ(archiveChanges, 0);
  }

  // The account's own backup is taken in, and the window is told.
  const std::filesystem::path own = folder.path() / "own.json";
  writeFile(own, backup(aiko.id, {attempt(5)}));
  page->importFrom(QString::fromStdString(own.string()));
  EXPECT_FALSE(page->messageFailed()) << page->message().toStdString();
  EXPECT_EQ(archive.attempts.size(), 2u);
  EXPECT_EQ(archiveChanges, 1);
}

TEST_F(DesktopAccountPage, ExportsABackupWithoutAnAccountThatAnotherComputerImports) {
  archive.attempts = {attempt(1), attempt(2)};
  auto page = openPage();
  const std::filesystem::path file = folder.path() / "scores.json";
  page->exportTo(QString::fromStdString(file.string()));
  EXPECT_FALSE(page->messageFailed()) << page->message().toStdString();
  EXPECT_TRUE(page->message().startsWith("Exported 2 attempts")) << page->message().toStdString();
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  archive.attempts.clear();
  page->importFrom(QString::fromStdString(file.string()));
  EXPECT_FALSE(page->messageFailed()) << page->message().toStdString();
  EXPECT_EQ(idsOf(archive.attempts), idsOf({attempt(1), attempt(2)}));
  EXPECT_EQ(archiveChanges, 1);
}

TEST_F(DesktopAccountPage, SaysWhereTheTokenIsKept) {
  struct Case {
    const char* name;
    bool keyring;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"keyring", true, {"system's keyring"}},
      {"file", false, {"No Secret Service answered", "the test's memory", "readable by you alone"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto page = openPage(c.keyring);
    const QString notice = labelText(*page, "tokenPlace");
    for (const std::string& part : c.parts)
      EXPECT_TRUE(notice.contains(QString::fromStdString(part))) << notice.toStdString();
    EXPECT_EQ(notice.contains("keyring"), c.keyring) << notice.toStdString();
  }
}

TEST_F(DesktopAccountPage, SpeaksJapaneseAndLeavesScreenshots) {
  const AccountProfile aiko("acct-shots", "Aiko Tanaka", "aiko@example.com");
  const std::string token = addAccount(aiko);
  useInterfaceFont();
  auto page = openPage(false);
  page->show();
  click(*page, "signInWithBrowser");
  // A failed outcome is marked, not only coloured.
  page->importFrom(QString::fromStdString((folder.path() / "missing.json").string()));
  EXPECT_TRUE(labelText(*page, "accountMessage").startsWith("⚠ Not imported"));
  save(*page, "account-signed-out-en.png");
  useEnglishInterface(false);
  page->retranslate();
  EXPECT_EQ(labelText(*page, "accountTitle"), "アカウント");
  EXPECT_EQ(control(*page, "signInWithBrowser")->text(), "ブラウザでサインイン");
  EXPECT_TRUE(labelText(*page, "accountMessage").startsWith("⚠ 読み込んでいません"))
      << labelText(*page, "accountMessage").toStdString();
  expectReadable(*page);
  save(*page, "account-signed-out-ja.png");

  signIn(*page, token);
  click(*page, "showDevices");
  waitForTask(*page);
  EXPECT_EQ(control(*page, "syncNow")->text(), "今すぐ同期");
  EXPECT_EQ(page->message(), "");
  expectReadable(*page);
  save(*page, "account-signed-in-ja.png");
  useEnglishInterface(true);
  page->retranslate();
  EXPECT_EQ(control(*page, "syncNow")->text(), "Sync Now");
  expectReadable(*page);
  save(*page, "account-signed-in-en.png");
}

}  // namespace
}  // namespace tavro::desktop
