// The whole-archive report of `tavro stats` over 100,000 attempts. The
// anchor, BM_StatsReportOneMode, puts them all in one mode and round;
// BM_StatsReportDistinctModes gives each its own mode, the shape a hostile or
// odd file may have. The two should stay within a small factor of each other:
// nothing in the report may grow with modes times attempts.
#include "TavroTerminal/ScoreText.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace tavro;

constexpr int attemptCount = 100'000;

Archive makeArchive(bool distinctModes) {
  Archive archive;
  archive.attempts.reserve(attemptCount);
  for (int n = 0; n < attemptCount; ++n) {
    std::string mode = distinctModes ? "mode-" + std::to_string(n) : std::string("romaji");
    archive.attempts.emplace_back(Uuid::random(), Date{1000.0 + n}, std::move(mode), 1 + n % 6,
                                  100 + n % 400, n % 7, 60);
  }
  return archive;
}

void run(benchmark::State& state, bool distinctModes) {
  const Archive archive = makeArchive(distinctModes);
  for (auto _ : state) {
    std::string report = terminal::statsReport(archive);
    benchmark::DoNotOptimize(report);
  }
}

void BM_StatsReportOneMode(benchmark::State& state) {
  run(state, false);
}
BENCHMARK(BM_StatsReportOneMode)->Unit(benchmark::kMillisecond);

void BM_StatsReportDistinctModes(benchmark::State& state) {
  run(state, true);
}
BENCHMARK(BM_StatsReportDistinctModes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
