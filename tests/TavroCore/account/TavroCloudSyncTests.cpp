#include "TavroCore/account/TavroCloudSync.h"
#include "common/TestSupport.h"

#include "Support/JsonEncoding.h"
#include "TavroCore/account/AccountFailureSummary.h"
#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavro {
namespace {

const std::string token(64, 'c');
const AccountProfile signedIn("user-7", "Aiko", "Aiko@Example.com");
const std::string syncedAtText = "2026-12-10T09:30:00.250Z";
const Date now{800'000'000};

Attempt attempt(std::uint64_t n, double date, std::int64_t round = 2, std::string mode = "romaji") {
  return Attempt(testing::numberedUuid(n), Date{date}, std::move(mode), round, 120, 4, 33.5);
}

std::vector<Attempt> attempts(std::uint64_t first, std::size_t count, double date = 10) {
  std::vector<Attempt> list;
  for (std::size_t i = 0; i < count; ++i)
    list.push_back(attempt(first + i, date + static_cast<double>(i)));
  return list;
}

TavroBackup localBackup(std::vector<Attempt> list) {
  return TavroBackup(signedIn.id, std::move(list), JLPTLevel::n2, true, Date{5});
}

// One character of 1 + 2 * marks bytes: a letter carrying `marks` combining
// acute accents.
std::string accentedLetter(std::size_t marks) {
  std::string text = "a";
  for (std::size_t i = 0; i < marks; ++i) text += "\u0301";
  return text;
}

std::string cursorText(int n) {
  return testing::numberedUuid(static_cast<std::uint64_t>(1000 + n)).text();
}

// A page document; `extra` members are written last and may replace the
// defaults of the same name (the decoder reads the first occurrence, so
// replaced members are left out here).
std::string page(const std::vector<Attempt>& list,
                 std::optional<std::string> nextCursor = std::nullopt,
                 json::OrderedJson overrides = json::OrderedJson::object()) {
  json::OrderedJson document = json::OrderedJson::object();
  document["schemaVersion"] = 1;
  json::OrderedJson array = json::OrderedJson::array();
  for (const Attempt& a : list) array.push_back(a.json());
  document["attempts"] = std::move(array);
  if (nextCursor) document["nextCursor"] = *nextCursor;
  document["syncedAt"] = syncedAtText;
  document["user"] = {{"id", signedIn.id}, {"name", signedIn.name}, {"email", "aiko@example.com"}};
  for (auto& [key, value] : overrides.items()) {
    if (value.is_discarded())
      document.erase(key);
    else
      document[key] = value;
  }
  return json::encode(document);
}

std::string acknowledgement(const std::vector<Uuid>& ids) {
  json::OrderedJson accepted = json::OrderedJson::array();
  for (const Uuid& id : ids) accepted.push_back(id.text());
  return json::encode(json::OrderedJson{{"accepted", accepted}});
}

// A scripted service: page replies in order, and uploads acknowledged by a
// rule (all identifiers by default). Records every request.
struct ScriptedService {
  std::deque<std::string> pages;
  std::function<std::string(const std::vector<Uuid>&)> acknowledge = acknowledgement;
  std::vector<platform::HTTPRequest> requests;
  std::vector<std::vector<Uuid>> uploads;

  std::string operator()(const platform::HTTPRequest& request) {
    requests.push_back(request);
    if (request.method() == "GET") {
      if (pages.empty()) throw std::runtime_error("no page scripted");
      std::string body = pages.front();
      pages.pop_front();
      return body;
    }
    json::Document body = json::Document::parse(*request.body());
    std::vector<Uuid> ids;
    for (const json::Value& value : body.root().object().array("attempts").elements())
      ids.push_back(Attempt::decode(value).id());
    uploads.push_back(ids);
    return acknowledge(ids);
  }

