// Deals the round-5 sentences of the hiragana rounds in random order, each
// once per shuffle.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavro {

class SentenceDeck {
 public:
  // A deck with nothing remaining: next() gives nothing until reset().
  SentenceDeck() = default;

  // Refills the deck with the 25 round-5 sentences, shuffled uniformly with
  // the system's random source; every reset gives a new order.
  void reset();

  // Deals the next sentence, or nothing once the deck is empty.
  std::optional<std::string> next();

  // The sentences not yet dealt; the next one dealt is the last.
  const std::vector<std::string>& remaining() const { return remaining_; }

 private:
  std::vector<std::string> remaining_;
};

}  // namespace tavro
