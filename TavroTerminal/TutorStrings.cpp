#include "TavroTerminal/TutorStrings.h"

#include "TavroCore/settings/UIStrings.h"

#include <unordered_map>

namespace tavro::terminal::TutorStrings {
namespace {

const std::unordered_map<std::string_view, std::string_view>& index() {
  static const auto byEnglish = [] {
    std::unordered_map<std::string_view, std::string_view> map;
    for (const Translation& row : japanese()) map.emplace(row.english, row.japanese);
    return map;
  }();
  return byEnglish;
}

}  // namespace

std::optional<std::string_view> translation(std::string_view english) {
  const auto& map = index();
  auto found = map.find(english);
  if (found == map.end()) return std::nullopt;
  return found->second;
}

std::string filled(std::string_view pattern, const std::vector<std::string>& values) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    if (pattern[at] == '{' && at + 2 < pattern.size() && pattern[at + 1] >= '1' &&
        pattern[at + 1] <= '9' && pattern[at + 2] == '}') {
      std::size_t number = static_cast<std::size_t>(pattern[at + 1] - '1');
      if (number < values.size()) {
        out += values[number];
        at += 2;
        continue;
      }
    }
    out += pattern[at];
  }
  return out;
}

std::string text(std::string_view text, bool english) {
  if (english) return std::string(text);
  if (std::optional<std::string_view> core = UIStrings::translation(text)) return std::string(*core);
  return std::string(translation(text).value_or(text));
}

std::string text(std::string_view pattern, bool english, std::initializer_list<std::string> values) {
  return filled(text(pattern, english), std::vector<std::string>(values));
}

Message::Message(std::string pattern, std::vector<std::string> values, std::vector<Message> parts)
    : pattern(std::move(pattern)), values(std::move(values)), parts(std::move(parts)) {}

std::string Message::text(bool english) const {
  std::vector<std::string> all = values;
  for (const Message& part : parts) all.push_back(part.text(english));
  return filled(TutorStrings::text(pattern, english), all);
}

}  // namespace tavro::terminal::TutorStrings
