#include "TavroCore/history/WordSession.h"

#include <stdexcept>

#include <limits>

namespace tavro {

void WordSession::recordInput(bool accepted, std::int64_t count, double at) {
  if (completedWords_ == wordLimit || count < 1) return;
  if (!startedAt_) startedAt_ = at;
  lastInputAt_ = at;
  // Counts beyond 64 bits are outside any real round; they stop at the
  // largest value instead of wrapping.
  std::int64_t& counter = accepted ? correct_ : misses_;
  if (__builtin_add_overflow(counter, count, &counter))
    counter = std::numeric_limits<std::int64_t>::max();
}

void WordSession::completeWord() {
  if (completedWords_ == wordLimit || !startedAt_) return;
  completedWords_ += 1;
  if (completedWords_ == wordLimit) finishedAt_ = lastInputAt_;
}

std::optional<Attempt> WordSession::attempt(const std::string& mode, std::int64_t round) const {
  if (completedWords_ != wordLimit || !startedAt_ || !finishedAt_) return std::nullopt;
  double elapsed = *finishedAt_ - *startedAt_;
  // Also catches NaN, which fails every comparison.
  if (!(elapsed >= 0)) elapsed = 0;
  return Attempt(mode, round, correct_, misses_, elapsed);
}

std::optional<Attempt> WordSession::attempt(const std::string& mode, std::int64_t round,
                                            std::optional<std::string_view> jlptLevel) const {
  // Checked before the round's state, so a wrong level is reported even
  // while the round is still being typed.
  if (jlptLevel && !Attempt::isJLPTLevelText(*jlptLevel))
    throw std::invalid_argument("Expected a JLPT level (N5 to N1)");
  std::optional<Attempt> result = attempt(mode, round);
  if (result) result->setJLPTLevel(jlptLevel);
  return result;
}

}  // namespace tavro
