// Whole syncs over loopback HTTPS against the reference service. For every
// fault the service can inject: a sync that fails, then a clean one, then
// both sides compared attempt by attempt. Nothing may be lost: the service
// and the local result end with the same set of attempts, each local
// attempt in its local form.
#include "ServiceFixture.h"
#include "common/TestSupport.h"

#include "TavroCore/account/AccountServiceFailure.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tavro {
namespace {

using reference::ReferenceAccountService;
using Fault = ReferenceAccountService::Fault;
using Target = ReferenceAccountService::Target;

const AccountProfile account("acct-e2e", "Aiko", "aiko@example.com");

std::vector<Attempt> attempts(std::uint64_t first, std::size_t count, const std::string& mode) {
  std::vector<Attempt> list;
  for (std::size_t i = 0; i < count; ++i)
    list.emplace_back(testing::numberedUuid(first + i), Date{1000.0 + static_cast<double>((first + i) % 997)},
                      mode, static_cast<std::int64_t>(1 + i % 7), 120, 4, 33.5);
  return list;
}

class SyncEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.service().store().addAccount(account);
    token = fixture.service().store().issueToken(account.id, "Test Mac");
    sync = std::make_unique<TavroCloudSync>(
        TavroCloudSync::fetchThrough(platform::HTTPTransport(fixture.transportOptions())));
  }

  // Checks that the service and `result` hold the same attempts, that every
  // local attempt is in `result` in its local form, and that every attempt
  // the service had is in `result`.
  void expectBothSidesEqual(const TavroBackup& result, const std::vector<Attempt>& local,
                            const std::vector<Attempt>& remoteBefore) {
    std::map<Uuid, std::string> resultForms;
    for (const Attempt& a : result.attempts()) resultForms[a.id()] = a.encode();
    std::map<Uuid, std::string> serviceForms;
    for (const Attempt& a : fixture.service().store().attempts(account.id))
      serviceForms[a.id()] = a.encode();

    ASSERT_EQ(resultForms.size(), result.attempts().size()) << "an attempt appears twice";
    std::vector<Uuid> resultIDs, serviceIDs;
    for (auto& [id, form] : resultForms) resultIDs.push_back(id);
    for (auto& [id, form] : serviceForms) serviceIDs.push_back(id);
    EXPECT_EQ(resultIDs, serviceIDs);
    for (const Attempt& a : local) {
      ASSERT_TRUE(resultForms.count(a.id()));
      EXPECT_EQ(resultForms[a.id()], a.encode());
    }
    for (const Attempt& a : remoteBefore) EXPECT_TRUE(resultForms.count(a.id()));
  }

  testing::ServiceFixture fixture;
  std::string token;
  std::unique_ptr<TavroCloudSync> sync;
};

TEST_F(SyncEndToEnd, FirstSyncUploadsEverythingAndASecondChangesNothing) {
  std::vector<Attempt> remote = attempts(1, 700, "remote");
  fixture.service().store().store(account.id, {remote.begin(), remote.begin() + 100});
  for (std::size_t i = 100; i < remote.size(); i += 100)
    fixture.service().store().store(
        account.id, {remote.begin() + i, remote.begin() + std::min(remote.size(), i + 100)});
  std::vector<Attempt> local = attempts(5000, 250, "local");
  local.push_back(attempts(3, 1, "local-copy")[0]);  // also on the service, in another form

  TavroBackup localBackup(account.id, local, JLPTLevel::n4, false, Date{0});
  TavroCloudSync::Result first = sync->sync(token, localBackup, account);
  EXPECT_EQ(first.backup.attempts().size(), 700u + 250u);
  EXPECT_EQ(first.profile, account);
  expectBothSidesEqual(first.backup, local, remote);

  TavroCloudSync::Result second = sync->sync(token, first.backup, account);
  EXPECT_EQ(second.backup.attempts().size(), first.backup.attempts().size());
  expectBothSidesEqual(second.backup, first.backup.attempts(), remote);
}

