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
#include "TavroCore/content/JapanesePrompt.h"
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"
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
using namespace tavro::terminal;

struct Stroke {
  std::size_t sentence;
  std::string key;
};

const std::vector<std::string>& sentences() {
  static const std::vector<std::string> list = RomajiCurriculum::rounds().at(4);
  return list;
}

// Every key of one round of 25 sentences, a wrong one before every tenth.
const std::vector<Stroke>& strokes() {
  static const std::vector<Stroke> list = [] {
    std::vector<Stroke> out;
    std::size_t count = 0;
    for (std::size_t index = 0; index < sentences().size(); ++index) {
      std::string spelling = Romaji::spellings(sentences()[index]).at(0);
      for (char key : spelling) {
        if (++count % 10 == 0) out.push_back({index, "q"});
        out.push_back({index, std::string(1, key)});
      }
    }
    return out;
  }();
  return list;
}

void BM_CoreKeystroke(benchmark::State& state) {
  std::size_t next = 0;
  std::size_t sentence = 0;
  Matcher matcher = Matcher::romaji(sentences()[0]);
  for (auto _ : state) {
    const Stroke& stroke = strokes()[next];
    if (stroke.sentence != sentence) {
      sentence = stroke.sentence;
      matcher = Matcher::romaji(sentences()[sentence]);
    }
    bool accepted = matcher.input(stroke.key);
    auto inputs = matcher.next();
    auto expected = matcher.expectedInput();
    auto hints = Romaji::hints(sentences()[sentence], matcher.typed(), 3);
    auto done = Romaji::completedCharacters(sentences()[sentence], matcher.typed());
    benchmark::DoNotOptimize(accepted);
    benchmark::DoNotOptimize(inputs);
    benchmark::DoNotOptimize(expected);
    benchmark::DoNotOptimize(hints);
    benchmark::DoNotOptimize(done);
    next = (next + 1) % strokes().size();
    if (next == 0) {
      sentence = 0;
      matcher = Matcher::romaji(sentences()[0]);
    }
  }
}
BENCHMARK(BM_CoreKeystroke);

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

PracticeRound roundFive() {
  std::vector<RoundPrompt> prompts;
  for (const std::string& sentence : sentences())
    prompts.push_back({JapanesePrompt::kana(sentence), std::nullopt});
  return PracticeRound(Exercise::japaneseRomaji, 5, false, std::move(prompts));
}

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
  double now = 1000;
  std::size_t next = 0;
  // The work per keystroke is measured on the thread's CPU clock, so time
  // the scheduler gives other processes on a shared machine is not counted;
  // the wall-clock figures are reported beside it.
  std::vector<double> work;
  std::vector<double> wall;
  work.reserve(1 << 20);
  wall.reserve(1 << 20);
  for (auto _ : state) {
    double cpuStart = threadSeconds();
    auto start = std::chrono::steady_clock::now();
    tutor.handle(Key::character(strokes()[next].key), now += 0.15);
    tutor.render(frame, now);
    auto end = std::chrono::steady_clock::now();
    work.push_back((threadSeconds() - cpuStart) * 1e6);
    wall.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    benchmark::DoNotOptimize(frame);
    next = (next + 1) % strokes().size();
    if (next == 0 || tutor.screen() != Tutor::Screen::practice) {
      state.PauseTiming();
      next = 0;
      tutor.startRound(roundFive());
      state.ResumeTiming();
    }
  }
  auto percentile = [](std::vector<double>& values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
  };
  state.counters["p50_us"] = percentile(work, 0.50);
  state.counters["p99_us"] = percentile(work, 0.99);
  state.counters["max_us"] = work.empty() ? 0.0 : work.back();
  state.counters["p99_wall_us"] = percentile(wall, 0.99);
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
