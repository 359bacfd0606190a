// The Japanese-Language Proficiency Test level that grades the Japanese
// curriculum, N5 (beginner) to N1 (advanced). It is stored in the
// user-defaults store and in backups as its text "N5" to "N1".
#pragma once

#include "Platform/UserDefaults.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class JLPTLevel { n5, n4, n3, n2, n1 };

// "N5" to "N1".
std::string_view rawValue(JLPTLevel level);

// The enumeration value of a raw value text, nothing for any other text.
template <typename E>
std::optional<E> fromRawValue(std::string_view text);

// Exactly the five raw values, case-sensitive: "n5" is no level.
template <>
std::optional<JLPTLevel> fromRawValue<JLPTLevel>(std::string_view text);

namespace JLPTLevels {

// Every level, beginner first.
inline constexpr std::array<JLPTLevel, 5> allCases = {JLPTLevel::n5, JLPTLevel::n4, JLPTLevel::n3,
                                                      JLPTLevel::n2, JLPTLevel::n1};

// The level when none is chosen.
inline constexpr JLPTLevel defaultLevel = JLPTLevel::n5;

// The user-defaults key holding the chosen level's raw value.
inline constexpr std::string_view preferenceKey = "practiceJLPTLevel";

// The saved level: the raw value text under preferenceKey, or N5 when
// nothing is saved there or what is saved is not a raw value text.
JLPTLevel saved(const platform::UserDefaults& store);

// Saves the level's raw value text under preferenceKey.
void save(JLPTLevel level, platform::UserDefaults& store);

// The level as its JSON form, the raw value text.
json::OrderedJson json(JLPTLevel level);

// Reads a level from its JSON form. Throws json::DecodingError for anything
// but a string holding one of the five raw values.
JLPTLevel decode(const json::Value& value);

}  // namespace JLPTLevels

}  // namespace tavro
