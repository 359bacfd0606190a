// Comparison of version-like texts as people read them: runs of ASCII digits
// compare by their value, so "14.10" is above "14.9" and "10" above "9";
// every other character compares with the one at the same place, one by one
// (by code point). Used for operating-system versions, which are not
// semantic versions.
#pragma once

#include <compare>
#include <string_view>

namespace tavro::NumericComparison {

// Orders `a` against `b`. Digit runs of equal value are equivalent whatever
// their leading zeros ("1.01" is equivalent to "1.1"); when one text is a
// prefix of the other in this sense, the shorter is lower. Digit runs of any
// length are compared without converting them, so nothing overflows.
std::weak_ordering compare(std::string_view a, std::string_view b);

}  // namespace tavro::NumericComparison
