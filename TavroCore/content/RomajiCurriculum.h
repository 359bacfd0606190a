// The basic hiragana rounds: six fixed lists of words and phrases typed in
// romaji (or on the kana keys), the "kana" mode's own phrase list for round 5,
// and the Japanese description of each round. The lists are constant and
// built on first use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavro::RomajiCurriculum {

// The six rounds of hiragana prompts, in round order (index 0 is round 1).
const std::vector<std::vector<std::string>>& rounds();

// The round-5 list of the "kana" mode: short phrases in place of the long
// sentences, which are tiring on the kana keys.
const std::vector<std::string>& kanaPhrases();

// The Japanese description of each of the six rounds, in round order.
const std::vector<std::string>& descriptions();

// The prompts of a round counted from 1; an empty list below 1 or above 6.
std::vector<std::string> prompts(int64_t round);

}  // namespace tavro::RomajiCurriculum
