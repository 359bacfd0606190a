// The account screen against the reference account service over loopback
// HTTPS, through the same libcurl transport the tutor uses: keys go in
// through the screen model, and what it did is read back from the frame, the
// archive and token files on disk, and the service's own store.
#include "ReferenceAccountService/ServiceFixture.h"
#include "TavroHost/AccountFiles.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/HTTPTransport.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

namespace tavro::terminal {
namespace {

using reference::ReferenceAccountService;
using Fault = ReferenceAccountService::Fault;
using Target = ReferenceAccountService::Target;
using tavro::testing::readFile;
using tavro::testing::ServiceFixture;
using tavro::testing::TemporaryDirectory;

std::vector<Attempt> attempts(std::uint64_t first, std::size_t count, const std::string& mode) {
  std::vector<Attempt> list;
  for (std::size_t i = 0; i < count; ++i)
    list.emplace_back(testing::numberedUuid(first + i), Date{1000.0 + static_cast<double>(first + i)}, mode,
                      static_cast<std::int64_t>(1 + i % 6), 120, 4, 33.5);
  return list;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// One learner's tutor on this machine: its own folders and preferences, and
// account operations sent over the transport to the fixture's service.
class Learner {
 public:
  Learner(ServiceFixture& fixture, const std::vector<Attempt>& local) : fixture_(fixture) {
    preferences.set(FirstLaunchSetup::completedKey, true);
    Archive archive;
    archive.attempts = local;
    EXPECT_FALSE(saveArchive(archive, paths.archive()));
    start();
  }

  // A new tutor over the same folders and preferences, as on the next run.
  void start() {
    tutor.reset();
    tutor.emplace(paths, loadArchive(paths.archive()), preferences);
    tutor->setAccountService([this](std::function<bool()> cancelled) {
      platform::HTTPTransport::Options options = fixture_.transportOptions();
      options.cancelled = std::move(cancelled);
      return TavroCloudSync::fetchThrough(platform::HTTPTransport(std::move(options)));
    });
    press(Key::character("a"));
  }

  void press(const Key& key) { tutor->handle(key, 1); }
  void type(const std::string& text) { press(Key::character(text)); }

  // Lets the operation on the worker thread finish and takes its result in,
  // as the terminal loop does before each redraw.
  void waitForTask() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (tutor->busy() && std::chrono::steady_clock::now() < deadline) {
      tutor->tick();
      std::this_thread::yield();
    }
    ASSERT_FALSE(tutor->busy()) << "the account operation did not finish";
  }

  std::string screen() {
    tutor->render(frame, 1);
    return frame.text();
  }

  // Pastes `token`, presses Enter and waits for the sign-in.
  std::string signIn(const std::string& token) {
    type(token);
    press(Key::of(Key::Kind::enter));
    waitForTask();
    return screen();
  }

  // Presses `key` on the signed-in account screen and waits for what it started.
  std::string run(const std::string& key) {
    type(key);
    waitForTask();
    return screen();
  }

  std::filesystem::path tokenPath() const { return tokenFile(paths.configFolder); }

  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  std::optional<Tutor> tutor;
  Frame frame{250, 40};  // wide enough that no message wraps

 private:
  ServiceFixture& fixture_;
};

class AccountScreenOverHTTPSTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(utf8Locale); }

  // A new account on the service with `remote` attempts and a session token
  // for this device.
  std::string addAccount(const AccountProfile& profile, const std::vector<Attempt>& remote) {
    fixture.service().store().addAccount(profile);
    if (!remote.empty()) fixture.service().store().store(profile.id, remote);
    return fixture.service().store().issueToken(profile.id, "This Laptop");
  }

  // After a whole sync: the service and the archive on disk hold the same
  // attempts, each once; every local attempt is on disk in its local form,
  // and every other one in the service's form.
  void expectBothSidesHold(const Learner& learner, const std::string& accountID,
                           const std::vector<Attempt>& local, const std::vector<Attempt>& remote) {
    std::vector<Attempt> onDisk = Archive::read(learner.paths.archive()).attempts;
    std::map<Uuid, std::string> disk, held;
    for (const Attempt& a : onDisk) disk[a.id()] = a.encode();
    for (const Attempt& a : fixture.service().store().attempts(accountID))
      held[a.id()] = a.encode();
    ASSERT_EQ(disk.size(), onDisk.size()) << "an attempt is on disk twice";

    std::map<Uuid, std::string> expected;
    for (const Attempt& a : remote) expected[a.id()] = a.encode();
    for (const Attempt& a : local) expected[a.id()] = a.encode();
    EXPECT_EQ(disk, expected);
    ASSERT_EQ(held.size(), expected.size());
    for (const auto& [id, form] : held) EXPECT_TRUE(expected.count(id)) << id.text();
    for (const Attempt& a : local) {
      bool alsoRemote = false;
      for (const Attempt& r : remote) alsoRemote = alsoRemote || r.id() == a.id();
      if (!alsoRemote) {
        EXPECT_EQ(held[a.id()], a.encode()) << "uploaded in another form";
      }
    }
  }

