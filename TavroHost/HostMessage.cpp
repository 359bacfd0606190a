#include "TavroHost/HostMessage.h"

#include <utility>

namespace tavro {

HostMessage::HostMessage(std::string pattern, std::vector<std::string> values,
                         std::vector<HostMessage> parts)
    : pattern(std::move(pattern)), values(std::move(values)), parts(std::move(parts)) {}

std::string HostMessage::text(
    const std::function<std::string(std::string_view)>& translate) const {
  std::vector<std::string> all = values;
  for (const HostMessage& part : parts) all.push_back(part.text(translate));
  return fillPlaceholders(translate ? translate(pattern) : pattern, all);
}

std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string>& values) {
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

}  // namespace tavro
