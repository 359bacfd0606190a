// The account screen without a terminal: the token file, sign-in and
// sign-out, Sync Now on its worker thread, and backup export and import,
// with the account service replaced by a fetch the test controls.
#include "TavroHost/AccountFiles.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/HTTPTransport.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/TavroBackup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace tavro::terminal {
namespace {

using tavro::testing::readFile;
using tavro::testing::TemporaryDirectory;
using tavro::testing::writeFile;

const std::string token = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const AccountProfile aiko("user-7", "Aiko", "aiko@example.com");

Attempt attempt(std::uint64_t n) {
  return Attempt(testing::numberedUuid(n), Date{1000.0 + static_cast<double>(n)}, "romaji", 2, 120, 4, 33.5);
}

std::string profileReply(const AccountProfile& profile) {
  return json::encode(json::OrderedJson{
      {"user", {{"id", profile.id}, {"name", profile.name}, {"email", profile.email}}}});
}

std::string page(const std::vector<Attempt>& list) {
  json::OrderedJson array = json::OrderedJson::array();
  for (const Attempt& a : list) array.push_back(a.json());
  return json::encode(json::OrderedJson{
      {"schemaVersion", 1},
      {"attempts", array},
      {"syncedAt", "2026-12-10T09:30:00Z"},
      {"user", {{"id", aiko.id}, {"name", aiko.name}, {"email", aiko.email}}}});
}

// A stand-in for the account service: records the requests and answers
// each through `reply`, which may wait for the cancellation.
struct FakeService {
  std::mutex mutex;
  std::vector<platform::HTTPRequest> requests;
  std::function<std::string(const platform::HTTPRequest&, const std::function<bool()>&)> reply;

  FetchMaker maker() {
    return [this](std::function<bool()> cancelled) -> TavroCloudSync::Fetch {
      return [this, cancelled](const platform::HTTPRequest& request) {
        {
          std::lock_guard lock(mutex);
          requests.push_back(request);
        }
        return reply(request, cancelled);
      };
    };
  }
};

struct Fixture {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  FakeService service;
  std::optional<Tutor> tutor;
  Frame frame{250, 40};  // wide enough that no message wraps

  explicit Fixture(bool signedIn = false, std::vector<Attempt> local = {},
                   const AccountProfile& profile = aiko) {
    preferences.set(FirstLaunchSetup::completedKey, true);
    if (signedIn) {
      EXPECT_FALSE(writeToken(tokenFile(paths.configFolder), token));
      AccountState(profile).save(preferences);
    }
    Archive archive;
    archive.attempts = std::move(local);
    EXPECT_FALSE(saveArchive(archive, paths.archive()));
    tutor.emplace(paths, loadArchive(paths.archive()), preferences);
    tutor->setAccountService(service.maker());
    press(Key::character("a"));
  }