TEST_F(SyncEndToEnd, NothingIsLostWhateverFaultEndsASync) {
  struct Case {
    const char* name;
    Fault fault;
    Target target;
    int after;
    std::string failure;  // how the failing sync must end
  };
  // Page faults on the second page, upload faults on the second upload, so
  // that each failing sync has already made progress.
  const Case cases[] = {
      {"401 on a page", Fault::unauthorized, Target::page, 1, "HTTP 401"},
      {"428 on an upload", Fault::securityCheck, Target::upload, 1, "HTTP 428"},
      {"500 HTML on a page", Fault::serverErrorHTML, Target::page, 1, "HTTP 500"},
      {"500 HTML on an upload", Fault::serverErrorHTML, Target::upload, 1, "HTTP 500"},
      {"truncated page", Fault::truncatedBody, Target::page, 1, "transport reset"},
      {"truncated acknowledgement", Fault::truncatedBody, Target::upload, 1, "transport reset"},
      {"reset on a page", Fault::connectionReset, Target::page, 1, "transport reset"},
      {"reset on an upload", Fault::connectionReset, Target::upload, 1, "transport reset"},
      {"page over 128,000 bytes", Fault::oversizedPage, Target::page, 1,
       "Invalid account JSON response: expected an account object."},
      {"repeated cursor", Fault::repeatedCursor, Target::page, 1, "invalid backup"},
      {"acknowledgement missing an identifier", Fault::acknowledgementMissingID, Target::upload, 1,
       std::string(TavroCloudSync::unconfirmedMessage)},
      {"page of another account", Fault::foreignPage, Target::page, 1, "invalid backup"},
  };
  std::uint64_t next = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case gets new attempts on both sides: 600 more on the service
    // (two pages at least) and 250 more locally (three uploads).
    std::vector<Attempt> remoteBefore = fixture.service().store().attempts(account.id);
    std::vector<Attempt> added = attempts(next, 600, "remote");
    next += 600;
    for (std::size_t i = 0; i < added.size(); i += 100)
      fixture.service().store().store(account.id, {added.begin() + i, added.begin() + i + 100});
    remoteBefore.insert(remoteBefore.end(), added.begin(), added.end());

    std::vector<Attempt> local = remoteBefore;          // as if synced before...
    if (c.fault == Fault::unauthorized) local.clear();  // ...or a new Mac
    std::vector<Attempt> fresh = attempts(next + 100'000, 250, "local");
    next += 250;
    local.insert(local.end(), fresh.begin(), fresh.end());
    const TavroBackup localBackup(account.id, local, JLPTLevel::n5, true, Date{0});
    const std::string localBefore = localBackup.encode();

    fixture.service().injectFault(c.fault, c.target, c.after);
    try {
      sync->sync(token, localBackup, account);
      ADD_FAILURE() << "the sync succeeded";
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(failure.message().substr(0, c.failure.size()), c.failure);
    } catch (const platform::HTTPTransportFailure& failure) {
      EXPECT_EQ(failure.cause(), platform::HTTPTransportFailure::Cause::reset) << failure.what();
      EXPECT_EQ(c.failure, "transport reset");
    } catch (const BackupFailure&) {
      EXPECT_EQ(c.failure, "invalid backup");
    }
    EXPECT_EQ(fixture.service().pendingFaults(), 0u) << "the fault was never served";
    EXPECT_EQ(localBackup.encode(), localBefore);

    TavroCloudSync::Result clean = sync->sync(token, localBackup, account);
    expectBothSidesEqual(clean.backup, local, remoteBefore);
  }
}

