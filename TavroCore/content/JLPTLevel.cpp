#include "TavroCore/content/JLPTLevel.h"

#include <string>

namespace tavro {

std::string_view rawValue(JLPTLevel level) {
  switch (level) {
    case JLPTLevel::n5:
      return "N5";
    case JLPTLevel::n4:
      return "N4";
    case JLPTLevel::n3:
      return "N3";
    case JLPTLevel::n2:
      return "N2";
    case JLPTLevel::n1:
      return "N1";
  }
  return "N5";
}

template <>
std::optional<JLPTLevel> fromRawValue<JLPTLevel>(std::string_view text) {
  for (JLPTLevel level : JLPTLevels::allCases) {
    if (rawValue(level) == text) return level;
  }
  return std::nullopt;
}

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
