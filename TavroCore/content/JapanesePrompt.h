// A Japanese practice prompt: what is shown (kanji, kana, digits,
// punctuation) paired with what is typed (its reading in hiragana), as a run
// of segments. A kanji word counts as done on screen only once its whole
// reading has been typed, so progress is measured segment by segment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One piece of a prompt: the shown text and the reading typed for it. Digits
// and punctuation are their own reading.
struct ReadingSegment {
  std::string display;
  std::string reading;

  ReadingSegment(std::string display, std::string reading);

  bool operator==(const ReadingSegment&) const = default;
};

struct JapanesePrompt {
  std::vector<ReadingSegment> segments;

  // A prompt with no segments.
  JapanesePrompt() = default;
  // A prompt of exactly one segment.
  JapanesePrompt(std::string display, std::string reading);
  // A prompt made of the given segments, in order.
  explicit JapanesePrompt(std::vector<ReadingSegment> segments);

  // A kana word as a prompt of one segment per character, each shown and
  // read as itself (so every character is marked done as soon as it is typed).
  static JapanesePrompt kana(std::string_view word);

  // The shown texts of all segments, joined.
  std::string display() const;
  // The readings of all segments, joined: the text the learner types.
  std::string reading() const;

  // True when the reading holds any of the code points of `codePoints`
  // (ill-formed UTF-8 in the reading is read as U+FFFD).
  bool readingContainsAny(std::u32string_view codePoints) const;

  // The number of shown characters to mark as done once `readingCount`
  // characters of the reading are complete. A segment counts only when its
  // whole reading is complete: 学校[がっこう] gives 0 until 4, then 2.
  std::int64_t completedDisplayCharacters(std::int64_t readingCount) const;

  // The same for the romaji typed so far for this prompt, through the
  // number of reading characters that romaji completes.
  std::int64_t completedDisplayCharacters(std::string_view typed) const;

  bool operator==(const JapanesePrompt&) const = default;
};

}  // namespace tavro