  ServiceFixture fixture;
};

TEST_F(AccountScreenOverHTTPSTest, SignsInWithATokenShowsTheProfileAndSignsOut) {
  const AccountProfile aiko("acct-sign-in", "Aiko", "aiko@example.com");
  const std::string token = addAccount(aiko, {});
  Learner learner(fixture, {});
  ASSERT_NE(learner.screen().find("Not signed in."), std::string::npos);

  // A well-formed token the service does not know: refused, nothing kept.
  std::string screen = learner.signIn(std::string(64, 'a'));
  EXPECT_NE(screen.find("Sign-in failed: HTTP 401 /api/downloader/profile: The session is not "
                        "valid. Sign in again."),
            std::string::npos)
      << screen;
  EXPECT_FALSE(std::filesystem::exists(learner.tokenPath()));

  screen = learner.signIn(token);
  EXPECT_NE(screen.find("Signed in as Aiko."), std::string::npos) << screen;
  EXPECT_NE(screen.find("Name        Aiko"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Email       aiko@example.com"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Account id  acct-sign-in"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Last sync   never"), std::string::npos) << screen;
  EXPECT_EQ(screen.find(token.substr(0, 16)), std::string::npos) << "the token is on the screen";
  EXPECT_EQ(readToken(learner.tokenPath()), token);

  // The next run is signed in from the token file alone.
  learner.start();
  EXPECT_NE(learner.screen().find("Account id  acct-sign-in"), std::string::npos);

  learner.type("o");
  screen = learner.screen();
  EXPECT_NE(screen.find("Signed out; the session token was removed."), std::string::npos) << screen;
  EXPECT_NE(screen.find("Not signed in."), std::string::npos) << screen;
  EXPECT_FALSE(std::filesystem::exists(learner.tokenPath()));
  learner.start();
  EXPECT_NE(learner.screen().find("Not signed in."), std::string::npos);
}

TEST_F(AccountScreenOverHTTPSTest, SyncNowUploadsLocalAttemptsAndDownloadsTheAccounts) {
  const AccountProfile aiko("acct-sync", "Aiko", "aiko@example.com");
  // Two pages to download and two batches to upload; one attempt is on both
  // sides, recorded differently.
  std::vector<Attempt> remote = attempts(1, 600, "romaji");
  std::vector<Attempt> local = attempts(10'000, 150, "english");
  local.push_back(attempts(7, 1, "nepaliRomanized")[0]);
  const std::string token = addAccount(aiko, remote);
  Learner learner(fixture, local);
  learner.signIn(token);

  std::string screen = learner.run("y");
  EXPECT_NE(screen.find("Synced: 750 attempts, 599 new from the account service."),
            std::string::npos)
      << screen;
  EXPECT_EQ(screen.find("Last sync   never"), std::string::npos) << screen;
  expectBothSidesHold(learner, aiko.id, local, remote);

  // A second sync finds nothing new on either side.
  screen = learner.run("y");
  EXPECT_NE(screen.find("Synced: 750 attempts, 0 new from the account service."), std::string::npos)
      << screen;
  expectBothSidesHold(learner, aiko.id, local, remote);

  // What another device uploaded meanwhile arrives on the next sync.
  std::vector<Attempt> later = attempts(20'000, 3, "romaji");
  fixture.service().store().store(aiko.id, later);
  screen = learner.run("y");
  EXPECT_NE(screen.find("Synced: 753 attempts, 3 new from the account service."), std::string::npos)
      << screen;
  remote.insert(remote.end(), later.begin(), later.end());
  expectBothSidesHold(learner, aiko.id, local, remote);
}

TEST_F(AccountScreenOverHTTPSTest, SyncEndedByAFaultSaysWhyAndLeavesTheArchiveOnDiskAsItWas) {
  struct Case {
    const char* name;
    Fault fault;
    Target target;
    std::string message;  // the start of the line on the screen
    bool signsOut;
  };
  // Each fault comes on the second page or the second upload, once the sync
  // has made progress it must not keep.
  const Case cases[] = {
      {"500 HTML on a page", Fault::serverErrorHTML, Target::page,
       "Sync failed: HTTP 500 /api/downloader/tavro/sync: The service returned a non-JSON error "
       "response.",
       false},
      {"428 on an upload", Fault::securityCheck, Target::upload,
       "Sync failed: HTTP 428 /api/downloader/tavro/sync: A security check is required. "
       "Reference: SEC-428",
       false},
      {"reset on a page", Fault::connectionReset, Target::page,
       "Sync failed: Could not reach the account service: HTTP request failed: the connection "
       "closed before a reply; the request may have arrived, so it was not sent again",
       false},
      {"acknowledgement cut short", Fault::truncatedBody, Target::upload,
       "Sync failed: Could not reach the account service: HTTP request failed: the connection was "
       "reset or the reply ended early",
       false},
      {"acknowledgement missing an identifier", Fault::acknowledgementMissingID, Target::upload,
       "Sync failed: " + std::string(TavroCloudSync::unconfirmedMessage), false},
      {"page of another account", Fault::foreignPage, Target::page,
       "Sync failed: The account service sent data that does not belong to this account or "
       "breaks a limit; nothing was changed.",
       false},
      {"page over 128,000 bytes", Fault::oversizedPage, Target::page,
       "Sync failed: Invalid account JSON response", false},
      {"session refused on a page", Fault::unauthorized, Target::page,
       "Sync failed: HTTP 401 /api/downloader/tavro/sync: The session has expired. Sign in "
       "again. You are signed out; sign in again.",
       true},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AccountProfile account("acct-fault-" + std::to_string(++number), "Aiko",
                                 "aiko@example.com");
    const std::uint64_t base = static_cast<std::uint64_t>(number) * 100'000;
    std::vector<Attempt> remote = attempts(base, 600, "romaji");
    std::vector<Attempt> local = attempts(base + 50'000, 150, "english");
    const std::string token = addAccount(account, remote);
    Learner learner(fixture, local);
    learner.signIn(token);
    const std::string before = readFile(learner.paths.archive());

    fixture.service().injectFault(c.fault, c.target, 1);
    std::string screen = learner.run("y");
    EXPECT_EQ(fixture.service().pendingFaults(), 0u) << "the fault was never served";
    EXPECT_NE(screen.find(c.message), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Synced:"), std::string::npos) << screen;
    EXPECT_EQ(readFile(learner.paths.archive()), before);
    if (c.signsOut) {
      EXPECT_NE(screen.find("Not signed in."), std::string::npos) << screen;
      EXPECT_FALSE(std::filesystem::exists(learner.tokenPath()));
    } else {
      EXPECT_NE(screen.find("Last sync   never"), std::string::npos) << screen;
      EXPECT_EQ(readToken(learner.tokenPath()), token);
    }

    // Nothing of the failed sync is lost or left half done: a clean one
    // after it ends with both sides whole.
    if (c.signsOut) learner.signIn(token);
    screen = learner.run("y");
    EXPECT_NE(screen.find("Synced: 750 attempts, 600 new from the account service."),
              std::string::npos)
        << screen;
    expectBothSidesHold(learner, account.id, local, remote);
  }
}

// The ids of `list`, for comparing whose attempts are where.
std::set<Uuid> ids(const std::vector<Attempt>& list) {
  std::set<Uuid> result;
  for (const Attempt& a : list) result.insert(a.id());
  return result;
}

std::set<Uuid> joined(std::initializer_list<std::set<Uuid>> sets) {
  std::set<Uuid> result;
  for (const std::set<Uuid>& set : sets) result.insert(set.begin(), set.end());
  return result;
}

// Plays round 1 from the account screen and comes back to it; the id of
// the attempt it added.
Uuid practise(Learner& learner) {
  learner.press(Key::of(Key::Kind::escape));
  if (learner.tutor->screen() != Tutor::Screen::home) learner.press(Key::of(Key::Kind::escape));
  learner.press(Key::of(Key::Kind::enter));
  double now = 10;
  typeRound(*learner.tutor, now, "", 0);
  EXPECT_EQ(learner.tutor->screen(), Tutor::Screen::results);
  Uuid id = learner.tutor->archive().attempts.back().id();
  learner.tutor->handle(Key::character("h"), now);
  learner.type("a");
  return id;
}

TEST_F(AccountScreenOverHTTPSTest, OneComputerTwoAccountsKeepsEachAccountsScoresApart) {
  const AccountProfile alice("acct-alice", "Alice", "alice@example.com");
  const AccountProfile bob("acct-bob", "Bob", "bob@example.com");
  struct Case {
    const char* name;
    Key answer;
    bool added;
  };
  const Case cases[] = {
      {"Enter keeps them out", Key::of(Key::Kind::enter), false},
      {"m adds them", Key::character("m"), true},
  };
  std::uint64_t base = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    base += 100'000;
    const AccountProfile a(alice.id + std::to_string(base), alice.name, alice.email);
    const AccountProfile b(bob.id + std::to_string(base), bob.name, bob.email);
    const std::vector<Attempt> aliceRemote = attempts(base + 1, 3, "romaji");
    const std::vector<Attempt> bobRemote = attempts(base + 100, 2, "english");
    const std::vector<Attempt> before = attempts(base + 200, 4, "romaji");  // nobody synced yet
    const std::string aliceToken = addAccount(a, aliceRemote);
    const std::string bobToken = addAccount(b, bobRemote);
    Learner learner(fixture, before);

    learner.signIn(aliceToken);
    EXPECT_NE(learner.run("y").find("Synced:"), std::string::npos) << learner.screen();
    learner.type("o");
    // Played signed out after Alice's sync: this computer's, so Alice's.
    const Uuid signedOutRound = practise(learner);

    std::string screen = learner.signIn(bobToken);
    EXPECT_NE(screen.find("The scores on this computer were last synced with Alice (account id " +
                          a.id + "), not with Bob."),
              std::string::npos)
        << screen;
    // Sync Now waits for the answer.
    learner.type("y");
    EXPECT_FALSE(learner.tutor->busy());
    learner.press(c.answer);
    const Uuid bobRound = practise(learner);
    screen = learner.run("y");
    EXPECT_NE(screen.find("Synced:"), std::string::npos) << screen;

    const std::set<Uuid> alicesOwn =
        joined({ids(aliceRemote), ids(before), {signedOutRound}});
    const std::set<Uuid> bobsOwn = joined({ids(bobRemote), {bobRound}});
    EXPECT_EQ(ids(fixture.service().store().attempts(b.id)),
              c.added ? joined({alicesOwn, bobsOwn}) : bobsOwn);

    // Alice back on this computer: asked again, as Bob holds the scores now.
    learner.type("o");
    screen = learner.signIn(aliceToken);
    EXPECT_NE(screen.find("last synced with Bob"), std::string::npos) << screen;
    learner.press(Key::of(Key::Kind::enter));
    EXPECT_NE(learner.run("y").find("Synced:"), std::string::npos) << learner.screen();
    EXPECT_EQ(ids(fixture.service().store().attempts(a.id)), alicesOwn);
    // Every attempt of both accounts is on this computer.
    EXPECT_EQ(ids(Archive::read(learner.paths.archive()).attempts), joined({alicesOwn, bobsOwn}));

    // A later start remembers whose is whose: no question, nothing moves.
    learner.start();
    EXPECT_EQ(learner.screen().find("last synced with"), std::string::npos) << learner.screen();
    learner.run("y");
    EXPECT_EQ(ids(fixture.service().store().attempts(a.id)), alicesOwn);
  }
}

TEST_F(AccountScreenOverHTTPSTest, ListsTheDevicesSignedInToTheAccountOnly) {
  const AccountProfile aiko("acct-devices", "Aiko", "aiko@example.com");
  const std::string token = addAccount(aiko, {});
  fixture.service().store().issueToken(aiko.id, "Desk Mac");
  fixture.service().store().issueToken(aiko.id, "Travel Mac");
  fixture.service().store().addAccount(AccountProfile("acct-other", "Ren", "ren@example.com"));
  fixture.service().store().issueToken("acct-other", "Ren's Mac");
  Learner learner(fixture, {});
  learner.signIn(token);

  std::string screen = learner.run("d");
  EXPECT_NE(screen.find("Devices signed in (3):"), std::string::npos) << screen;
  EXPECT_EQ(occurrences(screen, "BRELVA Tavro · macOS · last seen 20"), 3u) << screen;
  EXPECT_EQ(occurrences(screen, "(this one)"), 1u) << screen;
  EXPECT_EQ(screen.find("failed"), std::string::npos) << screen;

  // Signing out here takes the list away with the session.
  learner.type("o");
  screen = learner.screen();
  EXPECT_EQ(screen.find("Devices signed in"), std::string::npos) << screen;
  EXPECT_FALSE(std::filesystem::exists(learner.tokenPath()));
}

}  // namespace
}  // namespace tavro::terminal
