// The main romaji curriculum: six rounds that grow from single hiragana to
// kanji words and full sentences, each prompt pairing what is shown with the
// reading that is typed. From round 4 on (and in the guided mode always) the
// host shows the hiragana reading beside the prompt.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::MainRomajiCurriculum {

// The six round titles, in round order.
const std::vector<std::string>& titles();

// The prompts of a round counted from 1 (14 in round 1, 25 in rounds 2 to
// 6); an empty list for any other round.
std::vector<JapanesePrompt> prompts(std::int64_t round);

// Whether the hiragana reading is shown with the prompt: always in
// "guided-romaji", in rounds 4 to 6 of "romaji", never otherwise.
bool showsReadingGuide(std::string_view mode, std::int64_t round);

}  // namespace tavro::MainRomajiCurriculum
