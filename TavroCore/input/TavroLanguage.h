// The practice language: Japanese (romaji or kana keys), English, or Nepali
// (romanized or Devanagari). Stored as its raw value text.
#pragma once

#include "TavroCore/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class TavroLanguage { japanese, english, nepali };

// "japanese", "english" or "nepali".
template <>
struct RawValues<TavroLanguage> {
  using enum TavroLanguage;
  static constexpr RawValueTable<TavroLanguage, 3> cases = {
      {{japanese, "japanese"}, {english, "english"}, {nepali, "nepali"}}};
};

namespace TavroLanguages {

// Every language, in declaration order.
inline constexpr std::array<TavroLanguage, 3> allCases = allCasesOf<TavroLanguage>();

}  // namespace TavroLanguages

}  // namespace tavro