  void press(const Key& key) { tutor->handle(key, 1); }
  void type(const std::string& text) { press(Key::character(text)); }
  std::string screen() {
    tutor->render(frame, 1);
    return frame.text();
  }
  void waitForTask() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (tutor->busy() && std::chrono::steady_clock::now() < deadline) {
      tutor->tick();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(tutor->busy());
  }
  bool shows(const std::string& text) { return screen().find(text) != std::string::npos; }
};

TEST(TokenFileTest, KeptForTheUserAloneAndReplacedWhole) {
  TemporaryDirectory folder;
  std::filesystem::path file = tokenFile(folder.path());
  ::umask(0);  // the file's mode must not depend on the umask
  ASSERT_FALSE(writeToken(file, std::string(64, 'a')));
  ASSERT_FALSE(writeToken(file, token));
  ::umask(022);
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(readToken(file), token);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  EXPECT_FALSE(removeAccountFile(file));
  EXPECT_FALSE(readToken(file));
  EXPECT_FALSE(removeAccountFile(file));
}

TEST(TokenFileTest, AnythingButTheUsersOwnTokenFileIsNoToken) {
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
  };
  const Case cases[] = {
      {"readable by others",
       [](auto& file) {
         writeFile(file, token);
         ::chmod(file.c_str(), 0644);
       }},
      {"a link to a token file",
       [](auto& file) {
         writeFile(file.string() + "-real", token);
         ::chmod((file.string() + "-real").c_str(), 0600);
         std::filesystem::create_symlink(file.string() + "-real", file);
       }},
      {"a pipe", [](auto& file) { ::mkfifo(file.c_str(), 0600); }},
      {"not a token",
       [](auto& file) {
         writeFile(file, std::string(64, 'G'));
         ::chmod(file.c_str(), 0600);
       }},
      {"a token with more after it",
       [](auto& file) {
         writeFile(file, token + "\nx");
         ::chmod(file.c_str(), 0600);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryDirectory folder;
    std::filesystem::path file = tokenFile(folder.path());
    c.make(file);
    EXPECT_FALSE(readToken(file));
  }
}

TEST(AccountScreenTest, SignsInWithAPastedTokenAndOut) {
  ASSERT_TRUE(utf8Locale);
  Fixture f;
  f.service.reply = [](const platform::HTTPRequest&, auto&) { return profileReply(aiko); };
  ASSERT_EQ(f.tutor->screen(), Tutor::Screen::account);
  EXPECT_TRUE(f.shows("Not signed in."));

  // Not a token: refused before anything is sent.
  f.type(token.substr(1));
  f.press(Key::of(Key::Kind::enter));
  EXPECT_TRUE(f.shows("That is not a session token"));
  EXPECT_TRUE(f.service.requests.empty());

  f.type(" " + token);  // as pasted, with a stray space
  EXPECT_EQ(f.screen().find(token.substr(0, 16)), std::string::npos);
  f.press(Key::of(Key::Kind::enter));
  f.waitForTask();
  ASSERT_EQ(f.service.requests.size(), 1u);
  EXPECT_EQ(f.service.requests[0].header("Authorization"), "Bearer " + token);
  std::string screen = f.screen();
  EXPECT_NE(screen.find("Signed in as Aiko."), std::string::npos) << screen;
  EXPECT_NE(screen.find("aiko@example.com"), std::string::npos);
  EXPECT_EQ(screen.find(token.substr(0, 16)), std::string::npos);
  EXPECT_TRUE(f.tutor->signedIn());
  std::filesystem::path file = tokenFile(f.paths.configFolder);
  EXPECT_EQ(readToken(file), token);
  EXPECT_EQ(AccountState::load(f.preferences).profile, aiko);
  for (const std::string& key : f.preferences.keys()) {
    std::string text = f.preferences.string(key).value_or("");
    if (auto data = f.preferences.data(key)) text.assign(data->begin(), data->end());
    EXPECT_EQ(text.find(token), std::string::npos) << key;
  }

  f.type("o");
  EXPECT_FALSE(f.tutor->signedIn());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(AccountState::load(f.preferences).profile);
  EXPECT_TRUE(f.shows("Signed out"));
}

TEST(AccountScreenTest, LastSetupStepOffersTheSignIn) {
  ASSERT_TRUE(utf8Locale);
  TemporaryDirectory folder;
  platform::InMemoryUserDefaults preferences;
  Tutor tutor({folder.path(), folder.path()}, {}, preferences);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::setup);
  for (int step = 1; step < 5; ++step) tutor.handle(Key::of(Key::Kind::enter), 1);
  tutor.handle(Key::character("a"), 1);
  EXPECT_EQ(tutor.screen(), Tutor::Screen::account);
  EXPECT_EQ(preferences.boolean(FirstLaunchSetup::completedKey), true);
}

TEST(AccountScreenTest, FailedSignInSaysWhyAndKeepsNothing) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::function<std::string()> reply;
    std::string message;
  };
  const Case cases[] = {
      {"refused token",
       [] () -> std::string {
         throw AccountService::httpFailure(401, AccountService::profilePath,
                                           R"({"error":"Session expired"})");
       },
       "HTTP 401 /api/downloader/profile: Session expired"},
      {"no service",
       []() -> std::string {
         throw platform::HTTPTransportFailure(platform::HTTPTransportFailure::Cause::refused,
                                              "the connection was refused");
       },
       "Could not reach the account service: the connection was refused"},
      {"reply without a user", [] { return std::string(R"({"ok":true})"); },
       std::string(AccountService::missingIdentifierMessage)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.service.reply = [&](const platform::HTTPRequest&, auto&) { return c.reply(); };
    f.type(token);
    f.press(Key::of(Key::Kind::enter));
    f.waitForTask();
    std::string screen = f.screen();
    EXPECT_NE(screen.find("Sign-in failed: " + c.message.substr(0, 40)), std::string::npos)
        << screen;
    EXPECT_FALSE(f.tutor->signedIn());
    EXPECT_FALSE(std::filesystem::exists(tokenFile(f.paths.configFolder)));
    EXPECT_FALSE(AccountState::load(f.preferences).profile);
    EXPECT_EQ(screen.find("You are signed out"), std::string::npos) << screen;
  }
}

// The value of query item `name` in the page address on the screen.
std::string queryItem(const std::string& screen, const std::string& name) {
  std::size_t start = screen.find(name + "=");
  if (start == std::string::npos) return "";
  start += name.size() + 1;
  std::size_t end = screen.find_first_of("& \n", start);
  return screen.substr(start, end - start);
}

