// The Japanese-Language Proficiency Test level that grades the Japanese
// curriculum, N5 (beginner) to N1 (advanced). It is stored in the
// user-defaults store and in backups as its text "N5" to "N1".
#pragma once

#include "Platform/UserDefaults.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class JLPTLevel { n5, n4, n3, n2, n1 };

// "N5" to "N1"; fromRawValue takes exactly these, case-sensitive: "n5" is no
// level.
template <>
struct RawValues<JLPTLevel> {
  using enum JLPTLevel;
  static constexpr RawValueTable<JLPTLevel, 5> cases = {
      {{n5, "N5"}, {n4, "N4"}, {n3, "N3"}, {n2, "N2"}, {n1, "N1"}}};
};

namespace JLPTLevels {

// Every level, beginner first.
inline constexpr std::array<JLPTLevel, 5> allCases = allCasesOf<JLPTLevel>();

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
