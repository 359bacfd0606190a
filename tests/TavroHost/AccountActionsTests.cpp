// The account operations as the desktop tutor calls them, without any
// screen: imports refused with nothing changed, a local backup exported
// while signed out, and token stores that fail to keep or forget a token.
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "TavroHost/AccountActions.h"
#include "TavroHost/AccountFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace tavro {
namespace {

using testing::numberedUuid;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

const std::string sessionToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const AccountProfile aiko("user-7", "Aiko", "aiko@example.com");

Attempt attempt(std::uint64_t n, Date date = Date{1000.0}) {
  return Attempt(numberedUuid(n), Date{date.secondsSinceReferenceDate + static_cast<double>(n)},
                 "romaji", 2, 120, 4, 33.5);
}

// A token store whose write or remove fails the way a locked keyring does.
class RefusingTokenStore : public TokenStore {
 public:
  bool refuseWrite = false;
  bool refuseRemove = false;
  std::optional<std::string> kept;

  std::optional<std::string> read() override { return kept; }
  std::optional<std::string> write(const std::string& token) override {
    if (refuseWrite) return "the keyring is locked";
    kept = token;
    return std::nullopt;
  }
  std::optional<std::string> remove() override {
    if (refuseRemove) return "the keyring is locked";
    kept.reset();
    return std::nullopt;
  }
  HostMessage where() const override { return HostMessage("the keyring"); }
};

// A tutor's state as a host keeps it: the archive with weak keys, the record
// of owners, both saved; signed in as Aiko when asked.
struct Host {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  Archive archive;
  Archive base;
  AccountState account;
  bool invalidProfile = false;
  std::optional<std::string> token;
  AttemptOwners owners;
  RefusingTokenStore tokens;
  AccountBrowserSession browser;

  explicit Host(bool signedIn) {
    archive.attempts = {attempt(1), attempt(2), attempt(3)};
    archive.weakKeys = WeakKeyHistory{};
    archive.weakKeys->modes["romaji"]["k"] = KeyPerformance{20, 3};
    if (signedIn) {
      account = AccountState(aiko);
      account.save(preferences);
      token = sessionToken;
      tokens.kept = sessionToken;
      // Attempt 3 is another account's, made on this computer.
      owners.claim(aiko.id, {attempt(1), attempt(2)});
      owners.claim("user-9", {attempt(3)});
    }
    EXPECT_FALSE(saveArchive(archive, paths.archive()));
    base = archive;
    EXPECT_FALSE(saveAttemptOwners(owners, archive.attempts, attemptOwnersFile(paths.dataFolder)));
  }

  AccountContext context() {
    return AccountContext{
        .paths = paths,
        .preferences = preferences,
        .archive = archive,
        .account = account,
        .invalidProfile = invalidProfile,
        .token = token,
        .owners = owners,
        .tokens = tokens,
        .browser = browser,
        .ownersUsable = true,
        .canSave = true,
        .bounds = {},
        .level = JLPTLevel::n5,
        .kanaInput = false,
        .saveShared = [this] { return saveSharedArchive(archive, base, paths.archive()); },
        .keepPreference = [](const std::function<void()>& change) { change(); },
        .dateText = [](const Date&) { return std::string("that day"); },
    };
  }

  // Everything an import may change, in memory and on disk.
  std::string snapshot() const {
    std::string all;
    for (const Attempt& a : archive.attempts) all += a.json().dump() + "\n";
    all += archive.weakKeys ? archive.weakKeys->json().dump() : "no weak keys";
    for (const std::string& part : {owners.encode(archive.attempts), readFile(paths.archive()),
                                    readFile(attemptOwnersFile(paths.dataFolder))})
      all.append("\n").append(part);
    return all;
  }
};

TEST(AccountImport, EveryRefusalLeavesArchiveWeakKeysAndOwnersAsTheyWere) {
  Date now = Date::now();
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    const char* refusal;  // the message's English pattern
    ArchiveBounds bounds = {};
  };
  const Case cases[] = {
      {"a FIFO", [](auto& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); },
       "Not imported: {1} is not a regular file. Nothing was changed."},
      {"larger than a backup may be",
       [](auto& file) {
         writeFile(file, "{");
         std::filesystem::resize_file(file, maximumBackupBytes + 1);  // sparse: no disk used
       },
       "Not imported: {1} is larger than {2} MiB. Nothing was changed."},
      {"another account's backup",
       [](auto& file) {
         writeFile(file, TavroBackup("user-9", {attempt(40)}, JLPTLevel::n5, false, Date{5000.0}).encode());
       },
       "Not imported: {1} belongs to another account. Nothing was changed."},
      {"damaged bytes",
       [](auto& file) {
         std::string bytes = TavroBackup(aiko.id, {attempt(41)}, JLPTLevel::n5, false, Date{5000.0}).encode();
         writeFile(file, bytes.substr(0, bytes.size() / 2));
       },
       "Not imported: {1} is not a Tavro backup (damaged, truncated or another kind of file). "
       "Nothing was changed."},
      {"an attempt two days ahead",
       [now](auto& file) {
         Date ahead{now.secondsSinceReferenceDate + 2 * 24 * 60 * 60};
         writeFile(file, TavroBackup(aiko.id, {attempt(42), attempt(43, ahead)}, JLPTLevel::n5, false,
                                     Date{5000.0})
                             .encode());
       },
       "Not imported: {1} holds an attempt dated {2}, in the future. Nothing was changed."},
      // Refused after the merge: attempts and weak keys must be put back.
      {"one attempt beyond the archive's bounds",
       [](auto& file) {
         TavroBackup backup(aiko.id, {attempt(44)}, JLPTLevel::n5, false, Date{5000.0});
         WeakKeyHistory weak;
         weak.modes["romaji"]["j"] = KeyPerformance{7, 7};
         backup.setWeakKeys(weak);
         writeFile(file, backup.encode());
       },
       "Not imported: {1}: {2} Nothing was changed.", ArchiveBounds{.attempts = 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host host(true);
    std::filesystem::path file = host.folder / "backup.json";
    c.make(file);
    std::string before = host.snapshot();
    AccountContext context = host.context();
    context.bounds = c.bounds;
    AccountOutcome outcome = AccountActions::importBackup(context, file.string());
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.message.pattern, c.refusal);
    EXPECT_EQ(host.snapshot(), before);
  }
}