TEST(AccountScreenTest, SignsInThroughTheBrowserCallbackOfItsOwnPage) {
  ASSERT_TRUE(utf8Locale);
  Fixture f;
  const std::string newToken(64, 'd');
  f.service.reply = [&](const platform::HTTPRequest&, auto&) {
    return json::encode(json::OrderedJson{
        {"token", newToken},
        {"user", {{"id", aiko.id}, {"name", aiko.name}, {"email", aiko.email}}}});
  };
  std::string screen = f.screen();
  std::string state = queryItem(screen, "state");
  std::string challenge = queryItem(screen, "challenge");
  ASSERT_EQ(state.size(), 32u) << screen;
  ASSERT_EQ(challenge.size(), 43u) << screen;
  std::filesystem::path pageFile = browserPageFile(f.paths.configFolder);
  EXPECT_NE(readFile(pageFile).find("&challenge=" + challenge + "&"), std::string::npos);
  const std::string code(64, '7');

  // A callback of another attempt: refused, not repeated, nothing sent.
  f.type("brelva-tavro://auth-callback?state=" + std::string(32, '0') + "&code=" + code);
  f.press(Key::of(Key::Kind::enter));
  screen = f.screen();
  EXPECT_NE(screen.find("not the address of this sign-in"), std::string::npos) << screen;
  EXPECT_EQ(screen.find(code), std::string::npos);
  EXPECT_TRUE(f.service.requests.empty());

  f.type("brelva-tavro://auth-callback?state=" + state + "&code=" + code);
  f.press(Key::of(Key::Kind::enter));
  f.waitForTask();
  ASSERT_EQ(f.service.requests.size(), 1u);
  json::Document body = json::Document::parse(*f.service.requests[0].body());
  EXPECT_EQ(body.root().object().string("code"), code);
  EXPECT_EQ(AccountBrowserLogin::challenge(body.root().object().string("verifier")), challenge);
  EXPECT_TRUE(f.shows("Signed in as Aiko."));
  EXPECT_EQ(readToken(tokenFile(f.paths.configFolder)), newToken);
  EXPECT_FALSE(std::filesystem::exists(pageFile));
}

TEST(AccountScreenTest, ListsTheDevicesSignedIn) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true);
  f.service.reply = [](const platform::HTTPRequest& request, auto&) {
    EXPECT_EQ(request.header("Authorization"), "Bearer " + token);
    return std::string(R"({"devices":[
      {"id":"1","device":"Laptop","platform":"Linux","current":true,"active":true,
       "client":"tavro","location":"Osaka","lastSeen":"today"},
      {"id":"2","device":"Phone","platform":"iOS","current":false,"active":true}]})");
  };
  f.type("d");
  f.waitForTask();
  std::string screen = f.screen();
  EXPECT_NE(screen.find("Devices signed in (2):"), std::string::npos) << screen;
  EXPECT_NE(screen.find("tavro · Linux · Osaka · last seen today (this one)"), std::string::npos)
      << screen;
  EXPECT_NE(screen.find("Phone · iOS"), std::string::npos) << screen;

  f.service.reply = [](const platform::HTTPRequest&, auto&) {
    return std::string(R"({"devices":"none"})");
  };
  f.type("d");
  f.waitForTask();
  EXPECT_TRUE(f.shows("Devices failed: The account service sent a reply that could not be read"));
}

TEST(AccountScreenTest, SyncMergesIntoTheArchiveAndCanBeCancelled) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true, {attempt(1)});
  ASSERT_TRUE(f.tutor->signedIn());
  std::string before = readFile(f.paths.archive());

  // Esc while the first page is awaited: nothing changes.
  std::atomic<bool> waiting = false;
  f.service.reply = [&](const platform::HTTPRequest&, const std::function<bool()>& cancelled) {
    waiting = true;
    while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    throw platform::HTTPTransportFailure(platform::HTTPTransportFailure::Cause::cancelled,
                                         "cancelled");
    return std::string();
  };
  f.type("y");
  while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(f.shows("Sync: downloading page 1 · Esc cancels"));
  f.press(Key::of(Key::Kind::escape));
  f.waitForTask();
  EXPECT_TRUE(f.shows("Sync failed: Cancelled; nothing was changed."));
  EXPECT_EQ(f.tutor->screen(), Tutor::Screen::account);
  EXPECT_EQ(readFile(f.paths.archive()), before);
  EXPECT_FALSE(AccountState::load(f.preferences).lastSync);

  // A page with one attempt only the service has; the local one is uploaded.
  f.service.reply = [&](const platform::HTTPRequest& request, auto&) {
    if (request.method() == "GET") return page({attempt(2)});
    return json::encode(json::OrderedJson{{"accepted", {testing::numberedUuid(1).text()}}});
  };
  f.type("y");
  f.waitForTask();
  EXPECT_TRUE(f.shows("Synced: 2 attempts, 1 new from the account service."));
  EXPECT_TRUE(f.shows("Last sync   2026-12-10 09:30 UTC"));
  Archive saved = Archive::read(f.paths.archive());
  ASSERT_EQ(saved.attempts.size(), 2u);
  EXPECT_EQ(saved.attempts[1].id(), testing::numberedUuid(2));
  EXPECT_TRUE(AccountState::load(f.preferences).lastSync);

  // The service no longer takes the token: signed out, archive kept.
  f.service.reply = [&](const platform::HTTPRequest&, auto&) -> std::string {
    throw AccountService::httpFailure(401, TavroCloudSync::path, R"({"error":"expired"})");
  };
  before = readFile(f.paths.archive());
  f.type("y");
  f.waitForTask();
  EXPECT_FALSE(f.tutor->signedIn());
  EXPECT_FALSE(std::filesystem::exists(tokenFile(f.paths.configFolder)));
  EXPECT_TRUE(f.shows("sign in again"));
  EXPECT_EQ(readFile(f.paths.archive()), before);
}

