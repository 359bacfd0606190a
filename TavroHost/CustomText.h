// The learner's own Japanese text as both tutors take it: the two fields
// (the text, one practice item per line, and its reading) judged by the
// core, what is wrong said before the rule when it refuses them, and the
// round of the accepted items. The fields' lines are separated by "\n", as
// both tutors' text fields give them; nothing of the text is stored.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroHost/HostMessage.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The rule shown under every refusal.
inline constexpr std::string_view customTextRule =
    "Use matching lines, Hiragana and punctuation, up to 2,000 characters. No text is saved.";

// The bytes a field may hold besides its character limit: enough for the
// longest text the core takes, written with combining marks.
inline constexpr std::size_t customTextMaximumBytes = 16 * 1024;

// What the core makes of the two fields.
struct CustomTextVerdict {
  // The items, in order; empty when the fields are refused.
  std::vector<JapanesePrompt> prompts;
  // What is wrong, when the fields are refused and it can be told (an empty
  // field, line counts that differ, a reading line that cannot be typed);
  // the rule says the rest.
  std::optional<HostMessage> problem;
  // The reading line the core refuses, counted among all the reading
  // field's lines from 0 (empty ones too), as the field shows them.
  std::optional<std::size_t> faultyReadingLine;

  bool accepted() const { return !prompts.empty(); }
};

// The lines of a field that hold an item (the lines that are not empty).
std::size_t customTextItemLines(std::string_view field);

// Judges the text and its reading. A field beyond the core's limits (in
// characters, or customTextMaximumBytes in bytes) is refused without a
// line-by-line search, so the work stays bounded whatever was pasted.
CustomTextVerdict judgeCustomText(std::string_view text, std::string_view reading);

// A paste of lines "word<Tab>reading" into the text field, split: the
// words for the text field (every line, with or without a Tab), the
// readings for the reading field (the lines that had a Tab; a further Tab
// becomes a space), and how many readings there were. "\r\n" ends a line
// as "\n" does.
struct TabbedPaste {
  std::string words;
  std::string readings;
  std::size_t readingLines = 0;
};
// Nothing when the paste holds no Tab.
std::optional<TabbedPaste> splitTabbedPaste(std::string_view pasted);

// The round of accepted items: one round, its readings typed in romaji,
// kept under the learner's-text exercise. Nothing when there are no items.
std::optional<PracticeRound> customTextRound(const std::vector<JapanesePrompt>& prompts, bool jis);

}  // namespace tavro
