// A message for the learner made where the interface language is not known
// (the files read at start, the bounds of what may be saved): its English
// text with "{1}" to "{9}" for the values, the values, and texts of their
// own (a reason inside a notice) for the placeholders after the values.
// Each host shows it in its interface language through its own table.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct HostMessage {
  HostMessage(std::string pattern, std::vector<std::string> values = {},
              std::vector<HostMessage> parts = {});

  std::string pattern;
  std::vector<std::string> values;
  std::vector<HostMessage> parts;

  // The text to show: the pattern and every part put through `translate`
  // (English to the interface language; none keeps the English), the values
  // filled in after, so a value is never taken for a text to translate.
  std::string text(const std::function<std::string(std::string_view)>& translate = {}) const;
};

// `pattern` with every "{n}" (n from 1 to 9) replaced by values[n - 1].
// Values go in as they are and are never looked at again, so a value that
// holds "{1}" stays as it is; a placeholder without a value stays too.
std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string>& values);

}  // namespace tavro