TEST(AccountScreenTest, RefusedSessionOffersTheBrowserSignInAgain) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true, {attempt(1)});
  f.service.reply = [](const platform::HTTPRequest&, auto&) -> std::string {
    throw AccountService::httpFailure(401, TavroCloudSync::path, R"({"error":"expired"})");
  };
  f.type("y");
  f.waitForTask();
  ASSERT_FALSE(f.tutor->signedIn());
  std::string screen = f.screen();
  EXPECT_NE(screen.find("Or sign in with a browser"), std::string::npos) << screen;
  std::string state = queryItem(screen, "state");
  ASSERT_EQ(state.size(), 32u) << screen;
  EXPECT_TRUE(std::filesystem::exists(browserPageFile(f.paths.configFolder)));

  // The callback of the page now shown signs in again.
  const std::string newToken(64, 'e');
  f.service.reply = [&](const platform::HTTPRequest&, auto&) {
    return json::encode(json::OrderedJson{
        {"token", newToken},
        {"user", {{"id", aiko.id}, {"name", aiko.name}, {"email", aiko.email}}}});
  };
  f.type("brelva-tavro://auth-callback?state=" + state + "&code=" + std::string(64, '7'));
  f.press(Key::of(Key::Kind::enter));
  f.waitForTask();
  EXPECT_TRUE(f.shows("Signed in as Aiko.")) << f.screen();
  EXPECT_EQ(readToken(tokenFile(f.paths.configFolder)), newToken);
}

TEST(AccountScreenTest, ExportedBackupIsImportedIntoAnotherArchiveOfTheAccount) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true, {attempt(1), attempt(2)});
  std::filesystem::path file = f.folder.path() / "backup.json";
  f.type("e");
  for (int i = 0; i < 200; ++i) f.press(Key::of(Key::Kind::backspace));
  f.type(file.string());
  f.press(Key::of(Key::Kind::enter));
  EXPECT_TRUE(f.shows("Exported 2 attempts"));
  TavroBackup exported = TavroBackup::decode(readFile(file));
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  // Never over something that is not a file, never into a folder it makes.
  for (const std::filesystem::path& target :
       {f.folder.path(), f.folder.path() / "missing" / "backup.json"}) {
    f.type("e");
    for (int i = 0; i < 200; ++i) f.press(Key::of(Key::Kind::backspace));
    f.type(target.string());
    f.press(Key::of(Key::Kind::enter));
    EXPECT_TRUE(f.shows("Not exported")) << target;
  }
  EXPECT_FALSE(std::filesystem::exists(f.folder.path() / "missing"));
  EXPECT_EQ(exported.validated(aiko.id).attempts().size(), 2u);
  EXPECT_EQ(exported.jlptLevel(), JLPTLevel::n5);
  EXPECT_FALSE(exported.kanaInput());

  // The backup carries the Japanese choices even while English is practised.
  f.press(Key::of(Key::Kind::escape));
  for (int i = 0; i < 5; ++i) f.press(Key::of(Key::Kind::up));  // Input
  f.press(Key::of(Key::Kind::right));                            // kana keys
  f.press(Key::of(Key::Kind::down));                             // JLPT level
  f.press(Key::of(Key::Kind::right));
  f.press(Key::of(Key::Kind::up));
  f.press(Key::of(Key::Kind::up));  // Language
  f.press(Key::of(Key::Kind::right));
  ASSERT_EQ(f.tutor->exercise(), Exercise::english) << f.screen();
  f.type("a");
  f.type("e");
  for (int i = 0; i < 200; ++i) f.press(Key::of(Key::Kind::backspace));
  f.type(file.string() + "2");
  f.press(Key::of(Key::Kind::enter));
  TavroBackup choices = TavroBackup::decode(readFile(file.string() + "2"));
  EXPECT_TRUE(choices.kanaInput());
  EXPECT_NE(choices.jlptLevel(), JLPTLevel::n5);
  EXPECT_EQ(choices.jlptLevel(), JLPTLevels::saved(f.preferences));

  // Another learner's archive on this machine takes the backup in.
  Fixture other(true, {attempt(3)});
  other.type("i");
  other.type(file.string());
  other.press(Key::of(Key::Kind::enter));
  EXPECT_TRUE(other.shows("Imported 2 new attempts"));
  EXPECT_EQ(Archive::read(other.paths.archive()).attempts.size(), 3u);
}

