// Keystroke to repainted frame in the desktop tutor, on Qt's offscreen
// platform: the window's handling of one key (the core's judgement, the
// labels of the practice page, the keyboard) and a synchronous repaint of
// the whole window, over the sentences of the fifth hiragana round typed
// along their preferred spelling with a wrong key before every tenth.
// BM_DesktopKeystroke reports the 50th and 99th percentile and the largest
// single keystroke in microseconds of the thread's CPU time, and the 99th
// percentile of wall-clock time; the anchor is BM_CoreKeystroke on the same
// keys. Saving is off, so a finished round is never written anywhere.
#include "RoundFive.h"
#include "TavroDesktop/DesktopTutor.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace tavro;
using namespace tavro::bench;

BENCHMARK(BM_CoreKeystroke);

LoadedArchive unsaved() {
  LoadedArchive archive;
  archive.canSave = false;
  return archive;
}

void BM_DesktopKeystroke(benchmark::State& state) {
  platform::InMemoryUserDefaults preferences;
  desktop::DesktopTutor tutor(StoragePaths{"/nonexistent", "/nonexistent"}, unsaved(), preferences);
  tutor.resize(900, 700);
  tutor.show();
  tutor.startRound(roundFive());
  QApplication::processEvents();
  double now = 1000;
  std::size_t next = 0;
  std::vector<double> work;
  std::vector<double> wall;
  work.reserve(1 << 20);
  wall.reserve(1 << 20);
  for (auto _ : state) {
    double cpuStart = threadSeconds();
    auto start = std::chrono::steady_clock::now();
    tutor.typeKey(strokes()[next].key, now += 0.15);
    tutor.repaint();
    auto end = std::chrono::steady_clock::now();
    work.push_back((threadSeconds() - cpuStart) * 1e6);
    wall.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    next = (next + 1) % strokes().size();
    if (next == 0 || tutor.page() != desktop::DesktopTutor::Page::practice) {
      state.PauseTiming();
      next = 0;
      tutor.startRound(roundFive());
      QApplication::processEvents();
      state.ResumeTiming();
    }
  }
  state.counters["p50_us"] = percentile(work, 0.50);
  state.counters["p99_us"] = percentile(work, 0.99);
  state.counters["max_us"] = work.empty() ? 0.0 : work.back();
  state.counters["p99_wall_us"] = percentile(wall, 0.99);
}
BENCHMARK(BM_DesktopKeystroke);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
