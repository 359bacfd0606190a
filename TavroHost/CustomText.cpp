#include "TavroHost/CustomText.h"

#include <algorithm>

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/content/CustomPractice.h"

#include <string>

namespace tavro {
namespace {

std::vector<std::string_view> fieldLines(std::string_view field) {
  std::vector<std::string_view> lines = text::split(field, '\n');
  // A CR LF pair is one break, as the core counts it.
  for (std::string_view& line : lines)
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return lines;
}

bool withinLimits(std::string_view field) {
  return field.size() <= customTextMaximumBytes &&
         text::characterCount(field) <= CustomPractice::maximumCharacters;
}

}  // namespace

std::size_t customTextItemLines(std::string_view field) {
  std::size_t count = 0;
  for (std::string_view line : fieldLines(field))
    if (!line.empty()) ++count;
  return count;
}

CustomTextVerdict judgeCustomText(std::string_view text, std::string_view reading) {
  CustomTextVerdict verdict;
  if (!withinLimits(text) || !withinLimits(reading)) return verdict;
  verdict.prompts = CustomPractice::items(text, reading);
  if (verdict.accepted()) return verdict;
  // Say what is wrong before the rule itself.
  std::size_t textLines = customTextItemLines(text);
  std::size_t readingLines = customTextItemLines(reading);
  if (textLines == 0) {
    verdict.problem =
        HostMessage("Paste or type the Japanese text first, one practice item per line.");
  } else if (readingLines == 0) {
    verdict.problem = HostMessage("Give the reading of each line, or choose Generate reading.");
  } else if (textLines != readingLines) {
    verdict.problem = HostMessage(
        textLines == 1
            ? "The text has {1} line and the reading {2}: give one reading line per text line."
            : "The text has {1} lines and the reading {2}: give one reading line per text line.",
        {std::to_string(textLines), std::to_string(readingLines)});
  } else {
    // Pair the lines as the core does and find the first pair it refuses.
    std::vector<std::string_view> shown;
    for (std::string_view line : fieldLines(text))
      if (!line.empty()) shown.push_back(line);
    std::vector<std::string_view> lines = fieldLines(reading);
    std::size_t item = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
      if (lines[index].empty()) continue;
      if (CustomPractice::items(shown[item], lines[index]).empty()) {
        verdict.faultyReadingLine = index;
        verdict.problem = HostMessage(
            "Reading line {1} cannot be typed: use hiragana, digits and punctuation only.",
            {std::to_string(item + 1)});
        break;
      }
      ++item;
    }
  }
  return verdict;
}

std::optional<PracticeRound> customTextRound(const std::vector<JapanesePrompt>& prompts, bool jis) {
  if (prompts.empty()) return std::nullopt;
  std::vector<RoundPrompt> list;
  list.reserve(prompts.size());
  for (const JapanesePrompt& prompt : prompts) list.push_back({prompt, std::nullopt});
  return PracticeRound(Exercise::customText, 1, jis, std::move(list));
}

std::optional<TabbedPaste> splitTabbedPaste(std::string_view pasted) {
  if (pasted.find('\t') == std::string_view::npos) return std::nullopt;
  TabbedPaste split;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= pasted.size(); ++at) {
    if (at < pasted.size() && pasted[at] != '\n') continue;
    std::string_view line = pasted.substr(start, at - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t tab = line.find('\t');
    split.words += line.substr(0, tab);
    if (at < pasted.size()) split.words += '\n';
    if (tab != std::string_view::npos) {
      std::string rest(line.substr(tab + 1));
      std::replace(rest.begin(), rest.end(), '\t', ' ');
      if (split.readingLines > 0) split.readings += '\n';
      split.readings += rest;
      ++split.readingLines;
    }
    start = at + 1;
  }
  return split;
}

}  // namespace tavro
