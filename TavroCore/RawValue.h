// Enumerations stored as texts. Each such enumeration has one table giving
// every case its raw value (its stored form) in declaration order, and
// rawValue, fromRawValue and the list of every case are all read from that
// table, so a case's stored form is written exactly once and a new case
// cannot be forgotten by one of the three.
//
// Declaring an enumeration's table (next to the enumeration):
//
//   template <>
//   struct RawValues<SpeedUnit> {
//     using enum SpeedUnit;
//     static constexpr RawValueTable<SpeedUnit, 2> cases = {
//         {{keysPerMinute, "keysPerMinute"}, {wordsPerMinute, "wordsPerMinute"}}};
//   };
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tavro {

template <typename E>
struct RawValueCase {
  E value;
  std::string_view rawValue;
};

// The table of an enumeration with N cases.
template <typename E, std::size_t N>
using RawValueTable = std::array<RawValueCase<E>, N>;

// Specialised for every enumeration stored as text, with the member
// `cases`: a RawValueTable with one entry for each case.
template <typename E>
struct RawValues;

template <typename E>
concept WithRawValues = requires {
  RawValues<E>::cases;
};

// The raw value of `value`. A value outside the enumeration's cases (a cast
// integer) gets the first case's raw value, as stored data must always name
// a case.
template <WithRawValues E>
constexpr std::string_view rawValue(E value) {
  for (const RawValueCase<E>& entry : RawValues<E>::cases) {
    if (entry.value == value) return entry.rawValue;
  }
  return RawValues<E>::cases.front().rawValue;
}

// The enumeration value of a raw value text, nothing for any other text:
// compared exactly, so letter case, blanks and prefixes all count.
template <typename E>
std::optional<E> fromRawValue(std::string_view text) {
  for (const RawValueCase<E>& entry : RawValues<E>::cases) {
    if (entry.rawValue == text) return entry.value;
  }
  return std::nullopt;
}

// Every case, in the order of the table.
template <WithRawValues E>
constexpr auto allCasesOf() {
  std::array<E, RawValues<E>::cases.size()> all{};
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = RawValues<E>::cases[i].value;
  return all;
}

}  // namespace tavro