TEST(AccountScreenTest, BackupCarriesTheWeakKeysAndImportMergesThem) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true, {attempt(1)});
  Archive archive = Archive::read(f.paths.archive());
  archive.weakKeys = WeakKeyHistory{};
  for (int i = 0; i < 4; ++i) archive.weakKeys->record("romaji", "k", std::string_view("k"), i != 0);
  ASSERT_FALSE(saveArchive(archive, f.paths.archive()));
  f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
  f.press(Key::character("a"));
  std::filesystem::path file = f.folder.path() / "backup.json";
  f.type("e");
  for (int i = 0; i < 200; ++i) f.press(Key::of(Key::Kind::backspace));
  f.type(file.string());
  f.press(Key::of(Key::Kind::enter));
  TavroBackup exported = TavroBackup::decode(readFile(file));
  ASSERT_TRUE(exported.weakKeys());
  EXPECT_EQ(exported.weakKeys()->rankedKeys("romaji"), std::vector<std::string>{"k"});

  // A new computer's archive gets the weak-key round back.
  Fixture other(true);
  other.type("i");
  other.type(file.string());
  other.press(Key::of(Key::Kind::enter));
  ASSERT_TRUE(other.shows("Imported 1 new attempt from")) << other.screen();
  Archive restored = Archive::read(other.paths.archive());
  ASSERT_TRUE(restored.weakKeys);
  EXPECT_EQ(restored.weakKeys->rankedKeys("romaji"), std::vector<std::string>{"k"});
  // The same backup again adds nothing.
  other.type("i");
  other.type(file.string());
  other.press(Key::of(Key::Kind::enter));
  EXPECT_EQ(Archive::read(other.paths.archive()).encode(), restored.encode());
}

TEST(AccountScreenTest, BrowserCallbackAddressIsShownWholeOnItsOwnRow) {
  ASSERT_TRUE(utf8Locale);
  for (bool english : {true, false}) {
    SCOPED_TRACE(english ? "English" : "Japanese");
    Fixture f;
    f.preferences.set("interfaceEnglish", english);
    f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
    f.press(Key::character("a"));
    Frame frame(80, 24);
    f.tutor->render(frame, 1);
    bool whole = false;
    for (int row = 0; row < frame.height(); ++row) {
      std::string line = frame.line(row);
      line.erase(0, line.find_first_not_of(' '));
      whole = whole || line == std::string(AccountBrowserLogin::callbackURL) + "?...";
    }
    EXPECT_TRUE(whole) << frame.text();
  }
}

TEST(AccountScreenTest, BackupOfTheSameAccountInAnotherNormalFormIsImported) {
  ASSERT_TRUE(utf8Locale);
  // Signed in as "acct-é" (precomposed); the backup names the same account
  // with e and a combining acute, as another system may have written it.
  Fixture f(true, {attempt(1)}, AccountProfile("acct-\u00e9", "Andr\u00e9", "andre@example.com"));
  std::filesystem::path file = f.folder.path() / "backup.json";
  writeFile(file, TavroBackup("acct-e\u0301", {attempt(5)}, JLPTLevel::n5, false, Date{1}).encode());
  f.type("i");
  f.type(file.string());
  f.press(Key::of(Key::Kind::enter));
  EXPECT_TRUE(f.shows("Imported 1 new attempt from")) << f.screen();
  EXPECT_EQ(Archive::read(f.paths.archive()).attempts.size(), 2u);
}

