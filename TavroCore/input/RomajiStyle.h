// The spelling system the romaji guide line follows. Every accepted
// spelling stays accepted whatever the style, and the matcher's expected
// input keeps its own rule (the first spelling); the style only chooses
// which of the accepted spellings the guide line and its key hints show.
// Learners are taught Hepburn (shi, chi, tsu, fu, ji, sha, cha, ja), some
// type Kunrei (si, ti, tu, hu, zi, sya, tya, zya), and a practised typist
// may want the spelling with the fewest keys.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class RomajiStyle { hepburn, kunrei, fewestKeys };

// "hepburn", "kunrei" or "fewestKeys": the stored form.
std::string_view rawValue(RomajiStyle style);

// The enumeration value of a raw value text, nothing for any other text.
template <typename E>
std::optional<E> fromRawValue(std::string_view text);

// Exactly the three raw values, case-sensitive.
template <>
std::optional<RomajiStyle> fromRawValue<RomajiStyle>(std::string_view text);

namespace RomajiStyles {

// Every style, the default first.
inline constexpr std::array<RomajiStyle, 3> allCases = {RomajiStyle::hepburn, RomajiStyle::kunrei,
                                                        RomajiStyle::fewestKeys};

// What learners are taught.
inline constexpr RomajiStyle defaultStyle = RomajiStyle::hepburn;

}  // namespace RomajiStyles

}  // namespace tavro
