#include "TavroTerminal/TutorStrings.h"

#include "Support/StringIndex.h"
#include "TavroCore/settings/UIStrings.h"
#include "TavroHost/HostStrings.h"

namespace tavro::terminal::TutorStrings {

std::optional<std::string_view> translation(std::string_view english) {
  static const StringIndex byEnglish(japanese(), &Translation::english, &Translation::japanese);
  return byEnglish.find(english);
}

std::string filled(std::string_view pattern, const std::vector<std::string>& values) {
  return fillPlaceholders(pattern, values);
}

std::string text(std::string_view text, InterfaceLanguage language) {
  if (language == InterfaceLanguage::english) return std::string(text);
  if (std::optional<std::string_view> core = UIStrings::translation(text)) return std::string(*core);
  if (std::optional<std::string_view> shared = HostStrings::translation(text)) return std::string(*shared);
  return std::string(translation(text).value_or(text));
}

std::string text(std::string_view pattern, InterfaceLanguage language,
                 std::initializer_list<std::string> values) {
  return filled(text(pattern, language), std::vector<std::string>(values));
}

std::string Message::text(InterfaceLanguage language) const {
  return HostMessage::text([language](std::string_view english) { return TutorStrings::text(english, language); });
}

}  // namespace tavro::terminal::TutorStrings
