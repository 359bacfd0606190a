// The keys of one round of the fifth hiragana round's sentences, typed
// along their preferred spelling with a wrong key before every tenth, and
// the anchor every keystroke benchmark of a tutor is measured against:
// BM_CoreKeystroke, the core's own work per keystroke on the same keys
// (input, next, expected input, three key hints, completed characters).
// Shared by the tutors' benchmark programs.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/practice/PracticeRound.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace tavro::bench {

struct Stroke {
  std::size_t sentence;
  std::string key;
};

inline const std::vector<std::string>& sentences() {
  static const std::vector<std::string> list = RomajiCurriculum::rounds().at(4);
  return list;
}

// Every key of one round of 25 sentences, a wrong one before every tenth.
inline const std::vector<Stroke>& strokes() {
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

inline void BM_CoreKeystroke(benchmark::State& state) {
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

// The thread's CPU time in seconds: time the scheduler gives other
// processes on a shared machine is not counted.
inline double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The fifth round's sentences as a round of romaji practice.
inline PracticeRound roundFive() {
  std::vector<RoundPrompt> prompts;
  for (const std::string& sentence : sentences())
    prompts.push_back({JapanesePrompt::kana(sentence), std::nullopt});
  return PracticeRound(Exercise::japaneseRomaji, 5, false, std::move(prompts));
}

// The `p` quantile of `values` (sorted in place); 0 for none.
inline double percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

// A host's keystrokes over round 5, timed one by one: `type` takes the
// stroke's key at its time and shows the result, and says whether the
// round is still being typed; when it is not, or the strokes run out,
// `restart` (untimed) starts the round again. The work per keystroke is
// measured on the thread's CPU clock, so time the scheduler gives other
// processes on a shared machine is not counted; its median, 99th
// percentile and maximum are reported, with the wall-clock 99th percentile
// beside them.
inline void timeKeystrokes(benchmark::State& state,
                           const std::function<bool(const std::string& key, double now)>& type,
                           const std::function<void()>& restart) {
  double now = 1000;
  std::size_t next = 0;
  std::vector<double> work;
  std::vector<double> wall;
  work.reserve(1 << 20);
  wall.reserve(1 << 20);
  for (auto _ : state) {
    double cpuStart = threadSeconds();
    auto start = std::chrono::steady_clock::now();
    bool practising = type(strokes()[next].key, now += 0.15);
    auto end = std::chrono::steady_clock::now();
    work.push_back((threadSeconds() - cpuStart) * 1e6);
    wall.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    next = (next + 1) % strokes().size();
    if (next == 0 || !practising) {
      state.PauseTiming();
      next = 0;
      restart();
      state.ResumeTiming();
    }
  }
  state.counters["p50_us"] = percentile(work, 0.50);
  state.counters["p99_us"] = percentile(work, 0.99);
  state.counters["max_us"] = work.empty() ? 0.0 : work.back();
  state.counters["p99_wall_us"] = percentile(wall, 0.99);
}

}  // namespace tavro::bench
