#include "TavroCore/content/JLPTLevel.h"

#include <string>

namespace tavro {

namespace JLPTLevels {

JLPTLevel saved(const platform::UserDefaults& store) {
  const std::optional<std::string> text = store.string(preferenceKey);
  if (!text) return defaultLevel;
  return fromRawValue<JLPTLevel>(*text).value_or(defaultLevel);
}

void save(JLPTLevel level, platform::UserDefaults& store) {
  store.set(preferenceKey, std::string(rawValue(level)));
}

json::OrderedJson json(JLPTLevel level) {
  return std::string(rawValue(level));
}

JLPTLevel decode(const json::Value& value) {
  const std::string_view text = value.stringView();
  if (auto level = fromRawValue<JLPTLevel>(text)) return *level;
  throw json::DecodingError("Expected a JLPT level (N5 to N1) for " + value.name());
}

}  // namespace JLPTLevels

}  // namespace tavro
