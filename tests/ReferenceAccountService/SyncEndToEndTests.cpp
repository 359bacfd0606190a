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
        TavroCloudSync::fetchOver(platform::HTTPTransport(fixture.transportOptions())));
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

}  // namespace
}  // namespace tavro
