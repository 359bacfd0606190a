// Points in time as seconds since the reference date, 2001-01-01 00:00:00
// UTC, which is also how dates are written in JSON.
#pragma once

#include <compare>

namespace tavro {

struct Date {
  // Seconds between 1970-01-01 and 2001-01-01, both 00:00:00 UTC.
  static constexpr double unixOffset = 978307200.0;

  double secondsSinceReferenceDate = 0;

  static Date now();
  static constexpr Date fromUnixSeconds(double seconds) { return Date{seconds - unixOffset}; }
  constexpr double unixSeconds() const { return secondsSinceReferenceDate + unixOffset; }

  friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace tavro
