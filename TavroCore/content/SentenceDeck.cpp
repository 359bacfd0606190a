#include "TavroCore/content/SentenceDeck.h"

#include "TavroCore/content/RomajiCurriculum.h"

#include <algorithm>
#include <random>

namespace tavro {

void SentenceDeck::reset() {
  remaining_ = RomajiCurriculum::rounds()[4];
  // No seed is kept: every draw comes from the system's random source.
  std::random_device source;
  std::shuffle(remaining_.begin(), remaining_.end(), source);
}

std::optional<std::string> SentenceDeck::next() {
  if (remaining_.empty()) return std::nullopt;
  std::string sentence = std::move(remaining_.back());
  remaining_.pop_back();
  return sentence;
}

}  // namespace tavro
