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
// katakana made hiragana. The long-vowel mark stays as written (こーひー and
// コーヒー give こーひー, typed "ko-hi-"); a half-width one becomes ー.
std::string normalize(std::string_view text);

// A word of a suggested reading that the learner should check: a word the
// dictionary reads in more than one common way (今日 きょう or こんにち), a
// word it does not know (Latin letters among them, kept as written), or a
// count whose reading varies (7人, 3階, 1日 without a month, a number read
// digit by digit). Positions count characters (grapheme clusters, a CR LF
// pair is one) from the start of the text given and of the reading returned;
// ill-formed UTF-8 in the text counts one U+FFFD per bad sequence.
struct ReadingGuess {
  std::size_t textStart = 0;
  std::size_t textLength = 0;
  std::size_t readingStart = 0;
  std::size_t readingLength = 0;

  bool operator==(const ReadingGuess&) const = default;
};

// A proposed reading and its guesses, in order, never overlapping.
struct ReadingSuggestion {
  std::string reading;
  std::vector<ReadingGuess> guesses;

  bool operator==(const ReadingSuggestion&) const = default;
};

// A proposed hiragana reading of a Japanese text, word by word: a word of
// the vocabulary gets its reading, any other word the reading of the IPA
// dictionary (suffixes such as 力 or 性 read with the word before them);
// numbers, in digits or kanji, are read in words, and with a counter as
// one says them (3本 さんぼん, 1人 ひとり, 5日 いつか, 3月 さんがつ, 2024年
// にせんにじゅうよねん); katakana long vowels keep their ー. Text between
// words and words without a reading (Latin letters, symbols, unknown words)
// are kept as they are. The result is normalised. Never fails; safe to call
// from several threads at once. A host that shows the reading marks
// `guesses` so the learner checks those words first.
ReadingSuggestion readingSuggestion(std::string_view text);

// `readingSuggestion(text).reading`.
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
