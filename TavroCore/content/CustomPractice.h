// Practice with the learner's own Japanese text: one practice item per
// pasted line, typed by the reading given for it in hiragana, one line per
// item. The reading can be proposed from the text, is normalised to
// half-width forms and hiragana, and the whole input is refused as soon as
// one line does not fit. Nothing is stored.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::CustomPractice {

// The largest accepted length in characters of the display text and of the
// reading text, each counted whole with its line breaks.
inline constexpr std::size_t maximumCharacters = 2000;

// `text` with full-width forms made half-width (ＡＢＣ１２ becomes ABC12) and
// katakana made hiragana. When a transform cannot be applied the original
// text is returned unchanged.
std::string normalize(std::string_view text);

// A proposed hiragana reading of a Japanese text, word by word: a word of
// the vocabulary gets its reading, any other word the reading of the IPA
// dictionary (suffixes such as 力 or 性 read with the word before them);
// text between words and words without a reading (digits, Latin letters,
// symbols, unknown words) are kept as they are. The result is normalised.
// Never fails; safe to call from several threads at once.
std::string suggestedReading(std::string_view text);

// The practice prompts of a display text and its reading text, paired line
// by line (empty lines dropped on both sides), one single-segment prompt
// per line. Each reading line is normalised and stripped of white space and
// may then hold only hiragana, digits, the long-vowel mark and the
// punctuation ー、。！？!?.,-「」（）(). An empty list when the display is
// empty, either text is longer than maximumCharacters, the line counts
// differ, or any reading line is empty or holds another character.
std::vector<JapanesePrompt> items(std::string_view display, std::string_view reading);

}  // namespace tavro::CustomPractice