TEST(AccountScreenTest, HostileBackupIsRefusedAndChangesNothing) {
  ASSERT_TRUE(utf8Locale);
  auto backup = [](std::string owner, std::vector<Attempt> list) {
    return TavroBackup(std::move(owner), std::move(list), JLPTLevel::n5, false, Date{1}).encode();
  };
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    std::string message;
  };
  const Case cases[] = {
      {"another account", [&](auto& p) { writeFile(p, backup("user-8", {attempt(5)})); },
       "belongs to another account"},
      {"two attempts with one id",
       [&](auto& p) { writeFile(p, backup(aiko.id, {attempt(5), attempt(5)})); },
       "breaks the limits of a backup"},
      {"truncated",
       [&](auto& p) {
         std::string whole = backup(aiko.id, {attempt(5)});
         writeFile(p, whole.substr(0, whole.size() / 2));
       },
       "is not a Tavro backup"},
      {"huge",
       [](auto& p) {
         writeFile(p, "");
         std::filesystem::resize_file(p, maximumBackupBytes + 1);
       },
       "is larger than 64 MiB"},
      {"a pipe", [](auto& p) { ::mkfifo(p.c_str(), 0600); }, "is not a regular file"},
      {"a folder", [](auto& p) { std::filesystem::create_directory(p); },
       "is not a regular file"},
      {"missing", [](auto&) {}, "is unreadable"},
      {"an attempt dated in 2127",
       [&](auto& p) {
         writeFile(p, backup(aiko.id, {Attempt(testing::numberedUuid(5), Date{4.0e9}, "romaji", 2,
                                               120, 4, 33.5)}));
       },
       "holds an attempt dated 2127-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(true, {attempt(1)});
    std::filesystem::path file = f.folder.path() / "hostile.json";
    c.make(file);
    std::string before = readFile(f.paths.archive());
    f.type("i");
    f.type(file.string());
    f.press(Key::of(Key::Kind::enter));
    std::string screen = f.screen();
    EXPECT_NE(screen.find(c.message), std::string::npos) << screen;
    EXPECT_NE(screen.find("Nothing was changed."), std::string::npos) << screen;
    EXPECT_EQ(readFile(f.paths.archive()), before);
    EXPECT_EQ(f.tutor->archive().attempts.size(), 1u);
  }
}

}  // namespace
}  // namespace tavro::terminal

namespace tavro::terminal {
namespace {

std::string backupOf(const AccountProfile& owner, std::vector<Attempt> list) {
  return TavroBackup(owner.id, std::move(list), JLPTLevel::n5, false, Date{1}).encode();
}

TEST(ArchiveBoundsTest, RefusesOnlyWhatTheTutorCouldNotReadBack) {
  Archive archive;
  for (std::uint64_t n = 1; n <= TavroBackup::maximumAttempts; ++n) archive.attempts.push_back(attempt(n));
  EXPECT_FALSE(archiveBeyondBounds(archive));
  archive.attempts.push_back(attempt(TavroBackup::maximumAttempts + 1));
  std::optional<TutorStrings::Message> refusal = archiveBeyondBounds(archive);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->text(),
            "This archive would have more attempts than a backup may hold (100001; at most "
            "100000).");

  // The encoded size counts to the byte: the read bound takes a file of
  // exactly its size.
  Archive small;
  small.attempts = {attempt(1), attempt(2)};
  const std::uintmax_t size = small.encode().size();
  EXPECT_FALSE(archiveBeyondBounds(small, {10, size}));
  refusal = archiveBeyondBounds(small, {10, size - 1});
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->text().find("more than the " + std::to_string(size - 1) + " bytes"),
            std::string::npos)
      << refusal->text();
}

