// Sign-in and sessions on the reference service: the whole browser flow as
// the tutor runs it, and what the service's files keep of a session.
#include "ServiceFixture.h"
#include "common/TestSupport.h"

#include "ReferenceAccountService/ServiceStore.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>
#include <boost/url/url.hpp>

#include <sqlite3.h>
#include <sys/stat.h>

#include <functional>

namespace tavro {
namespace {

const AccountProfile account("acct-sign-in", "Aiko", "aiko@example.com");

TEST(BrowserSignIn, ACodeFromTheServiceTravelsThroughTheCallbackAndSignsIn) {
  testing::ServiceFixture fixture;
  fixture.service().store().addAccount(account);
  const std::string verifier = "verifier-" + std::string(48, 'v');
  AccountBrowserSession session;
  session.begin(AccountBrowserLogin("state é&=#1", verifier, Date::now()));

  // The browser: opens the sign-in page the tutor built, the service makes
  // a code for the page's challenge, and the page sends the browser to the
  // callback with the state and the code.
  boost::urls::url page = session.pending()->url();
  std::string state, challenge;
  for (auto param : page.params()) {
    if (param.key == "state") state = param.value;
    if (param.key == "challenge") challenge = param.value;
  }
  ASSERT_EQ(challenge, AccountBrowserLogin::challenge(verifier));
  const std::string code = fixture.service().store().addSignInCodeForChallenge(account.id, challenge);
  boost::urls::url callback(AccountBrowserLogin::callbackURL);
  callback.params().append({"state", state});
  callback.params().append({"code", code});

  // The tutor: takes the code from the callback, exchanges it over HTTPS and
  // reads the profile with the token it got.
  std::optional<AccountSignInCode> signIn = session.consume(callback.buffer(), Date::now());
  ASSERT_TRUE(signIn) << callback.buffer();
  platform::HTTPTransport transport(fixture.transportOptions());
  platform::HTTPReply exchange =
      transport.perform(AccountService::exchangeRequest(signIn->code, signIn->verifier));
  ASSERT_EQ(exchange.status, 200) << exchange.body;
  AccountService::ExchangeReply reply = AccountService::decodeExchange(exchange.body, Date::now());
  EXPECT_EQ(reply.user, account);
  platform::HTTPReply profile = transport.perform(AccountService::profileRequest(reply.token));
  ASSERT_EQ(profile.status, 200);
  EXPECT_EQ(AccountService::decodeProfile(profile.body, std::nullopt, Date::now()), account);

  // A code is bound to its challenge: another verifier gets nothing (and
  // uses the code up).
  const std::string other = fixture.service().store().addSignInCodeForChallenge(account.id, challenge);
  EXPECT_EQ(transport.perform(AccountService::exchangeRequest(other, verifier + "x")).status, 400);
  EXPECT_EQ(transport.perform(AccountService::exchangeRequest(other, verifier)).status, 400);
}

// An older service's database: session tokens in clear, readable by all.
void writeOlderDatabase(const std::filesystem::path& file, const std::string& token) {
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  const std::string sql =
      "PRAGMA journal_mode=WAL;"
      "CREATE TABLE accounts (id TEXT PRIMARY KEY, name TEXT NOT NULL, email TEXT NOT NULL);"
      "CREATE TABLE codes (code TEXT PRIMARY KEY, account TEXT NOT NULL, verifier TEXT NOT NULL);"
      "CREATE TABLE tokens (token TEXT PRIMARY KEY, account TEXT NOT NULL, device TEXT NOT NULL,"
      " device_id TEXT NOT NULL, login_at TEXT NOT NULL, last_seen TEXT NOT NULL);"
      "INSERT INTO accounts VALUES ('" + account.id + "', 'Aiko', 'aiko@example.com');"
      "INSERT INTO tokens VALUES ('" + token + "', '" + account.id +
      "', 'Old Mac', 'dev-1', '2024-01-01T00:00:00Z', '2024-01-01T00:00:00Z');";
  EXPECT_EQ(sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(database);
  ::chmod(file.c_str(), 0644);
}

TEST(ServiceStoreFiles, AreTheOwnersAloneAndHoldNoSessionToken) {
  struct Case {
    const char* name;
    // Prepares the file; returns a token signed in before the store opens.
    std::function<std::string(const std::filesystem::path&)> prepare;
  };
  const Case cases[] = {
      {"new database", [](const std::filesystem::path&) { return std::string(); }},
      {"older database",
       [](const std::filesystem::path& file) {
         std::string token(64, 'c');
         writeOlderDatabase(file, token);
         return token;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TemporaryDirectory directory;
    const std::filesystem::path file = directory.path() / "service.sqlite";
    std::string olderToken = c.prepare(file);
    reference::ServiceStore store(file);
    if (olderToken.empty()) store.addAccount(account);
    const std::string token = store.issueToken(account.id, "Test Mac");
    for (const std::string& signedIn : {token, olderToken}) {
      if (signedIn.empty()) continue;
      EXPECT_EQ(store.accountOfToken(signedIn), account);
    }
    EXPECT_EQ(store.accountOfToken(std::string(64, 'f')), std::nullopt);
    EXPECT_EQ(store.devices(account.id, token).size(), olderToken.empty() ? 1u : 2u);

    for (const char* suffix : {"", "-wal", "-shm"}) {
      const std::filesystem::path path = file.string() + suffix;
      struct stat status {};
      ASSERT_EQ(::stat(path.c_str(), &status), 0) << path;
      EXPECT_EQ(status.st_mode & 0777, 0600u) << path;
      if (std::string(suffix) == "-shm") continue;  // an index, never rows
      const std::string bytes = testing::readFile(path);
      EXPECT_EQ(bytes.find(token), std::string::npos) << path;
      if (!olderToken.empty()) {
        EXPECT_EQ(bytes.find(olderToken), std::string::npos) << path;
      }
    }
  }
}

}  // namespace
}  // namespace tavro
