#include "TavroTerminal/TutorStrings.h"

#include "Support/StringIndex.h"
#include "TavroCore/settings/UIStrings.h"

namespace tavro::terminal::TutorStrings {

std::optional<std::string_view> translation(std::string_view english) {
  static const StringIndex byEnglish(japanese(), &Translation::english, &Translation::japanese);
  return byEnglish.find(english);
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

std::string text(std::string_view text, InterfaceLanguage language) {
  if (language == InterfaceLanguage::english) return std::string(text);
  if (std::optional<std::string_view> core = UIStrings::translation(text)) return std::string(*core);
  return std::string(translation(text).value_or(text));
}

std::string text(std::string_view pattern, InterfaceLanguage language,
                 std::initializer_list<std::string> values) {
  return filled(text(pattern, language), std::vector<std::string>(values));
}

Message::Message(std::string pattern, std::vector<std::string> values, std::vector<Message> parts)
    : pattern(std::move(pattern)), values(std::move(values)), parts(std::move(parts)) {}

std::string Message::text(InterfaceLanguage language) const {
  std::vector<std::string> all = values;
  for (const Message& part : parts) all.push_back(part.text(language));
  return filled(TutorStrings::text(pattern, language), all);
}

}  // namespace tavro::terminal::TutorStrings
