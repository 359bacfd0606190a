// A small kanji vocabulary: basic one-kanji words and everyday two-kanji
// words (tango), the guided rounds built from them, and a greedy conversion
// that shows the known words of a hiragana text in kanji.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavro::Vocabulary {

// The 20 basic words (顔[かお] to 形[かたち]), one segment each.
const std::vector<JapanesePrompt>& basic();

// The 30 everyday words (学校[がっこう] to 努力[どりょく]), one segment each.
const std::vector<JapanesePrompt>& tango();

// A guided vocabulary round: 1 the first 10 basic words, 2 the last 10,
// 3 the tango words whose reading holds a voiced or semi-voiced kana or a
// small tsu, 4 those whose reading holds a small ya, yu or yo; any other
// round all tango words.
std::vector<JapanesePrompt> guided(std::int64_t round);

// `text` with every known word shown in kanji: from the front, the entry of
// basic, tango and six further words (今日, 明日, 毎日, 練習, 友達, 映画) with
// the longest reading that begins the rest of the text wins; a character no
// word begins with becomes a segment of its own. An empty text gives a
// prompt with no segments.
JapanesePrompt converted(std::string_view text);

}  // namespace tavro::Vocabulary
