// The cost of one romaji keystroke as the host pays it: the matcher's
// `input`, `next` and `expectedInput`, the key hints above the prompt
// (limit 3) and the completed-character count, over the sentences of the
// fifth hiragana round typed along their preferred spelling.
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tavro;

struct Keystroke {
  std::size_t sentence;
  std::string key;  // one character of the sentence's first spelling
};

struct Round {
  std::vector<std::string> prompts;
  std::vector<Keystroke> keystrokes;
};

const Round& roundFive() {
  static const Round round = [] {
    Round out;
    out.prompts = RomajiCurriculum::rounds().at(4);
    for (std::size_t index = 0; index < out.prompts.size(); ++index) {
      std::string spelling = Romaji::spellings(out.prompts[index]).at(0);
      for (char key : spelling) out.keystrokes.push_back({index, std::string(1, key)});
    }
    Romaji::detail::clearPathCache();
    return out;
  }();
  return round;
}

// Plays keystrokes one by one, starting a new matcher at each sentence.
class Typist {
 public:
  explicit Typist(const Round& round) : round_(round), matcher_(Matcher::romaji(round.prompts.front())) {}

  void keystroke() {
    const Keystroke& stroke = round_.keystrokes[next_];
    if (stroke.sentence != sentence_) {
      sentence_ = stroke.sentence;
      matcher_ = Matcher::romaji(round_.prompts[sentence_]);
    }
    const std::string& prompt = round_.prompts[sentence_];
    bool accepted = matcher_.input(stroke.key);
    auto next = matcher_.next();
    auto expected = matcher_.expectedInput();
    auto hints = Romaji::hints(prompt, matcher_.typed(), 3);
    auto done = Romaji::completedCharacters(prompt, matcher_.typed());
    if (!accepted) std::abort();  // the preferred spelling must always be accepted
    benchmark::DoNotOptimize(next);
    benchmark::DoNotOptimize(expected);
    benchmark::DoNotOptimize(hints);
    benchmark::DoNotOptimize(done);
    if (++next_ == round_.keystrokes.size()) {
      next_ = 0;
      sentence_ = round_.prompts.size();  // forces a fresh matcher for sentence 0
    }
  }

 private:
  const Round& round_;
  Matcher matcher_;
  std::size_t sentence_ = 0;
  std::size_t next_ = 0;
};

void BM_KeystrokeSteady(benchmark::State& state) {
  const Round& round = roundFive();
  Romaji::detail::clearPathCache();
  Typist typist(round);
  for (auto _ : state) typist.keystroke();
  state.counters["keystrokes/round"] = static_cast<double>(round.keystrokes.size());
}

void BM_KeystrokeCold(benchmark::State& state) {
  const Round& round = roundFive();
  Typist typist(round);
  for (auto _ : state) {
    Romaji::detail::clearPathCache();  // counted: emptying is part of a cold keystroke
    typist.keystroke();
  }
}

void BM_SpellingsLongShi(benchmark::State& state) {
  std::string prompt;
  for (int index = 0; index < 120; ++index) prompt += "し";
  for (auto _ : state) {
    Romaji::detail::clearPathCache();  // a 120-character prompt is cached; measure the search
    auto spellings = Romaji::spellings(prompt);
    if (spellings.size() != 128) std::abort();
    benchmark::DoNotOptimize(spellings);
  }
}

double minimum(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }
double maximum(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(BM_KeystrokeSteady)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", minimum)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_KeystrokeCold)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", minimum)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SpellingsLongShi)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", minimum)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