TEST(AccountScreenTest, EveryPathThatGrowsTheArchiveStopsAtItsBounds) {
  ASSERT_TRUE(utf8Locale);
  enum class Path { round, import, sync };
  enum class Bound { count, bytes };
  struct Case {
    const char* name;
    Path path;
    Bound bound;
    std::string message;
  };
  const std::string count = "This archive would have more attempts than a backup may hold";
  const std::string bytes = "bytes the tutor reads back";
  const Case cases[] = {
      {"a round past the count", Path::round, Bound::count, "This round was not kept: " + count},
      {"a round past the size", Path::round, Bound::bytes, bytes},
      {"an import past the count", Path::import, Bound::count, count},
      {"an import past the size", Path::import, Bound::bytes, bytes},
      {"a sync past the count", Path::sync, Bound::count, count + " (3; at most 2). Nothing was changed."},
      {"a sync past the size", Path::sync, Bound::bytes, bytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(true, {attempt(1), attempt(2)});
    // Room for exactly what the archive holds now.
    Archive now = Archive::read(f.paths.archive());
    if (c.bound == Bound::count) {
      f.tutor->setArchiveBounds({2, maximumArchiveBytes});
    } else {
      f.tutor->setArchiveBounds({100, now.encode().size() + 20});
    }
    const std::string before = readFile(f.paths.archive());
    std::filesystem::path file = f.folder.path() / "backup.json";
    switch (c.path) {
      case Path::round: {
        f.press(Key::of(Key::Kind::escape));
        f.press(Key::of(Key::Kind::enter));
        double at = 10;
        typeRound(*f.tutor, at, "", 0);
        ASSERT_EQ(f.tutor->screen(), Tutor::Screen::results);
        EXPECT_FALSE(f.tutor->archive().weakKeys) << "weak keys of a refused round were kept";
        break;
      }
      case Path::import:
        writeFile(file, backupOf(aiko, {attempt(3)}));
        f.type("i");
        f.type(file.string());
        f.press(Key::of(Key::Kind::enter));
        EXPECT_TRUE(f.shows("Nothing was changed.")) << f.screen();
        break;
      case Path::sync:
        f.service.reply = [&](const platform::HTTPRequest& request, auto&) {
          if (request.method() == "GET") return page({attempt(3)});
          return json::encode(json::OrderedJson{
              {"accepted", {testing::numberedUuid(1).text(), testing::numberedUuid(2).text()}}});
        };
        f.type("y");
        f.waitForTask();
        EXPECT_FALSE(AccountState::load(f.preferences).lastSync);
        break;
    }
    std::string screen = f.screen();
    EXPECT_NE(screen.find(c.message), std::string::npos) << screen;
    EXPECT_EQ(readFile(f.paths.archive()), before);
    EXPECT_EQ(f.tutor->archive().attempts.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(attemptOwnersFile(f.paths.dataFolder)));
  }
}

TEST(AccountScreenTest, InvalidStoredProfileCountsAsSignedOut) {
  ASSERT_TRUE(utf8Locale);
  const AccountProfile profiles[] = {
      AccountProfile("", "Aiko", "aiko@example.com"),
      AccountProfile("user\t7", "Aiko", "aiko@example.com"),
      AccountProfile("user\u200b7", "Aiko", "aiko@example.com"),
      AccountProfile("user-7", "", "aiko@example.com"),
  };
  for (const AccountProfile& profile : profiles) {
    SCOPED_TRACE(profile.id + "/" + profile.name);
    Fixture f(true, {attempt(1)});
    AccountState(profile).save(f.preferences);
    f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
    f.tutor->setAccountService(f.service.maker());
    f.service.reply = [](const platform::HTTPRequest&, auto&) -> std::string {
      ADD_FAILURE() << "a request was sent";
      return "";
    };
    f.type("a");
    EXPECT_FALSE(f.tutor->signedIn());
    std::string screen = f.screen();
    EXPECT_NE(screen.find("Not signed in."), std::string::npos) << screen;
    EXPECT_NE(screen.find("The saved account profile is not valid"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Account id"), std::string::npos) << screen;
    // Neither Sync Now nor an export acts for it.
    f.type("y");
    EXPECT_FALSE(f.tutor->busy());
    f.type("e");
    f.press(Key::of(Key::Kind::enter));
    EXPECT_FALSE(std::filesystem::exists(f.folder.path() / "tavro-backup.json"));
  }
}

TEST(AccountScreenTest, LastSyncOutsideTheCalendarReadsAsNever) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    double seconds;  // since 2001-01-01
    std::string shown;
  };
  const Case cases[] = {
      {0, "Last sync   2001-01-01 00:00 UTC"},
      {1e300, "Last sync   never"},
      {-1e300, "Last sync   never"},
      {1e18, "Last sync   never"},
      {-1e18, "Last sync   never"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    Fixture f(true);
    AccountState(aiko, Date{c.seconds}).save(f.preferences);
    f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
    f.type("a");
    EXPECT_TRUE(f.shows(c.shown)) << f.screen();
  }
}

// Terminal controls of every kind, as a hostile service or record may send
// them in a name: OSC, CSI, a C1 control, a bidi override.
const std::string hostile = "Ev\x1b]0;pwned\x07il\x1b[2J \xc2\x9b" "31m \u202etxt.exe";

void expectNoControls(const std::string& screen) {
  EXPECT_EQ(screen.find('\x1b'), std::string::npos) << screen;
  EXPECT_EQ(screen.find('\x07'), std::string::npos) << screen;
  EXPECT_EQ(screen.find("\xc2\x9b"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("\u202e"), std::string::npos) << screen;
  EXPECT_NE(screen.find("\ufffd"), std::string::npos) << screen;
}

TEST(AccountScreenTest, TheQuestionOfWhoseScoresNamesBothAccountsWithoutTheirControls) {
  ASSERT_TRUE(utf8Locale);
  Fixture f(true, {attempt(1)});
  writeFile(attemptOwnersFile(f.paths.dataFolder),
            json::encode(json::OrderedJson{{"schemaVersion", 1},
                                           {"holder", {{"id", "acct-" + hostile}, {"name", hostile}}},
                                           {"accounts", json::OrderedJson::array()},
                                           {"keptApart", json::OrderedJson::array()}}));
  AccountState(AccountProfile("user-7", "Bob " + hostile, "")).save(f.preferences);
  f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
  f.type("a");
  std::string screen = f.screen();
  EXPECT_NE(screen.find("were last synced with Ev"), std::string::npos) << screen;
  EXPECT_NE(screen.find("not with Bob"), std::string::npos) << screen;
  expectNoControls(screen);
}

TEST(AccountScreenTest, ARecordOfOwnersThatCannotBeTrustedAsksOrStopsTheSync) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    std::string notice;    // on the home screen
    std::string onSync;    // on the account screen after y
    bool setAside;
  };
  const Case cases[] = {
      {"not JSON", [](auto& p) { writeFile(p, "{\"schemaVersion\":1,"); },
       "The record of whose scores are whose was damaged",
       "Keep this computer's scores out of your account", true},
      {"an attempt id that is none",
       [](auto& p) {
         writeFile(p, R"({"schemaVersion":1,"accounts":[{"id":"x","attempts":["nope"]}],"keptApart":[]})");
       },
       "The record of whose scores are whose was damaged",
       "Keep this computer's scores out of your account", true},
      {"a pipe", [](auto& p) { ::mkfifo(p.c_str(), 0600); }, "which tells whose scores are whose",
       "Sync Now is off this session", false},
      {"a folder", [](auto& p) { std::filesystem::create_directory(p); },
       "which tells whose scores are whose", "Sync Now is off this session", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(true, {attempt(1)});
    std::filesystem::path record = attemptOwnersFile(f.paths.dataFolder);
    c.make(record);
    f.service.reply = [](const platform::HTTPRequest&, auto&) -> std::string {
      ADD_FAILURE() << "a request was sent";
      return "";
    };
    f.tutor.emplace(f.paths, loadArchive(f.paths.archive()), f.preferences);
    f.tutor->setAccountService(f.service.maker());
    EXPECT_TRUE(f.shows(c.notice)) << f.screen();
    f.type("a");
    f.type("y");
    EXPECT_FALSE(f.tutor->busy());
    EXPECT_TRUE(f.shows(c.onSync)) << f.screen();
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(f.folder.path()))
      keptAside = keptAside || entry.path().filename().string().rfind("score-owners.json.damaged-", 0) == 0;
    EXPECT_EQ(keptAside, c.setAside);
  }
}

}  // namespace
}  // namespace tavro::terminal