  TavroCloudSync client() {
    return TavroCloudSync(
        [this](const platform::HTTPRequest& request) { return (*this)(request); });
  }
};

TEST(TavroCloudSync, EmptyServiceGetsEveryLocalAttemptInChunksOfAHundred) {
  ScriptedService service;
  service.pages = {page({})};
  // Each acknowledgement lists its identifiers backwards, the first twice.
  service.acknowledge = [](const std::vector<Uuid>& ids) {
    std::vector<Uuid> reply(ids.rbegin(), ids.rend());
    reply.push_back(ids.front());
    return acknowledgement(reply);
  };
  std::vector<Attempt> local = attempts(1, 250);
  std::reverse(local.begin(), local.end());  // local order is not date order
  TavroCloudSync::Result result = service.client().sync(token, localBackup(local), signedIn, now);

  ASSERT_EQ(service.requests.size(), 4u);
  const platform::HTTPRequest& get = service.requests[0];
  EXPECT_EQ(get.method(), "GET");
  EXPECT_EQ(get.url(), std::string(TavroCloudSync::endpoint().buffer()));
  EXPECT_EQ(get.url().find('?'), std::string::npos);
  EXPECT_EQ(get.headers(),
            (std::vector<platform::HTTPHeader>{{"Authorization", "Bearer " + token},
                                               {"Accept", "application/json"},
                                               {"Content-Type", "application/json"}}));
  EXPECT_FALSE(get.body());
  EXPECT_FALSE(get.handlesCookies());
  EXPECT_EQ(get.timeoutSeconds(), 60);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(service.requests[i].method(), "POST");
    EXPECT_EQ(service.requests[i].url(), get.url());
    EXPECT_EQ(service.requests[i].headers(), get.headers());
    EXPECT_EQ(service.requests[i].body()->rfind("{\"schemaVersion\":1,\"attempts\":[", 0), 0u);
  }
  ASSERT_EQ(service.uploads.size(), 3u);
  EXPECT_EQ(service.uploads[0].size(), 100u);
  EXPECT_EQ(service.uploads[1].size(), 100u);
  EXPECT_EQ(service.uploads[2].size(), 50u);
  std::vector<Uuid> uploaded;
  for (const auto& chunk : service.uploads)
    uploaded.insert(uploaded.end(), chunk.begin(), chunk.end());
  for (std::size_t i = 0; i < local.size(); ++i) EXPECT_EQ(uploaded[i], local[i].id());

