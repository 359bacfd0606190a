// The prompts of the basic practice rounds of every exercise mode: the
// hiragana rounds (shared by "romaji", "guided-romaji" and "kana", which has
// its own round 5), the numeric keypad rounds, and the weak-key round 7 of
// each, built from the learner's most-missed keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::PracticeCurriculum {

// The six numeric keypad rounds, in round order (index 0 is round 1).
const std::vector<std::vector<std::string>>& numpadRounds();

// The prompts of `round` of `mode`. Rounds 1 to 6 are fixed lists ("numpad"
// its own, "kana" its phrases in round 5, every other mode the hiragana
// rounds); round 7 is the weak-key round; any other round is empty.
//
// `weakKeys` holds the learner's weak keys as characters, most important
// first. The weak round practises the first of them that occurs in the
// material: it keeps the prompts of rounds 1 to 6 whose keys contain that
// character (romaji spellings for "romaji" and "guided-romaji", the kana-key
// sequence on the layout `jis` chooses for "kana", the prompt itself
// otherwise), and the whole material when no weak key occurs in it. The
// "numpad" weak round is 25 prompts drawn from the weak keys that exist on
// the keypad (0-9 . + - * /), or from the ten digits when there are none.
std::vector<std::string> prompts(std::string_view mode, std::int64_t round,
                                 std::string_view weakKeys, bool jis);

}  // namespace tavro::PracticeCurriculum
