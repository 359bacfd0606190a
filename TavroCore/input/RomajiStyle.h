// The spelling system the romaji guide line follows. Every accepted
// spelling stays accepted whatever the style, and the matcher's expected
// input keeps its own rule (the first spelling); the style only chooses
// which of the accepted spellings the guide line and its key hints show.
// Learners are taught Hepburn (shi, chi, tsu, fu, ji, sha, cha, ja), some
// type Kunrei (si, ti, tu, hu, zi, sya, tya, zya), and a practised typist
// may want the spelling with the fewest keys.
#pragma once

#include "TavroCore/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class RomajiStyle { hepburn, kunrei, fewestKeys };

// "hepburn", "kunrei" or "fewestKeys": the stored form.
template <>
struct RawValues<RomajiStyle> {
  using enum RomajiStyle;
  static constexpr RawValueTable<RomajiStyle, 3> cases = {
      {{hepburn, "hepburn"}, {kunrei, "kunrei"}, {fewestKeys, "fewestKeys"}}};
};

namespace RomajiStyles {

// Every style, the default first.
inline constexpr std::array<RomajiStyle, 3> allCases = allCasesOf<RomajiStyle>();

// What learners are taught.
inline constexpr RomajiStyle defaultStyle = RomajiStyle::hepburn;

}  // namespace RomajiStyles

}  // namespace tavro
