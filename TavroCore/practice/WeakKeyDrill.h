// The weak-key drill: 25 prompts of the exercise's own material chosen
// for the keys the learner misses, weighted by how often each is missed
// and how often it was typed, so that the weakest key takes the largest
// share of the prompts and every weak key that the material holds is met at
// all. (A vowel is in most words whatever is chosen, so it may still be met
// more often than a weaker consonant; the shares are what the weights decide.) Round 7 stays the
// documented weak-key round (stored scores and other hosts expect it); the
// drill is an exercise of its own beside it (`drillRound`).
#pragma once

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/WeakKeyHistory.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/practice/Exercise.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavro {

// One weak key of the drill and its share of the 25 prompts.
struct DrillKey {
  std::string key;           // the key text as the weak-key history keeps it
  double weight = 0;         // errors / (attempts + 5): a smoothed error rate
  std::int64_t prompts = 0;  // prompts chosen for this key
};

struct WeakKeyDrill {
  static constexpr std::size_t promptCount = 25;
  // At most this many weak keys take part, weightiest first.
  static constexpr std::size_t maximumKeys = 6;

  // The keys drilled, weightiest first (the order of the shares); only keys
  // missed at least once that occur in the material.
  std::vector<DrillKey> keys;
  // The prompts in the order they are typed; empty when no weak key of the
  // mode occurs in the material (no history yet, or nothing missed), and
  // always for the learner's own text, which has no material to choose from.
  std::vector<RoundPrompt> prompts;

  // Builds the drill of `exercise` from `history` (its mode's keys):
  // - The material is rounds 1 to 6 of the exercise (of `level` where the
  //   level chooses the words), each distinct prompt once.
  // - A prompt's keys are what the learner types for it, in the alphabet the
  //   history records: the spelling the guide shows in `style` for romaji,
  //   the kana-key sequence on the layout `jis` names for kana keys, the
  //   text itself for English (letter case kept) and for Devanagari typed
  //   directly, the roman form lower-cased for Nepali romanized.
  // - Each key missed at least once gets the weight errors / (attempts + 5),
  //   so one slip in one keystroke does not outweigh a key missed often over
  //   many; the `maximumKeys` weightiest that occur in the material are
  //   drilled (ties: more errors, then key text in code-point order).
  // - The 25 places are shared out in proportion to the weights (largest
  //   remainder, at least one each, the weightiest never fewer than another).
  //   Each key, weightiest first, takes its share from the prompts in which it
  //   is densest (its occurrences per key typed, then the weighted density of
  //   all drilled keys, then material order) that are not taken yet.
  // - A key met in more than half of the material (a vowel) still gets its
  //   share but lets no other prompt in: places left over go to the prompts
  //   densest in the drilled keys that are not so common, and only when every
  //   drilled key is that common to the densest of all. When the material
  //   has too few prompts, the chosen ones repeat in order.
  // - No prompt without a drilled key is ever chosen. The prompts are typed
  //   with the keys' shares interleaved, weightiest first, so that no key is
  //   drilled in one long run.
  static WeakKeyDrill build(Exercise exercise, JLPTLevel level, const WeakKeyHistory& history,
                            bool jis, RomajiStyle style);
};

}  // namespace tavro