TEST(AccountImport, ABackupOfTheSignedInAccountJoinsTheScoresAndIsClaimed) {
  // The counterpart of the refusals: the same host takes a good backup in.
  Host host(true);
  std::filesystem::path file = host.folder / "backup.json";
  writeFile(file, TavroBackup(aiko.id, {attempt(50)}, JLPTLevel::n5, false, Date{5000.0}).encode());
  AccountContext context = host.context();
  AccountOutcome outcome = AccountActions::importBackup(context, file.string());
  EXPECT_FALSE(outcome.failed) << outcome.message.text();
  EXPECT_EQ(outcome.message.text(), "Imported 1 new attempt from " + file.string() + ".");
  EXPECT_EQ(Archive::read(host.paths.archive()).attempts.size(), 4u);
  EXPECT_EQ(host.owners.attemptsOf(aiko.id, host.archive.attempts).size(), 3u);
}

TEST(AccountExport, SignedOutEveryLocalAttemptGoesIntoABackupOfNoAccount) {
  Host host(true);
  // Signed out, though another account's attempts are on record here.
  host.token.reset();
  host.account = AccountState();
  std::filesystem::path file = host.folder / "local-backup.json";
  AccountContext context = host.context();
  AccountOutcome outcome = AccountActions::exportBackup(context, file.string());
  ASSERT_FALSE(outcome.failed) << outcome.message.text();
  EXPECT_EQ(outcome.message.text(),
            "Exported 3 attempts to " + file.string() + " (readable by you alone).");
  TavroBackup backup = TavroBackup::decode(readFile(file));
  EXPECT_EQ(backup.ownerID(), "");
  EXPECT_EQ(backup.attempts().size(), 3u);
  EXPECT_EQ(backup.weakKeys(), host.archive.weakKeys);
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(AccountTokenStore, AStoreThatCannotKeepTheTokenLeavesTheAccountSignedOut) {
  Host host(false);
  host.tokens.refuseWrite = true;
  AccountContext context = host.context();
  try {
    AccountActions::completeSignIn(context, sessionToken, aiko);
    FAIL() << "signed in without a kept token";
  } catch (const AccountRefusal& refusal) {
    EXPECT_EQ(refusal.message().text(),
              "could not keep the session token in the keyring (the keyring is locked)");
    EXPECT_EQ(std::string(refusal.what()).find(sessionToken), std::string::npos);
  }
  EXPECT_FALSE(host.context().signedIn());
  EXPECT_FALSE(host.token);
  EXPECT_FALSE(host.account.profile);
  EXPECT_FALSE(AccountState::load(host.preferences).profile);
  EXPECT_FALSE(host.tokens.kept);
}

TEST(AccountTokenStore, SigningOutFromAStoreThatCannotForgetSaysSoAndStillSignsOut) {
  Host host(true);
  host.tokens.refuseRemove = true;
  AccountContext context = host.context();
  AccountOutcome outcome = AccountActions::signOut(context);
  EXPECT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.message.text(),
            "Signed out; the session token was removed. The token file the keyring could not be "
            "removed (the keyring is locked); remove it yourself.");
  EXPECT_FALSE(host.context().signedIn());
  EXPECT_FALSE(AccountState::load(host.preferences).profile);
}

}  // namespace
}  // namespace tavro
