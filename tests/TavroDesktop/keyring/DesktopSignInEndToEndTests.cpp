// Browser sign-in from end to end, as a learner goes through it: the window
// opens the reference service's sign-in page, the person approves there,
// the browser starts the built tavro-desktop with the callback address, and
// that second start hands it to the running window over the owner-only
// socket and exits. The window then shows the profile, Sync Now brings the
// account's scores, and signing out takes the token out of the Secret
// Service. Runs inside tests/TavroDesktop/tools/with-private-keyring (a
// D-Bus session and gnome-keyring of its own), on Qt's offscreen platform.
#include "../OffscreenApplication.h"
#include "ReferenceAccountService/ServiceFixture.h"
#include "common/TestSupport.h"

#include "Platform/HTTPTransport.h"
#include "Platform/UserDefaults.h"
#include "TavroCore/account/TavroCloudSync.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroDesktop/AccountPage.h"
#include "TavroDesktop/CallbackChannel.h"
#include "TavroDesktop/DesktopTutor.h"
#include "TavroDesktop/SecretTokenStore.h"
#include "TavroHost/AccountFiles.h"
#include "TavroHost/Storage.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::ServiceFixture;
using tavro::testing::TemporaryDirectory;

// Runs the window's event loop until `done`, at most `seconds`.
bool processUntil(const std::function<bool()>& done, int seconds = 60) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

QString labelText(AccountPage& page, const char* name) {
  QLabel* label = page.findChild<QLabel*>(name);
  return label == nullptr ? QString() : label->text();
}

void click(AccountPage& page, const char* name) {
  QPushButton* button = page.findChild<QPushButton*>(name);
  ASSERT_NE(button, nullptr) << name;
  ASSERT_TRUE(button->isVisibleTo(&page) && button->isEnabled()) << name;
  button->click();
}

TEST(DesktopSignInEndToEnd, TheCallbackOfASecondStartSignsInSyncsAndSignOutEmptiesTheKeyring) {
  const char* inside = std::getenv("TAVRO_TEST_PRIVATE_KEYRING");
  ASSERT_TRUE(inside != nullptr && std::string(inside) == "1")
      << "run through tests/TavroDesktop/tools/with-private-keyring, never against your own "
         "keyring";
  testing::offscreenApplication();

  ServiceFixture fixture;
  const AccountProfile aiko("acct-e2e-aiko", "Aiko Tanaka", "aiko@example.com");
  fixture.service().store().addAccount(aiko);
  std::vector<Attempt> remote;
  for (std::uint64_t i = 1; i <= 3; ++i)
    remote.emplace_back(tavro::testing::numberedUuid(i), Date{1000.0 + static_cast<double>(i)},
                        "romaji", 1, 120, 4, 33.5);
  fixture.service().store().store(aiko.id, remote);

  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  preferences.set(FirstLaunchSetup::completedKey, true);
  std::unique_ptr<DesktopTokenStore> tokens = chooseTokenStore(paths);
  ASSERT_TRUE(tokens->usesKeyring()) << "the private Secret Service did not answer";
  DesktopTutor window(paths, loadArchive(paths.archive()), preferences, std::move(tokens), true);
  AccountPage& page = window.accountPage();
  page.setService([&fixture](std::function<bool()> cancelled) {
    platform::HTTPTransport::Options options = fixture.transportOptions();
    options.cancelled = std::move(cancelled);
    return TavroCloudSync::fetchThrough(platform::HTTPTransport(std::move(options)));
  });
  std::vector<QUrl> opened;
  page.setBrowserOpener([&opened](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  CallbackChannel channel(CallbackChannel::nameFor(paths));
  ASSERT_TRUE(channel.listen()) << channel.problem().toStdString();
  QObject::connect(&channel, &CallbackChannel::callbackReceived, &window,
                   &DesktopTutor::takeCallback);
  window.show();

  // The browser opens the page; the person approves as Aiko.
  page.signInWithBrowser();
  ASSERT_EQ(opened.size(), 1u);
  const std::string query = opened[0].query(QUrl::FullyEncoded).toStdString();
  tavro::testing::BrowserReply shown =
      tavro::testing::browserRequest(fixture.port(), "GET", "/account?" + query);
  ASSERT_EQ(shown.status, 200) << shown.body.substr(0, 300);
  tavro::testing::BrowserReply approved = tavro::testing::browserRequest(
      fixture.port(), "POST", "/account", query + "&email=aiko%40example.com&name=Aiko+Tanaka");
  ASSERT_EQ(approved.status, 303) << approved.body.substr(0, 300);
  ASSERT_TRUE(approved.header("Location"));

  // The browser starts the program with the callback: the second start
  // hands it over and exits while this window runs.
  QProcess second;
  second.start(TAVRO_DESKTOP_PATH, {"--data-dir", QString::fromStdString(folder.path().string()),
                                    QString::fromStdString(*approved.header("Location"))});
  ASSERT_TRUE(processUntil([&] { return second.state() == QProcess::NotRunning; }));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  ASSERT_TRUE(processUntil([&] { return page.signedIn() && !page.busy(); }))
      << page.message().toStdString();
  EXPECT_EQ(window.page(), DesktopTutor::Page::account)
      << "the account page did not come to the front";
  EXPECT_EQ(labelText(page, "profileName"), "Aiko Tanaka");
  EXPECT_EQ(labelText(page, "profileEmail"), "aiko@example.com");

  // The token is in the keyring, as another start of the tutor finds it.
  std::optional<std::string> kept = chooseTokenStore(paths)->read();
  ASSERT_TRUE(kept.has_value());
  ASSERT_TRUE(fixture.service().store().accountOfToken(*kept).has_value());
  EXPECT_EQ(fixture.service().store().accountOfToken(*kept)->id, aiko.id);
  EXPECT_FALSE(std::filesystem::exists(tokenFile(paths.configFolder)))
      << "the token went to the file";

  // Sync Now brings the account's three attempts into the archive on disk.
  click(page, "syncNow");
  ASSERT_TRUE(processUntil([&] { return !page.busy(); })) << page.message().toStdString();
  EXPECT_FALSE(page.messageFailed()) << page.message().toStdString();
  EXPECT_EQ(window.archive().attempts.size(), 3u);
  EXPECT_EQ(Archive::read(paths.archive()).attempts.size(), 3u);

  // Signing out takes the token out of the Secret Service.
  click(page, "signOut");
  ASSERT_TRUE(processUntil([&] { return !page.signedIn() && !page.busy(); }));
  EXPECT_EQ(chooseTokenStore(paths)->read(), std::nullopt);
  EXPECT_EQ(SecretTokenStore(paths.configFolder).read(), std::nullopt);
}

}  // namespace
}  // namespace tavro::desktop
