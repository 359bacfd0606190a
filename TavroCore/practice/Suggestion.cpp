#include "TavroCore/practice/Suggestion.h"

#include "TavroCore/RawValue.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

namespace tavro {
namespace {

constexpr std::int64_t fixedRounds = 6;

// Whether an attempt is one of the fixed rounds of the exercise's mode (and,
// when the level chooses the words, of that level), as the score tables
// count it. Round 7 and the drill are built from the weak keys, so their
// speed says nothing about the fixed rounds.
bool counts(const Attempt& attempt, std::string_view mode,
            std::optional<std::string_view> level) {
  return attempt.round() >= 1 && attempt.round() <= fixedRounds && attempt.mode() == mode &&
         Archive::inLevelTable(attempt, level);
}

// An attempt's speed. A stored file may hold counts over a vanishing or
// negative time; such a speed counts as 0, so that no NaN reaches the
// sorting of the median (which it would leave without an order).
double speed(const Attempt& attempt) {
  double cpm = attempt.cpm();
  return std::isfinite(cpm) ? cpm : 0;
}

double median(std::vector<double>& speeds) {
  std::size_t middle = speeds.size() / 2;
  std::nth_element(speeds.begin(), speeds.begin() + static_cast<std::ptrdiff_t>(middle),
                   speeds.end());
  double upper = speeds[middle];
  if (speeds.size() % 2 == 1) return upper;
  double lower = *std::max_element(speeds.begin(), speeds.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2;
}

Suggestion suggest(std::int64_t round, SuggestionReason reason, double bestSpeed = 0,
                   double medianSpeed = 0) {
  Suggestion suggestion;
  suggestion.round = round;
  suggestion.reason = reason;
  suggestion.bestSpeed = bestSpeed;
  suggestion.medianSpeed = medianSpeed;
  return suggestion;
}

// The key of the mode most in need of the drill, when one is weak enough
// and typed often enough for that to be more than a slip.
std::optional<Suggestion> weakKey(const Archive& archive, std::string_view mode) {
  if (!archive.weakKeys) return std::nullopt;
  auto entry = archive.weakKeys->modes.find(mode);
  if (entry == archive.weakKeys->modes.end()) return std::nullopt;

  const std::string* weakest = nullptr;
  double weakestAccuracy = 0;
  std::int64_t weakestTyped = 0;
  for (const auto& [key, tally] : entry->second) {
    if (tally.attempts < Suggestions::weakKeyMinimumTyped) continue;
    // A stored tally may claim more misses than keystrokes, or negative
    // ones; the accuracy stays within 0 to 100 % all the same.
    std::int64_t errors = std::clamp<std::int64_t>(tally.errors, 0, tally.attempts);
    // Percent first: 9 of 10 is exactly 90 %, which is not under the threshold.
    double accuracy = static_cast<double>(tally.attempts - errors) * 100 /
                      static_cast<double>(tally.attempts);
    if (!(accuracy < Suggestions::weakKeyThreshold)) continue;
    // The keys arrive in code-point order, so the first of equals is kept.
    if (weakest && (accuracy > weakestAccuracy ||
                    (accuracy == weakestAccuracy && tally.attempts <= weakestTyped)))
      continue;
    weakest = &key;
    weakestAccuracy = accuracy;
    weakestTyped = tally.attempts;
  }
  if (!weakest) return std::nullopt;
  Suggestion suggestion = suggest(drillRound, SuggestionReason::weakKey);
  suggestion.key = *weakest;
  suggestion.keyAccuracy = weakestAccuracy;
  return suggestion;
}

}  // namespace

std::optional<Suggestion> Suggestions::next(Exercise exercise, JLPTLevel level,
                                            const Archive& archive, bool drillAvailable) {
  if (exercise == Exercise::customText) return std::nullopt;
  std::string_view exerciseMode = mode(exercise);
  std::optional<std::string_view> levelText;
  if (usesLevel(exercise)) levelText = rawValue(level);

  // One pass: every speed for the median, each round's best, and the
  // latest attempt by date (of equal dates, the one appended last).
  std::vector<double> speeds;
  std::array<std::optional<double>, fixedRounds> best{};
  const Attempt* latest = nullptr;
  for (const Attempt& attempt : archive.attempts) {
    if (!counts(attempt, exerciseMode, levelText)) continue;
    double value = speed(attempt);
    speeds.push_back(value);
    std::optional<double>& roundBest = best[static_cast<std::size_t>(attempt.round() - 1)];
    if (!roundBest || value > *roundBest) roundBest = value;
    // Written so that a date that is not a number never keeps its place.
    if (!latest || !(attempt.date() < latest->date())) latest = &attempt;
  }
  if (!latest) return Suggestion{};

  if (drillAvailable) {
    if (std::optional<Suggestion> drill = weakKey(archive, exerciseMode)) return drill;
  }

  double usual = median(speeds);
  for (std::int64_t step = 1; step <= fixedRounds; ++step) {
    std::int64_t round = (latest->round() - 1 + step) % fixedRounds + 1;
    const std::optional<double>& roundBest = best[static_cast<std::size_t>(round - 1)];
    if (!roundBest) return suggest(round, SuggestionReason::notYetTaken);
    if (*roundBest < usual) {
      return suggest(round, SuggestionReason::belowMedian, *roundBest, usual);
    }
  }

  // Every round is taken and none lags: the one with the lowest best.
  std::int64_t slowest = 1;
  for (std::int64_t round = 2; round <= fixedRounds; ++round) {
    if (*best[static_cast<std::size_t>(round - 1)] < *best[static_cast<std::size_t>(slowest - 1)])
      slowest = round;
  }
  return suggest(slowest, SuggestionReason::slowestBest,
                 *best[static_cast<std::size_t>(slowest - 1)], usual);
}

}  // namespace tavro
