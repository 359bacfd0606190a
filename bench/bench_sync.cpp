// Backup merge and cloud sync at the sizes a long-time learner reaches:
// 50,000 attempts held here and 50,000 held by the service.
//
// BM_AnchorCopyAttempts100k copies a list of 100,000 attempts, the least
// any merge that returns a new list must do; the other figures are read as
// multiples of it.

#include "Support/JsonEncoding.h"
#include "TavroCore/account/TavroBackup.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavro::Attempt;
using tavro::Date;
using tavro::TavroBackup;

constexpr std::string_view ownerID = "bench-user";

// Deterministic attempts: mostly romaji, realistic counts, dates rising
// from `startDate` so that the two sides interleave when merged.
std::vector<Attempt> sampleAttempts(std::size_t count, std::uint64_t seed, double startDate) {
  static constexpr std::string_view modes[] = {"romaji",  "romaji",        "kana",   "numpad",
                                               "english", "guided-romaji", "nepali", "kana-custom"};
  std::mt19937_64 random(seed);
  std::vector<Attempt> attempts;
  attempts.reserve(count);
  double date = startDate;
  for (std::size_t i = 0; i < count; ++i) {
    date += 600.0 + static_cast<double>(random() % 100000) / 997.0;
    attempts.emplace_back(
        tavro::Uuid::random(), Date{date}, std::string(modes[random() % std::size(modes)]),
        static_cast<std::int64_t>(random() % 7 + 1),
        static_cast<std::int64_t>(150 + random() % 250), static_cast<std::int64_t>(random() % 30),
        30.0 + static_cast<double>(random() % 90000) / 1000.0);
  }
  return attempts;
}

const std::vector<Attempt>& localAttempts() {
  static const std::vector<Attempt> attempts = sampleAttempts(50'000, 1, 700'000'000.0);
  return attempts;
}

const std::vector<Attempt>& backupAttempts() {
  static const std::vector<Attempt> attempts = sampleAttempts(50'000, 2, 700'000'300.0);
  return attempts;
}

void BM_AnchorCopyAttempts100k(benchmark::State& state) {
  std::vector<Attempt> all = localAttempts();
  all.insert(all.end(), backupAttempts().begin(), backupAttempts().end());
  for (auto _ : state) {
    std::vector<Attempt> copy = all;
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_AnchorCopyAttempts100k)->Unit(benchmark::kMillisecond);

void BM_Merge100k(benchmark::State& state) {
  const TavroBackup backup(std::string(ownerID), backupAttempts(), tavro::JLPTLevel::n5, false,
                           Date{0});
  const std::vector<Attempt>& local = localAttempts();
  for (auto _ : state) {
    std::vector<Attempt> merged = backup.validated(ownerID).merging(local);
    benchmark::DoNotOptimize(merged.data());
  }
}
BENCHMARK(BM_Merge100k)->Unit(benchmark::kMillisecond);

const tavro::AccountProfile profile("bench-user", "Bench", "bench@example.com");
const std::string token(64, 'e');

// The service's side prepared in advance: `remote` cut into pages of 500
// with UUID cursors, and one acknowledgement per chunk of 100 of `pending`.
struct PreparedService {
  std::vector<std::string> pages;
  std::vector<std::string> acknowledgements;

  PreparedService(const std::vector<Attempt>& remote, const std::vector<Attempt>& pending) {
    std::size_t pageCount = remote.empty() ? 1 : (remote.size() + 499) / 500;
    for (std::size_t p = 0; p < pageCount; ++p) {
      tavro::json::OrderedJson page = tavro::json::OrderedJson::object();
      page["schemaVersion"] = 1;
      tavro::json::OrderedJson list = tavro::json::OrderedJson::array();
      for (std::size_t i = p * 500; i < std::min(remote.size(), (p + 1) * 500); ++i)
        list.push_back(remote[i].json());
      page["attempts"] = std::move(list);
      if (p + 1 < pageCount) page["nextCursor"] = tavro::Uuid::random().text();
      page["syncedAt"] = "2026-12-10T09:30:00.250Z";
      page["user"] = {{"id", profile.id}, {"name", profile.name}, {"email", profile.email}};
      pages.push_back(tavro::json::encode(page));
    }
    for (std::size_t c = 0; c < pending.size(); c += 100) {
      tavro::json::OrderedJson accepted = tavro::json::OrderedJson::array();
      for (std::size_t i = c; i < std::min(pending.size(), c + 100); ++i)
        accepted.push_back(pending[i].id().text());
      acknowledgements.push_back(tavro::json::encode({{"accepted", accepted}}));
    }
  }

  // A fetch that answers in request order from the prepared bodies.
  tavro::TavroCloudSync client(std::size_t& nextPage, std::size_t& nextAcknowledgement) const {
    return tavro::TavroCloudSync([&](const tavro::platform::HTTPRequest& request) {
      if (request.method() == "GET") return pages.at(nextPage++);
      return acknowledgements.at(nextAcknowledgement++);
    });
  }
};

void runSync(benchmark::State& state, const std::vector<Attempt>& remote,
             const std::vector<Attempt>& local) {
  const PreparedService service(remote, local);
  const TavroBackup localBackup(profile.id, local, tavro::JLPTLevel::n5, false, Date{0});
  for (auto _ : state) {
    std::size_t nextPage = 0;
    std::size_t nextAcknowledgement = 0;
    tavro::TavroCloudSync::Result result =
        service.client(nextPage, nextAcknowledgement).sync(token, localBackup, profile);
    if (nextPage != service.pages.size() || nextAcknowledgement != service.acknowledgements.size())
      state.SkipWithError("the sync did not send every request");
    benchmark::DoNotOptimize(result.backup.attempts().data());
  }
}

// 50,000 remote attempts in 100 pages and 50,000 local ones in 500 uploads.
void BM_Sync50k(benchmark::State& state) {
  runSync(state, backupAttempts(), localAttempts());
}
BENCHMARK(BM_Sync50k)->Unit(benchmark::kMillisecond);

// Where the time of BM_Sync50k goes: the download half alone (100 pages,
// merge, nothing to upload) and the upload half alone (one empty page,
// 500 uploads).
void BM_Sync50kDownloadOnly(benchmark::State& state) {
  runSync(state, backupAttempts(), {});
}
BENCHMARK(BM_Sync50kDownloadOnly)->Unit(benchmark::kMillisecond);

void BM_Sync50kUploadOnly(benchmark::State& state) {
  runSync(state, {}, localAttempts());
}
BENCHMARK(BM_Sync50kUploadOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
