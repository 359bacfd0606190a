// The cost of one romaji keystroke as the host pays it: the matcher's
// `input`, `next` and `expectedInput`, the key hints above the prompt
// (limit 3) and the completed-character count, over the sentences of the
// fifth hiragana round typed along their preferred spelling.
//
// BM_KeystrokeSteady starts every sentence from a matcher made beforehand
// (assigned over the working one, so no storage is made afresh);
// BM_KeystrokeWithMatcher makes a new matcher for every sentence inside the
// timing; BM_KeystrokeCold empties the path cache before every keystroke.
// A counting allocator reports allocations per keystroke, and
// BM_MatcherBuild the heap bytes a matcher holds for a round-5 sentence.
//
// `bench_input --sentences` prints the sentences, one a line, and exits
// (bench/compare_keystroke.sh types the same ones into its peer).
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// Every allocation of the program passes here; the benchmark runs on one
// thread, so plain counters do. Each block carries its size in front so that
// the bytes in use are known.
struct Allocations {
  std::size_t count = 0;
  std::size_t bytesInUse = 0;
};
Allocations allocations;

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof size);
  ++allocations.count;
  allocations.bytesInUse += size;
  return static_cast<char*>(block) + kHeader;
}

void release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - kHeader;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  allocations.bytesInUse -= size;
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* pointer) noexcept {
  release(pointer);
}
void operator delete[](void* pointer) noexcept {
  release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  release(pointer);
}

namespace {

using namespace tavro;

struct Keystroke {
  std::size_t sentence;
  char key;  // one key of the sentence's first spelling
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
      for (char key : spelling) out.keystrokes.push_back({index, key});
    }
    Romaji::detail::clearPathCache();
    return out;
  }();
  return round;
}

// What the host reads after every keystroke, kept between keystrokes so
// that their storage is reused.
struct Screen {
  std::vector<std::string> next;
  std::optional<std::string> expected;
  std::vector<RomajiHint> hints;
  std::int64_t done = 0;
};

// Plays keystrokes one by one, starting a matcher at each sentence: a copy
// of one made beforehand, or (`fresh`) a new one.
class Typist {
 public:
  Typist(const Round& round, bool fresh)
      : round_(round), fresh_(fresh), matcher_(Matcher::romaji("")) {
    for (const std::string& prompt : round.prompts) prebuilt_.push_back(Matcher::romaji(prompt));
  }

  // Allocations in keystrokes that do not start a sentence.
  std::size_t allocationsWithinSentences = 0;

  void keystroke() {
    const Keystroke& stroke = round_.keystrokes[next_];
    std::size_t allocationsBefore = allocations.count;
    bool starts = stroke.sentence != sentence_;
    if (starts) {
      sentence_ = stroke.sentence;
      if (fresh_) {
        matcher_ = Matcher::romaji(round_.prompts[sentence_]);
      } else {
        matcher_ = prebuilt_[sentence_];
      }
    }
    bool accepted = matcher_.input(std::string_view(&stroke.key, 1));
    matcher_.next(screen_.next);
    screen_.expected = matcher_.expectedInput();
    matcher_.hints(3, screen_.hints);
    screen_.done = matcher_.completedCharacters();
    if (!accepted) std::abort();  // the preferred spelling must always be accepted
    benchmark::DoNotOptimize(screen_);
    if (!starts) allocationsWithinSentences += allocations.count - allocationsBefore;
    if (++next_ == round_.keystrokes.size()) {
      next_ = 0;
      sentence_ = round_.prompts.size();  // forces a new start for sentence 0
    }
  }

 private:
  const Round& round_;
  bool fresh_;
  std::vector<Matcher> prebuilt_;
  Matcher matcher_;
  Screen screen_;
  std::size_t sentence_ = SIZE_MAX;  // no sentence started yet
  std::size_t next_ = 0;
};

// Runs the keystrokes and reports allocations per keystroke, after one
// round that lets the reused storage grow to its size.
void typeKeystrokes(benchmark::State& state, bool fresh, bool cold) {
  const Round& round = roundFive();
  Romaji::detail::clearPathCache();
  Typist typist(round, fresh);
  for (std::size_t index = 0; index < round.keystrokes.size(); ++index) typist.keystroke();
  std::size_t before = allocations.count;
  typist.allocationsWithinSentences = 0;
  for (auto _ : state) {
    if (cold) Romaji::detail::clearPathCache();  // counted: emptying is part of a cold keystroke
    typist.keystroke();
  }
  double keystrokes = static_cast<double>(state.iterations());
  state.counters["allocs/keystroke"] = static_cast<double>(allocations.count - before) / keystrokes;
  // A sentence's first keystroke may allocate: a new matcher, and hints
  // growing back to three entries after the end of the previous sentence.
  state.counters["allocs/keystroke within"] =
      static_cast<double>(typist.allocationsWithinSentences) / keystrokes;
  state.counters["keystrokes/round"] = static_cast<double>(round.keystrokes.size());
}

void BM_KeystrokeSteady(benchmark::State& state) {
  typeKeystrokes(state, false, false);
}
void BM_KeystrokeWithMatcher(benchmark::State& state) {
  typeKeystrokes(state, true, false);
}
void BM_KeystrokeCold(benchmark::State& state) {
  typeKeystrokes(state, true, true);
}

// Makes a matcher for each round-5 sentence in turn and reports the heap
// bytes one holds (the sentence's heads and counts, the typed text, its
// states), made and after its sentence has been typed, plus its own size.
void BM_MatcherBuild(benchmark::State& state) {
  const Round& round = roundFive();
  std::size_t sentence = 0;
  for (auto _ : state) {
    Matcher matcher = Matcher::romaji(round.prompts[sentence]);
    benchmark::DoNotOptimize(matcher);
    if (++sentence == round.prompts.size()) sentence = 0;
  }
  std::size_t made = 0;
  std::size_t typed = 0;
  std::size_t most = 0;
  for (std::size_t index = 0; index < round.prompts.size(); ++index) {
    std::size_t start = allocations.bytesInUse;
    Matcher matcher = Matcher::romaji(round.prompts[index]);
    made += allocations.bytesInUse - start;
    for (const Keystroke& stroke : round.keystrokes) {
      if (stroke.sentence == index) matcher.input(std::string_view(&stroke.key, 1));
    }
    std::size_t held = allocations.bytesInUse - start;
    typed += held;
    most = std::max(most, held);
  }
  double sentences = static_cast<double>(round.prompts.size());
  state.counters["bytes/matcher"] = static_cast<double>(made) / sentences + sizeof(Matcher);
  state.counters["bytes/matcher typed"] = static_cast<double>(typed) / sentences + sizeof(Matcher);
  state.counters["bytes/matcher typed max"] = static_cast<double>(most) + sizeof(Matcher);
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

double minimum(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}
double maximum(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

}  // namespace

BENCHMARK(BM_KeystrokeSteady)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", minimum)
    ->ComputeStatistics("max", maximum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_KeystrokeWithMatcher)
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
BENCHMARK(BM_MatcherBuild)
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

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--sentences") == 0) {
    for (const std::string& prompt : roundFive().prompts) std::printf("%s\n", prompt.c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
