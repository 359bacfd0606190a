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
  timeKeystrokes(
      state,
      [&](const std::string& key, double now) {
        tutor.typeKey(key, now);
        tutor.repaint();
        return tutor.page() == desktop::DesktopTutor::Page::practice;
      },
      [&] {
        tutor.startRound(roundFive());
        QApplication::processEvents();
      });
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
