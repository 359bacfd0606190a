// The running count of one practice round of 25 words: accepted and
// rejected keystrokes, when typing started, when the last keystroke came and
// when the round was completed. Times are seconds on one clock of the host's
// choosing; only their differences matter. The session never reads a clock.
#pragma once

#include "TavroCore/history/Attempt.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

class WordSession {
 public:
  // Words in every round.
  static constexpr std::int64_t wordLimit = 25;

  // A new round: every counter 0, every time absent.
  WordSession() = default;

  // Counts one judged input event of `count` keystrokes at time `at`.
  // Ignored once the round is complete or when count is below 1.
  void recordInput(bool accepted, std::int64_t count, double at);

  // The word being typed was finished. Ignored before the first input and
  // after completion; the 25th word fixes finishedAt at the time of the last
  // recorded input, not of this call.
  void completeWord();

  // The record of the finished round with a fresh id and the current date,
  // or nothing while the round is not complete. Each call makes a new
  // record, so the host calls it once.
  std::optional<Attempt> attempt(const std::string& mode, std::int64_t round) const;
  // The same with the JLPT level of a level-dependent round ("N5" to "N1",
  // see Attempt::setJLPTLevel; absent for other rounds). Throws
  // std::invalid_argument for any other level text.
  std::optional<Attempt> attempt(const std::string& mode, std::int64_t round,
                                 std::optional<std::string_view> jlptLevel) const;

  std::int64_t completedWords() const { return completedWords_; }
  std::int64_t correct() const { return correct_; }
  std::int64_t misses() const { return misses_; }
  std::optional<double> startedAt() const { return startedAt_; }
  std::optional<double> lastInputAt() const { return lastInputAt_; }
  std::optional<double> finishedAt() const { return finishedAt_; }

  // True once all 25 words are done.
  bool isComplete() const { return completedWords_ == wordLimit; }
  // The 1-based number of the word now typed; stays 25 after completion.
  std::int64_t currentWord() const {
    return completedWords_ + 1 < wordLimit ? completedWords_ + 1 : wordLimit;
  }

 private:
  std::int64_t completedWords_ = 0;
  std::int64_t correct_ = 0;
  std::int64_t misses_ = 0;
  std::optional<double> startedAt_;
  std::optional<double> lastInputAt_;
  std::optional<double> finishedAt_;
};

}  // namespace tavro
