// What both tutors offer from the archive: the prompts of a round (the
// weak-key round from the ranking of the mode's missed keys, the drill from
// their weights) and the round to take next.
#pragma once

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/practice/Exercise.h"
#include "TavroCore/practice/Suggestion.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tavro {

// The prompts of round `number` of `exercise` (drillRound for the drill),
// with the archive's weak keys and layout; empty when the round has none
// (the drill before any key was missed, the learner's own text).
std::vector<RoundPrompt> roundPrompts(Exercise exercise, JLPTLevel level, std::int64_t number,
                                      const Archive& archive, RomajiStyle style);

// The round to take next (Suggestions::next), the drill offered only when it
// has prompts.
std::optional<Suggestion> nextSuggestion(Exercise exercise, JLPTLevel level, const Archive& archive,
                                         RomajiStyle style);

}  // namespace tavro