// One letter followed by 300,000 combining acute accents: one character
// within every character limit, yet 600 KB, more than any page can carry.
Attempt hostileAttempt(std::uint64_t number) {
  std::string mode = "a";
  for (int i = 0; i < 300'000; ++i) mode += "\u0301";
  return Attempt(testing::numberedUuid(number), Date{1000.0}, mode, 1, 120, 4, 33.5);
}

TEST_F(SyncEndToEnd, AnAttemptNoPageCouldCarryIsNeitherUploadedNorStored) {
  const Attempt hostile = hostileAttempt(90'000);
  std::vector<Attempt> local = attempts(1, 20, "local");
  local.push_back(hostile);

  // The client refuses its own archive before it sends anything.
  const std::int64_t requestsBefore = fixture.service().handledRequests();
  EXPECT_THROW(sync->sync(token, TavroBackup(account.id, local, JLPTLevel::n5, false, Date{0}),
                          account),
               BackupFailure);
  EXPECT_EQ(fixture.service().handledRequests(), requestsBefore);

  // Sent anyway, by a client that does not check, the upload is refused
  // whole and nothing is stored.
  platform::HTTPRequest request = TavroCloudSync::uploadRequest(token, {});
  std::string body = "{\"schemaVersion\":1,\"attempts\":[";
  for (const Attempt& a : local) body += a.encode() + (a.id() == hostile.id() ? "" : ",");
  request.setBody(body + "]}");
  platform::HTTPReply reply = platform::HTTPTransport(fixture.transportOptions()).perform(request);
  EXPECT_EQ(reply.status, 400);
  EXPECT_TRUE(fixture.service().store().attempts(account.id).empty());
}

TEST_F(SyncEndToEnd, AnAttemptAnOlderServiceStoredDoesNotHoldUpTheOthers) {
  // An older service stored the hostile attempt among others; the account
  // holds enough for three pages.
  std::vector<Attempt> before = attempts(1, 300, "remote");
  std::vector<Attempt> after = attempts(301, 800, "remote");
  fixture.service().store().store(account.id, before);
  fixture.service().store().store(account.id, {hostileAttempt(90'000)});
  for (std::size_t i = 0; i < after.size(); i += 100)
    fixture.service().store().store(account.id, {after.begin() + i, after.begin() + i + 100});
  std::vector<Attempt> local = attempts(5000, 30, "local");

  TavroCloudSync::Result result =
      sync->sync(token, TavroBackup(account.id, local, JLPTLevel::n5, false, Date{0}), account);
  std::set<Uuid> synced;
  for (const Attempt& a : result.backup.attempts()) synced.insert(a.id());
  EXPECT_EQ(synced.size(), 300u + 800u + 30u);
  for (const auto* list : {&before, &after, &local}) {
    for (const Attempt& a : *list) EXPECT_TRUE(synced.count(a.id())) << a.id().text();
  }
  EXPECT_FALSE(synced.count(hostileAttempt(90'000).id()));
}

TEST_F(SyncEndToEnd, AnIdentifierTheServiceHoldsForAnotherAttemptIsNotAcknowledged) {
  // Another device uploads its attempt under an identifier this one also
  // uses, between this sync's download and its upload.
  const Attempt theirs = attempts(7, 1, "theirs")[0];
  std::vector<Attempt> local = attempts(1, 10, "local");  // holds another attempt 7
  bool raced = false;
  TavroCloudSync::Fetch transport =
      TavroCloudSync::fetchThrough(platform::HTTPTransport(fixture.transportOptions()));
  TavroCloudSync racing([&](const platform::HTTPRequest& request) {
    if (request.method() == "POST" && !raced) {
      raced = true;
      fixture.service().store().store(account.id, {theirs});
    }
    return transport(request);
  });
  try {
    racing.sync(token, TavroBackup(account.id, local, JLPTLevel::n5, false, Date{0}), account);
    ADD_FAILURE() << "the sync succeeded";
  } catch (const AccountServiceFailure& failure) {
    EXPECT_EQ(failure.message(), TavroCloudSync::unconfirmedMessage);
  }
  std::map<Uuid, std::string> held;
  for (const Attempt& a : fixture.service().store().attempts(account.id)) held[a.id()] = a.encode();
  EXPECT_EQ(held[theirs.id()], theirs.encode()) << "the first copy is kept";

  // The service says which identifiers it refused, and takes an identical
  // copy (of what the failed sync stored, or of the other device's) as
  // stored.
  platform::HTTPTransport http(fixture.transportOptions());
  struct Case {
    std::vector<Attempt> upload;
    std::set<std::string> accepted, rejected;
  };
  const Case cases[] = {
      {{local[6], local[0]}, {local[0].id().text()}, {local[6].id().text()}},
      {{theirs}, {theirs.id().text()}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.upload.size());
    platform::HTTPReply reply = http.perform(TavroCloudSync::uploadRequest(token, c.upload));
    ASSERT_EQ(reply.status, 200);
    json::Document answer = json::Document::parse(reply.body);
    auto ids = [&](std::string_view key) {
      std::set<std::string> list;
      if (auto field = answer.root().object().field(key))
        for (const json::Value& id : field->array().elements()) list.insert(id.string());
      return list;
    };
    EXPECT_EQ(ids("accepted"), c.accepted);
    EXPECT_EQ(ids("rejected"), c.rejected);
  }
}

}  // namespace
}  // namespace tavro
