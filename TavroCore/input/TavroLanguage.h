// The practice language: Japanese (romaji or kana keys), English, or Nepali
// (romanized or Devanagari). Stored as its raw value text.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class TavroLanguage { japanese, english, nepali };

// "japanese", "english" or "nepali".
std::string_view rawValue(TavroLanguage language);

// The enumeration value of a raw value text, nothing for any other text.
template <typename E>
std::optional<E> fromRawValue(std::string_view text);

// Exactly the three raw values, case-sensitive.
template <>
std::optional<TavroLanguage> fromRawValue<TavroLanguage>(std::string_view text);

namespace TavroLanguages {

// Every language, in declaration order.
inline constexpr std::array<TavroLanguage, 3> allCases = {TavroLanguage::japanese, TavroLanguage::english,
                                                          TavroLanguage::nepali};

}  // namespace TavroLanguages

}  // namespace tavro
