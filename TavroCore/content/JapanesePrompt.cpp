#include "TavroCore/content/JapanesePrompt.h"

#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"

#include <utility>

namespace tavro {

ReadingSegment::ReadingSegment(std::string display, std::string reading)
    : display(std::move(display)), reading(std::move(reading)) {}

JapanesePrompt::JapanesePrompt(std::string display, std::string reading) {
  segments.emplace_back(std::move(display), std::move(reading));
}

JapanesePrompt::JapanesePrompt(std::vector<ReadingSegment> segments)
    : segments(std::move(segments)) {}

JapanesePrompt JapanesePrompt::kana(std::string_view word) {
  JapanesePrompt prompt;
  for (std::string& character : text::graphemes(word)) {
    prompt.segments.emplace_back(character, character);
  }
  return prompt;
}

std::string JapanesePrompt::display() const {
  std::string joined;
  for (const ReadingSegment& segment : segments) joined += segment.display;
  return joined;
}

std::string JapanesePrompt::reading() const {
  std::string joined;
  for (const ReadingSegment& segment : segments) joined += segment.reading;
  return joined;
}

bool JapanesePrompt::readingContainsAny(std::u32string_view codePoints) const {
  for (char32_t c : text::codePoints(reading())) {
    if (codePoints.find(c) != std::u32string_view::npos) return true;
  }
  return false;
}

std::int64_t JapanesePrompt::completedDisplayCharacters(std::int64_t readingCount) const {
  std::int64_t passed = 0;
  std::int64_t shown = 0;
  for (const ReadingSegment& segment : segments) {
    const auto readingLength = static_cast<std::int64_t>(text::graphemeCount(segment.reading));
    if (passed + readingLength > readingCount) break;
    passed += readingLength;
    shown += static_cast<std::int64_t>(text::graphemeCount(segment.display));
  }
  return shown;
}

std::int64_t JapanesePrompt::completedDisplayCharacters(std::string_view typed) const {
  return completedDisplayCharacters(Romaji::completedCharacters(reading(), typed));
}

}  // namespace tavro