namespace tavro::terminal {
namespace {

// Without an account the scores still go into a file and come back, tied to
// no account: nothing is claimed for whoever signs in next.
TEST(AccountScreenTest, LocalBackupIsExportedAndImportedWhileSignedOut) {
  ASSERT_TRUE(utf8Locale);
  Fixture home(false, {attempt(1), attempt(2)});
  ASSERT_TRUE(home.shows("e export · i import a backup")) << home.screen();
  std::filesystem::path file = home.folder.path() / "local-backup.json";
  home.type("e");
  ASSERT_TRUE(home.shows("Export the scores to this file (Enter):")) << home.screen();
  for (int i = 0; i < 200; ++i) home.press(Key::of(Key::Kind::backspace));
  home.type(file.string());
  home.press(Key::of(Key::Kind::enter));
  ASSERT_TRUE(home.shows("Exported 2 attempts to")) << home.screen();
  TavroBackup exported = TavroBackup::decode(readFile(file));
  EXPECT_EQ(exported.ownerID(), "");
  EXPECT_EQ(exported.attempts().size(), 2u);
  // Back on the token field, which still takes a token.
  EXPECT_TRUE(home.shows("Token or address:")) << home.screen();

  struct Case {
    const char* name;
    bool signedIn;
    std::string owner;  // of the backup imported
    std::vector<Attempt> attempts;
    std::string message;
    std::size_t claimed;  // of aiko's attempts afterwards
  };
  const Case cases[] = {
      {"a local backup, signed out", false, "", exported.attempts(),
       "Imported 2 new attempts from", 0},
      {"an account's backup, signed out", false, aiko.id, {attempt(7)},
       "Imported 1 new attempt from", 0},
      {"a local backup, signed in", true, "", {attempt(7)}, "Imported 1 new attempt from", 0},
      {"the account's own backup, signed in", true, aiko.id, {attempt(7)},
       "Imported 1 new attempt from", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture other(c.signedIn);
    std::filesystem::path backupFile = other.folder.path() / "backup.json";
    writeFile(backupFile,
              TavroBackup(c.owner, c.attempts, JLPTLevel::n5, false, Date{1}).encode());
    other.type("i");
    other.type(backupFile.string());
    other.press(Key::of(Key::Kind::enter));
    EXPECT_TRUE(other.shows(c.message)) << other.screen();
    EXPECT_EQ(Archive::read(other.paths.archive()).attempts.size(), c.attempts.size());
    // Claimed attempts are aiko's whoever holds the others; unclaimed ones
    // would be hers only as the first account to sync.
    AttemptOwners owners = other.tutor->attemptOwners();
    owners.synced(AccountProfile("user-9", "Ben", ""), {});
    EXPECT_EQ(owners.attemptsOf(aiko.id, other.tutor->archive().attempts).size(), c.claimed);
  }
}

}  // namespace
}  // namespace tavro::terminal
