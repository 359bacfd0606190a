// Keystroke to redraw in the terminal tutor: the screen model's handling of
// one key (matching, session and weak-key counts, finishing words) and the
// layout of the whole practice screen into a frame, over the sentences of
// the fifth hiragana round typed along their preferred spelling with a
// wrong key before every tenth. The anchor, BM_CoreKeystroke, is the core's
// own work per keystroke on the same keys (input, next, expected input,
// three key hints, completed characters); BM_ScreenKeystroke reports the
// 50th and 99th percentile and the largest single keystroke in microseconds
// of the thread's CPU time, and the 99th percentile of wall-clock time.
// BM_ScreenRedraw lays the practice screen out again with no key between,
// as the timer's redraws do.
#include "RoundFive.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Tutor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tavro;
using namespace tavro::bench;
using namespace tavro::terminal;

BENCHMARK(BM_CoreKeystroke);

// A tutor typing round 5 with saving off: a finished round is counted but
// never written anywhere.
struct PractisingTutor {
  PractisingTutor() { tutor.startRound(roundFive()); }

  static LoadedArchive unsaved() {
    std::setlocale(LC_ALL, "C.UTF-8");
    LoadedArchive archive;
    archive.canSave = false;
    return archive;
  }

  platform::InMemoryUserDefaults preferences;
  Tutor tutor{StoragePaths{"/nonexistent", "/nonexistent"}, unsaved(), preferences};
};

void BM_ScreenKeystroke(benchmark::State& state) {
  PractisingTutor practising;
  Tutor& tutor = practising.tutor;
  Frame frame(100, 30);
  timeKeystrokes(
      state,
      [&](const std::string& key, double now) {
        tutor.handle(Key::character(key), now);
        tutor.render(frame, now);
        benchmark::DoNotOptimize(frame);
        return tutor.screen() == Tutor::Screen::practice;
      },
      [&] { tutor.startRound(roundFive()); });
}
BENCHMARK(BM_ScreenKeystroke);

// The redraw between keystrokes (the screen is drawn five times a second
// while the learner thinks): the whole practice screen laid out again for a
// word part typed, with no key judged in between.
void BM_ScreenRedraw(benchmark::State& state) {
  PractisingTutor practising;
  Tutor& tutor = practising.tutor;
  double now = 1000;
  for (std::size_t i = 0; i < 7; ++i) tutor.handle(Key::character(strokes()[i].key), now += 0.15);
  Frame frame(100, 30);
  for (auto _ : state) {
    tutor.render(frame, now += 0.2);
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_ScreenRedraw);

}  // namespace

BENCHMARK_MAIN();
