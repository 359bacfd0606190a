// The score archive at the size a learner reaches after years of daily
// practice: 100,000 attempts (about 15 MB). The archive is read at every
// start, saved after every round, and ranked on every results screen.
//
// `bench_history --write-sample=PATH` writes the benchmark's archive to PATH
// and exits; bench/compare_archive.sh uses it to time other readers on the
// same bytes.

#include "TavroCore/history/Archive.h"
#include "TavroCore/history/DailyProgress.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <string_view>

namespace {

using tavro::Archive;
using tavro::Attempt;

constexpr int attemptCount = 100'000;

// A deterministic archive: attempts spread over the modes and rounds a
// learner plays, most of them romaji, with realistic counts and times.
const Archive& sampleArchive() {
  static const Archive archive = [] {
    static constexpr std::string_view modes[] = {"romaji", "romaji",  "romaji",        "kana",
                                                 "numpad", "english", "guided-romaji", "nepali"};
    std::mt19937_64 random(20261210);
    Archive result;
    result.attempts.reserve(attemptCount);
    double date = 700000000.0;
    for (int i = 0; i < attemptCount; ++i) {
      std::string mode(modes[random() % std::size(modes)]);
      auto round = static_cast<std::int64_t>(random() % 7 + 1);
      auto correct = static_cast<std::int64_t>(150 + random() % 250);
      auto misses = static_cast<std::int64_t>(random() % 30);
      double seconds = 30.0 + static_cast<double>(random() % 90000) / 1000.0;
      date += 600.0 + static_cast<double>(random() % 100000) / 997.0;
      tavro::Uuid id = tavro::Uuid::random();
      result.attempts.emplace_back(id, tavro::Date{date}, std::move(mode), round, correct, misses,
                                   seconds);
    }
    tavro::WeakKeyHistory history;
    for (char key = 'a'; key <= 'z'; ++key) {
      for (int n = 0; n < 40; ++n)
        history.record("romaji", std::string(1, key), std::string(1, key), n % 7 != 0);
    }
    result.weakKeys = history;
    result.errors = {{"k", 12}, {"s", 4}};
    return result;
  }();
  return archive;
}

// A folder for the benchmark's files, removed at exit.
const std::filesystem::path& workFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "bench_history-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    std::filesystem::path path(pattern);
    std::atexit([] { std::filesystem::remove_all(workFolder()); });
    return path;
  }();
  return folder;
}

void BM_ArchiveRead100k(benchmark::State& state) {
  std::filesystem::path file = workFolder() / "read.json";
  sampleArchive().save(file);
  for (auto _ : state) {
    Archive archive = Archive::read(file);
    benchmark::DoNotOptimize(archive.attempts.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(BM_ArchiveRead100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ArchiveSave100k(benchmark::State& state) {
  const Archive& archive = sampleArchive();
  std::filesystem::path file = workFolder() / "save.json";
  for (auto _ : state) archive.save(file);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(BM_ArchiveSave100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ScoreRows100k(benchmark::State& state) {
  const Archive& archive = sampleArchive();
  // The results screen right after a round: the attempt just appended.
  std::optional<tavro::Uuid> latest = archive.attempts.back().id();
  const std::string mode = archive.attempts.back().mode();
  std::int64_t round = archive.attempts.back().round();
  for (auto _ : state) {
    auto rows = archive.scoreRows(mode, round, latest);
    benchmark::DoNotOptimize(rows.data());
  }
}
BENCHMARK(BM_ScoreRows100k)->Unit(benchmark::kMillisecond);

// The progress screen and `tavro stats --days` summarise every attempt by
// local day; this must stay well under the read of the same archive
// (BM_ArchiveRead100k), which every start pays anyway. A zone with
// daylight saving, so the offset changes twice a year of the sample.
void BM_DailyProgress100k(benchmark::State& state) {
  const Archive& archive = sampleArchive();
  for (auto _ : state) {
    tavro::DailyProgress progress =
        tavro::DailyProgress::summarize(archive.attempts, std::nullopt, "America/New_York");
    benchmark::DoNotOptimize(progress.days.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(archive.attempts.size()));
}
BENCHMARK(BM_DailyProgress100k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view writeSample = "--write-sample=";
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument.substr(0, writeSample.size()) == writeSample) {
      sampleArchive().save(std::filesystem::path(argument.substr(writeSample.size())));
      return 0;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
