// Quality and speed of suggested readings. Every display/reading pair of the
// JLPT lists and of rounds 4 to 6 of the main curriculum is read with
// CustomPractice::suggestedReading and compared with its stored reading;
// after the timings the misses are listed and the last line is
// "exact: N/M". The timings read the JLPT sentences and report characters
// per second.
#include "Support/Text.h"
#include "TavroCore/content/CustomPractice.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/content/MainRomajiCurriculum.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using tavro::JapanesePrompt;

// Every pair list of every level (core, advanced, sentences) and the kanji
// rounds of the main curriculum, in that order.
std::vector<JapanesePrompt> pairedPrompts() {
  std::vector<JapanesePrompt> prompts;
  for (tavro::JLPTLevel level : tavro::JLPTLevels::allCases) {
    for (JapanesePrompt& prompt : tavro::JLPTCurriculum::core(level))
      prompts.push_back(std::move(prompt));
    // Round 5 is the advanced list followed by the first five sentences.
    std::vector<JapanesePrompt> round5 = tavro::JLPTCurriculum::prompts(level, 5, "");
    round5.resize(round5.size() - 5);
    for (JapanesePrompt& prompt : round5) prompts.push_back(std::move(prompt));
    for (JapanesePrompt& prompt : tavro::JLPTCurriculum::prompts(level, 6, ""))
      prompts.push_back(std::move(prompt));
  }
  for (std::int64_t round = 4; round <= 6; ++round) {
    for (JapanesePrompt& prompt : tavro::MainRomajiCurriculum::prompts(round))
      prompts.push_back(std::move(prompt));
  }
  return prompts;
}

std::vector<std::string> jlptSentences() {
  std::vector<std::string> sentences;
  for (tavro::JLPTLevel level : tavro::JLPTLevels::allCases) {
    for (const JapanesePrompt& prompt : tavro::JLPTCurriculum::prompts(level, 6, "")) {
      sentences.push_back(prompt.display());
    }
  }
  return sentences;
}

void BM_SuggestedReadingJLPTSentences(benchmark::State& state) {
  const std::vector<std::string> sentences = jlptSentences();
  std::int64_t characters = 0;
  for (const std::string& sentence : sentences)
    characters += static_cast<std::int64_t>(tavro::text::graphemeCount(sentence));
  tavro::CustomPractice::suggestedReading("");  // loads the dictionary outside the timing
  for (auto _ : state) {
    for (const std::string& sentence : sentences)
      benchmark::DoNotOptimize(tavro::CustomPractice::suggestedReading(sentence));
  }
  state.counters["characters_per_second"] = benchmark::Counter(
      static_cast<double>(characters), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SuggestedReadingJLPTSentences)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(false);

// Anchor for the figures above: the same sentences converted from katakana
// to hiragana by one ICU transform, the cheapest step of the pipeline.
void BM_AnchorTransformJLPTSentences(benchmark::State& state) {
  const std::vector<std::string> sentences = jlptSentences();
  std::int64_t characters = 0;
  for (const std::string& sentence : sentences)
    characters += static_cast<std::int64_t>(tavro::text::graphemeCount(sentence));
  for (auto _ : state) {
    for (const std::string& sentence : sentences) {
      benchmark::DoNotOptimize(tavro::text::transform("Hiragana-Katakana", sentence, true));
    }
  }
  state.counters["characters_per_second"] = benchmark::Counter(
      static_cast<double>(characters), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AnchorTransformJLPTSentences)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(false);

void reportAccuracy() {
  const std::vector<JapanesePrompt> prompts = pairedPrompts();
  std::size_t exact = 0;
  for (const JapanesePrompt& prompt : prompts) {
    const std::string display = prompt.display();
    const std::string stored = prompt.reading();
    const std::string suggested = tavro::CustomPractice::suggestedReading(display);
    if (suggested == stored) {
      ++exact;
    } else {
      std::printf("miss: %s  stored %s  suggested %s\n", display.c_str(), stored.c_str(),
                  suggested.c_str());
    }
  }
  std::printf("exact: %zu/%zu\n", exact, prompts.size());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::fflush(stdout);
  reportAccuracy();
  return 0;
}