  ASSERT_EQ(result.backup.attempts().size(), 250u);
  for (std::size_t i = 0; i < 250; ++i)
    EXPECT_EQ(result.backup.attempts()[i].id(), testing::numberedUuid(1 + i));
  EXPECT_EQ(result.backup.ownerID(), signedIn.id);
  EXPECT_EQ(result.backup.jlptLevel(), JLPTLevel::n2);
  EXPECT_TRUE(result.backup.kanaInput());
  EXPECT_EQ(result.backup.createdAt(), now);
  EXPECT_EQ(result.profile.id, signedIn.id);
  EXPECT_EQ(result.profile.email, "aiko@example.com");
  EXPECT_EQ(result.syncedAt, Date::fromUnixSeconds(1'796'895'000.25));
}

TEST(TavroCloudSync, PagesFollowCursorsMergeWithLocalWinningAndUploadOnlyWhatTheServiceLacks) {
  ScriptedService service;
  Attempt sharedRemote = attempt(2, 50, 9, "kana");  // the service's copy of local attempt 2
  service.pages = {
      page({attempt(10, 3), sharedRemote}, cursorText(1)),
      page({attempt(11, 1)}, cursorText(2),
           {{"syncedAt", "2026-12-10T09:30:00Z"},
            {"user", {{"id", signedIn.id}, {"name", "Aiko"}}}}),
      page({}, std::nullopt, {{"syncedAt", "2026-12-10T10:00:00+09:00"}}),
  };
  std::vector<Attempt> local = {attempt(1, 2), attempt(2, 3), attempt(3, 4)};
  TavroCloudSync::Result result = service.client().sync(token, localBackup(local), signedIn, now);

  ASSERT_EQ(service.requests.size(), 4u);
  EXPECT_EQ(service.requests[1].url(),
            std::string(TavroCloudSync::endpoint().buffer()) + "?cursor=" + cursorText(1));
  EXPECT_EQ(service.requests[2].url(),
            std::string(TavroCloudSync::endpoint().buffer()) + "?cursor=" + cursorText(2));
  ASSERT_EQ(service.uploads.size(), 1u);
  EXPECT_EQ(service.uploads[0],
            (std::vector<Uuid>{testing::numberedUuid(1), testing::numberedUuid(3)}));

  std::vector<Uuid> order;
  for (const Attempt& a : result.backup.attempts()) order.push_back(a.id());
  // Dates: 11@1, 1@2, 2@3 (local) before 10@3 (remote), 3@4.
  EXPECT_EQ(order, (std::vector<Uuid>{testing::numberedUuid(11), testing::numberedUuid(1),
                                      testing::numberedUuid(2), testing::numberedUuid(10),
                                      testing::numberedUuid(3)}));
  EXPECT_EQ(result.backup.attempts()[2].mode(), "romaji");           // the local copy of attempt 2
  EXPECT_EQ(result.syncedAt, Date::fromUnixSeconds(1'796'864'400));  // the last page's time
}

// The JLPT level of an attempt goes up with the upload and comes back from
// a page, so per-level rankings survive a sync to another computer.
TEST(TavroCloudSync, AttemptLevelsTravelBothWays) {
  ScriptedService service;
  Attempt remote = attempt(10, 3);
  remote.setJLPTLevel("N1");
  service.pages = {page({remote})};
  Attempt local = attempt(1, 2);
  local.setJLPTLevel("N4");
  TavroCloudSync::Result result = service.client().sync(token, localBackup({local}), signedIn, now);

  ASSERT_EQ(service.requests.size(), 2u);
  EXPECT_NE(service.requests[1].body()->find(R"("jlptLevel":"N4")"), std::string::npos);
  ASSERT_EQ(result.backup.attempts().size(), 2u);
  EXPECT_EQ(result.backup.attempts()[0].jlptLevel(), "N4");
  EXPECT_EQ(result.backup.attempts()[1].jlptLevel(), "N1");
}

TEST(TavroCloudSync, PageAndAcknowledgementFaults) {
  const std::string unconfirmed(TavroCloudSync::unconfirmedMessage);
  const std::string notAnObject(AccountService::invalidObjectMessage);
  const std::string noIdentity(AccountService::missingIdentifierMessage);
  const json::OrderedJson removed = json::OrderedJson(json::OrderedJson::value_t::discarded);
  std::vector<Attempt> many = attempts(100, 501);
  std::string huge = page({}, std::nullopt, {{"padding", std::string(128'000, 'x')}});

  enum class Kind { backup, account, decoding };
  struct Case {
    const char* name;
    std::vector<std::string> pages;
    Kind kind;
    std::string message = "";
    std::function<std::string(const std::vector<Uuid>&)> acknowledge = acknowledgement;
  };
  const std::vector<Case> cases = {
      {"cursor not a UUID", {page(attempts(20, 1), "abc")}, Kind::backup},
      {"cursor repeated",
       {page(attempts(20, 1), cursorText(1)), page(attempts(30, 1), cursorText(1))},
       Kind::backup},
      {"cursor on an empty page", {page({}, cursorText(1))}, Kind::backup},
      {"identical attempt on two pages",
       {page(attempts(20, 1), cursorText(1)), page(attempts(20, 1))},
       Kind::backup},
      {"attempt repeated within a page", {page({attempt(20, 1), attempt(20, 1)})}, Kind::backup},
      {"page of another account",
       {page({}, std::nullopt, {{"user", {{"id", "user-8"}}}})},
       Kind::backup},
      {"identifier differing in case",
       {page({}, std::nullopt, {{"user", {{"id", "User-7"}}}})},
       Kind::backup},
      {"conflicting address",
       {page({}, std::nullopt, {{"user", {{"id", "user-7"}, {"email", "kenji@example.com"}}}})},
       Kind::backup},
      {"schema version 2", {page({}, std::nullopt, {{"schemaVersion", 2}})}, Kind::backup},
      {"501 attempts on a page", {page(many)}, Kind::backup},
      {"syncedAt without a time zone",
       {page({}, std::nullopt, {{"syncedAt", "2026-12-10T09:30:00"}})},
       Kind::backup},
      {"remote attempt of round 0", {page({attempt(20, 1, 0)})}, Kind::backup},
      {"remote attempt with a mode of 513 bytes in one character",
       {page({attempt(20, 1, 2, accentedLetter(256))})},
       Kind::backup},
      {"syncedAt a number", {page({}, std::nullopt, {{"syncedAt", 1.5}})}, Kind::decoding},
      {"attempts missing", {page({}, std::nullopt, {{"attempts", removed}})}, Kind::decoding},
      {"cursor a number", {page({}, std::nullopt, {{"nextCursor", 7}})}, Kind::decoding},
      {"page over 128,000 bytes", {huge}, Kind::account, notAnObject},
      {"page with an error member",
       {page({}, std::nullopt, {{"error", "maintenance"}})},
       Kind::account,
       notAnObject},
      {"page not JSON", {"<html>busy</html>"}, Kind::account, notAnObject},
      {"page an array", {"[]"}, Kind::account, notAnObject},
      {"page without identity",
       {page({}, std::nullopt, {{"user", removed}})},
       Kind::account,
       noIdentity},
      {"acknowledgement missing one identifier",
       {page({})},
       Kind::account,
       unconfirmed,
       [](const std::vector<Uuid>& ids) {
         return acknowledgement({ids.begin() + 1, ids.end()});
       }},
      {"acknowledgement with an extra identifier",
       {page({})},
       Kind::account,
       unconfirmed,
       [](const std::vector<Uuid>& ids) {
         std::vector<Uuid> more = ids;
         more.push_back(testing::numberedUuid(999));
         return acknowledgement(more);
       }},
      {"acknowledgement not JSON",
       {page({})},
       Kind::decoding,
       "",
       [](auto&) { return std::string("OK"); }},
      {"acknowledgement without accepted",
       {page({})},
       Kind::decoding,
       "",
       [](auto&) { return std::string("{}"); }},
      {"acknowledgement with a non-UUID",
       {page({})},
       Kind::decoding,
       "",
       [](auto&) { return std::string(R"({"accepted":["abc"]})"); }},
  };
  const TavroBackup local = localBackup(attempts(1, 3));
  const std::string localBefore = local.encode();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedService service;
    service.pages.assign(c.pages.begin(), c.pages.end());
    service.acknowledge = c.acknowledge;
    try {
      service.client().sync(token, local, signedIn, now);
      ADD_FAILURE() << "the sync succeeded";
    } catch (const BackupFailure&) {
      EXPECT_EQ(c.kind, Kind::backup);
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(c.kind, Kind::account);
      EXPECT_EQ(failure, AccountServiceFailure(c.message));
    } catch (const json::DecodingError&) {
      EXPECT_EQ(c.kind, Kind::decoding);
    }
    EXPECT_TRUE(service.pages.empty()) << "the sync stopped before the page it should fail on";
    EXPECT_EQ(local.encode(), localBefore);
  }
}

TEST(TavroCloudSync, AddressesDifferingOnlyInCaseOrMissingAreTheSameAccount) {
  for (const json::OrderedJson& user :
       {json::OrderedJson{{"id", "user-7"}, {"email", "AIKO@example.COM"}},
        json::OrderedJson{{"id", "user-7"}}}) {
    SCOPED_TRACE(user.dump());
    ScriptedService service;
    service.pages = {page({attempt(20, 1)}, std::nullopt, {{"user", user}})};
    TavroCloudSync::Result result = service.client().sync(token, localBackup({}), signedIn, now);
    EXPECT_EQ(result.backup.attempts().size(), 1u);
    EXPECT_TRUE(service.uploads.empty());
  }
}

// Identity texts are the same when canonically equivalent (addresses after
// lower-casing), whichever normalization form the service sends back.
TEST(TavroCloudSync, PageIdentityComparesCanonically) {
  const AccountProfile andre("acct-\u00e9", "Andr\u00e9", "andr\u00e9@example.com");
  struct Case {
    const char* name;
    json::OrderedJson user;
    bool sameAccount;
  };
  const Case cases[] = {
      {"decomposed identifier", {{"id", "acct-e\u0301"}}, true},
      {"decomposed identifier and address",
       {{"id", "acct-e\u0301"}, {"email", "andre\u0301@example.com"}},
       true},
      {"address decomposed in upper case",
       {{"id", "acct-\u00e9"}, {"email", "ANDRE\u0301@example.com"}},
       true},
      {"identifier in upper case", {{"id", "ACCT-\u00e9"}}, false},
      {"identifier decomposed in upper case", {{"id", "acct-E\u0301"}}, false},
      {"identifier without its accent", {{"id", "acct-e"}}, false},
      {"address without its accent",
       {{"id", "acct-\u00e9"}, {"email", "andre@example.com"}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedService service;
    service.pages = {page({attempt(20, 1)}, std::nullopt, {{"user", c.user}})};
    TavroBackup local(andre.id, {}, JLPTLevel::n2, true, Date{5});
    if (c.sameAccount) {
      EXPECT_NO_THROW(
          EXPECT_EQ(service.client().sync(token, local, andre, now).backup.attempts().size(), 1u));
    } else {
      EXPECT_THROW(service.client().sync(token, local, andre, now), BackupFailure);
    }
  }
}

TEST(TavroCloudSync, RefusesBadArgumentsBeforeAnyRequest) {
  struct Case {
    const char* name;
    std::string token;
    AccountProfile profile;
    TavroBackup local;
  };
  const Case cases[] = {
      {"upper-case token", std::string(63, 'c') + "C", signedIn, localBackup({})},
      {"short token", std::string(63, 'c'), signedIn, localBackup({})},
      {"invalid profile", token, AccountProfile("", "Aiko", ""), localBackup({})},
      {"local of another account", token, signedIn,
       TavroBackup("user-8", {}, JLPTLevel::n5, false, Date{0})},
      {"local outside the limits", token, signedIn, localBackup({attempt(1, 1, 10)})},
      {"local with a mode of 600 KB in one character", token, signedIn,
       localBackup({attempt(1, 1), attempt(2, 2, 2, accentedLetter(300'000))})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedService service;
    EXPECT_THROW(service.client().sync(c.token, c.local, c.profile, now), BackupFailure);
    EXPECT_TRUE(service.requests.empty());
  }
}

TEST(TavroCloudSync, UploadRequestNeverCarriesAnAttemptOverItsByteBounds) {
  EXPECT_NO_THROW(TavroCloudSync::uploadRequest(token, {attempt(1, 1, 2, accentedLetter(255))}));
  EXPECT_THROW(
      TavroCloudSync::uploadRequest(token, {attempt(1, 1), attempt(2, 1, 2, accentedLetter(256))}),
      BackupFailure);
}

// A hostile service can answer every page with a cursor to another one. The
// attempt limit alone would let it send 100,000 pages of nearly 128,000
// bytes, and per-request time-outs alone would let it trickle pages for days.
struct EndlessPages {
  struct ServedTooMany {};
  static constexpr std::size_t servedAtMost = 2'000;
  std::size_t served = 0;
  std::size_t uploads = 0;
  std::string padding;
  std::chrono::steady_clock::time_point time{};
  std::chrono::seconds perPage{0};

  std::string operator()(const platform::HTTPRequest& request) {
    if (request.method() != "GET") {
      ++uploads;
      return acknowledgement({});
    }
    if (served == servedAtMost) throw ServedTooMany{};
    ++served;
    time += perPage;
    json::OrderedJson extra = json::OrderedJson::object();
    if (!padding.empty()) extra["padding"] = padding;
    return page({attempt(10'000 + served, 1)}, cursorText(static_cast<int>(served)), extra);
  }
};

TEST(TavroCloudSync, DownloadStopsAtItsByteBound) {
  EndlessPages service;
  service.padding.assign(120'000, 'x');
  const std::size_t pageBytes = service(platform::HTTPRequest("https://x.example/")).size();
  service.served = 0;
  TavroCloudSync sync([&](const platform::HTTPRequest& request) { return service(request); });

  EXPECT_THROW(sync.sync(token, localBackup(attempts(1, 3)), signedIn, now), BackupFailure);
  EXPECT_EQ(service.served, TavroCloudSync::maximumDownloadBytes / pageBytes + 1);
  EXPECT_EQ(service.uploads, 0u);
}

TEST(TavroCloudSync, DownloadStopsAtItsDeadline) {
  EndlessPages service;
  service.perPage = std::chrono::seconds(60);
  TavroCloudSync sync([&](const platform::HTTPRequest& request) { return service(request); },
                      [&] { return service.time; });

  try {
    sync.sync(token, localBackup(attempts(1, 3)), signedIn, now);
    ADD_FAILURE() << "the sync succeeded";
  } catch (const AccountServiceFailure& failure) {
    EXPECT_EQ(failure, AccountServiceFailure(std::string(TavroCloudSync::slowDownloadMessage)));
  }
  // Pages arriving up to the deadline itself are still read.
  EXPECT_EQ(service.served,
            static_cast<std::size_t>(TavroCloudSync::maximumDownloadSeconds / service.perPage) + 1);
  EXPECT_EQ(service.uploads, 0u);
}

struct HostTransportError {
  int code;
};

TEST(TavroCloudSync, FetchFailuresPassThroughUnchangedAtEveryRequest) {
  // Requests: page 1, page 2, upload 1, upload 2.
  for (std::size_t failing = 0; failing < 4; ++failing) {
    SCOPED_TRACE(failing);
    ScriptedService service;
    service.pages = {page(attempts(50, 2), cursorText(1)), page({})};
    std::size_t calls = 0;
    TavroCloudSync sync([&](const platform::HTTPRequest& request) -> std::string {
      if (calls++ == failing) {
        if (failing % 2 == 0) throw HostTransportError{static_cast<int>(failing)};
        throw AccountService::httpFailure(401, TavroCloudSync::path, R"({"error":"expired"})");
      }
      return service(request);
    });
    try {
      sync.sync(token, localBackup(attempts(1, 150)), signedIn, now);
      ADD_FAILURE() << "the sync succeeded";
    } catch (const HostTransportError& error) {
      EXPECT_EQ(error.code, static_cast<int>(failing));
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(failure,
                AccountServiceFailure("HTTP 401 /api/downloader/tavro/sync: expired", 401, true));
    }
    EXPECT_EQ(calls, failing + 1);
  }
}

// The host cancels a running sync without killing its thread: its fetch
// waits for the reply or the cancellation, whichever comes first, and
// throws on cancellation; the sync ends with exactly that failure.
TEST(TavroCloudSync, HostCancelsThroughItsFetch) {
  struct Cancelled {};
  std::mutex mutex;
  std::condition_variable changed;
  bool cancelled = false;
  bool requestInFlight = false;
  TavroCloudSync sync([&](const platform::HTTPRequest&) -> std::string {
    std::unique_lock lock(mutex);
    requestInFlight = true;
    changed.notify_all();
    changed.wait(lock, [&] { return cancelled; });
    throw Cancelled{};
  });

  std::atomic<bool> endedWithCancellation = false;
  std::thread worker([&] {
    try {
      sync.sync(token, localBackup(attempts(1, 3)), signedIn, now);
    } catch (const Cancelled&) {
      endedWithCancellation = true;
    }
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return requestInFlight; });
    cancelled = true;
    changed.notify_all();
  }
  worker.join();
  EXPECT_TRUE(endedWithCancellation);
}

// The host learns how far the sync has come from its reports, one before
// each request: pages first (no total: each page names the next), then the
// uploads with their total once the download is merged.
TEST(TavroCloudSync, ReportsPagesAndUploadsBeforeEachRequest) {
  using Step = TavroCloudSync::Progress::Step;
  struct Report {
    TavroCloudSync::Progress progress;
    std::size_t requestsBefore;
  };
  ScriptedService service;
  service.pages = {page(attempts(500, 2), cursorText(1)), page(attempts(600, 1), cursorText(2)),
                   page({})};
  TavroCloudSync sync = service.client();
  std::vector<Report> reports;
  sync.setProgressHandler([&](const TavroCloudSync::Progress& progress) {
    reports.push_back({progress, service.requests.size()});
  });
  // 250 local attempts the service lacks: uploads of 100, 100 and 50.
  sync.sync(token, localBackup(attempts(1, 250)), signedIn, now);

  const std::vector<Report> expected = {
      {{Step::downloading, 0, 0, std::nullopt}, 0},
      {{Step::downloading, 1, 0, std::nullopt}, 1},
      {{Step::downloading, 2, 0, std::nullopt}, 2},
      {{Step::uploading, 3, 0, 3}, 3},
      {{Step::uploading, 3, 1, 3}, 4},
      {{Step::uploading, 3, 2, 3}, 5},
  };
  ASSERT_EQ(reports.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const TavroCloudSync::Progress& got = reports[i].progress;
    const TavroCloudSync::Progress& want = expected[i].progress;
    EXPECT_EQ(got.step, want.step);
    EXPECT_EQ(got.pagesDone, want.pagesDone);
    EXPECT_EQ(got.uploadsDone, want.uploadsDone);
    EXPECT_EQ(got.uploadsTotal, want.uploadsTotal);
    EXPECT_EQ(reports[i].requestsBefore, expected[i].requestsBefore);
  }
  EXPECT_EQ(service.requests.size(), 6u);

  // Nothing to upload: the one page is the only report.
  ScriptedService upToDate;
  upToDate.pages = {page(attempts(1, 3))};
  TavroCloudSync quiet = upToDate.client();
  std::vector<TavroCloudSync::Progress> quietReports;
  quiet.setProgressHandler(
      [&](const TavroCloudSync::Progress& progress) { quietReports.push_back(progress); });
  quiet.sync(token, localBackup(attempts(1, 3)), signedIn, now);
  EXPECT_EQ(quietReports,
            (std::vector<TavroCloudSync::Progress>{{Step::downloading, 0, 0, std::nullopt}}));
}

// A host may cancel from its progress handler: the request it was told
// about is never sent and the sync ends with the handler's failure.
TEST(TavroCloudSync, AProgressHandlerThatThrowsEndsTheSyncBeforeTheRequest) {
  ScriptedService service;
  service.pages = {page({})};
  TavroCloudSync sync = service.client();
  sync.setProgressHandler([](const TavroCloudSync::Progress& progress) {
    if (progress.step == TavroCloudSync::Progress::Step::uploading)
      throw AccountOperationCancelled();
  });
  EXPECT_THROW(sync.sync(token, localBackup(attempts(1, 3)), signedIn, now),
               AccountOperationCancelled);
  ASSERT_EQ(service.requests.size(), 1u);
  EXPECT_EQ(service.requests[0].method(), "GET");
  EXPECT_TRUE(service.uploads.empty());
}

// fetchThrough works with whatever performs the request (here a scripted
// one, in the host a transport): a 2xx body comes back, any other status
// becomes the account failure for the request's path, and what the
// performer throws passes through as it is.
TEST(TavroCloudSync, FetchThroughMapsStatusesToAccountFailures) {
  struct Case {
    long status;
    std::string body;
    std::optional<AccountServiceFailure> failure;  // none: the body comes back
  };
  const std::string path(TavroCloudSync::path);
  const Case cases[] = {
      {200, "{\"accepted\":[]}", std::nullopt},
      {204, "", std::nullopt},
      {299, "edge", std::nullopt},
      {199, "{}",
       AccountServiceFailure(
           "HTTP 199 " + path + ": " + std::string(AccountService::nonJSONErrorDetail), 199,
           false)},
      {302, "<html>moved</html>",
       AccountServiceFailure(
           "HTTP 302 " + path + ": " + std::string(AccountService::nonJSONErrorDetail), 302,
           false)},
      {401, R"({"error":"expired"})",
       AccountServiceFailure("HTTP 401 " + path + ": expired", 401, true)},
      {503, R"({"error":"down for maintenance","code":"M-1"})",
       AccountServiceFailure("HTTP 503 " + path + ": down for maintenance Reference: M-1", 503,
                             false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::vector<std::string> performed;
    TavroCloudSync::Fetch fetch =
        TavroCloudSync::fetchThrough([&](const platform::HTTPRequest& request) {
          performed.push_back(request.url());
          return platform::HTTPReply{c.status, c.body};
        });
    platform::HTTPRequest request = TavroCloudSync::pageRequest(token, cursorText(1));
    if (!c.failure) {
      EXPECT_EQ(fetch(request), c.body);
    } else {
      try {
        fetch(request);
        ADD_FAILURE() << "no failure";
      } catch (const AccountServiceFailure& failure) {
        EXPECT_EQ(failure, *c.failure);
      }
    }
    EXPECT_EQ(performed, std::vector<std::string>{request.url()});
  }

  TavroCloudSync::Fetch failing =
      TavroCloudSync::fetchThrough([](const platform::HTTPRequest&) -> platform::HTTPReply {
        throw platform::HTTPTransportFailure(platform::HTTPTransportFailure::Cause::reset,
                                             "the connection was reset");
      });
  try {
    failing(TavroCloudSync::pageRequest(token, std::nullopt));
    ADD_FAILURE() << "no failure";
  } catch (const platform::HTTPTransportFailure& failure) {
    EXPECT_EQ(failure.cause(), platform::HTTPTransportFailure::Cause::reset);
    EXPECT_STREQ(failure.what(), "the connection was reset");
  }
}

}  // namespace
}  // namespace tavro
