// The JLPT curriculum: for each level N5 to N1, six rounds typed in romaji
// that grow from single hiragana to full sentences, and a seventh round
// built from the learner's weak keys. The word lists are constant texts
// ("display/reading|..." for kanji words, "kana|kana|..." for kana words)
// parsed each time a round is built.
#pragma once

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/content/JapanesePrompt.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::JLPTCurriculum {

// The six round titles, in round order.
const std::vector<std::string>& titles();

// The prompts of a round of the level:
// 1 the 14 base kana, then (N4 to N1) 6 voiced kana of the level;
// 2 the level's short kana words;
// 3 the level's extra words, short words and core words whose reading holds
//   a voiced or semi-voiced kana, a small tsu, ya, yu or yo (duplicates kept);
// 4 the core words; 5 the advanced words and the first 5 sentences;
// 6 the sentences;
// 7 the core, advanced and short prompts whose preferred romaji spelling
//   holds any character of `weakKeys` (case-sensitive), or all of them when
//   none does;
// any other round an empty list.
std::vector<JapanesePrompt> prompts(JLPTLevel level, std::int64_t round, std::string_view weakKeys);

// The level's core kanji words.
std::vector<JapanesePrompt> core(JLPTLevel level);

// Whether the prompts of a round of an exercise mode come from the chosen
// JLPT level, so that its attempts record the level and rank per level:
// rounds 1 to 7 of "romaji" (the JLPT rounds typed in romaji) and of "kana"
// (the same rounds on the kana keys). Round 1 counts too, since from N4 on
// it adds the level's voiced kana. False for every other mode or round.
bool usesLevel(std::string_view mode, std::int64_t round);

}  // namespace tavro::JLPTCurriculum
