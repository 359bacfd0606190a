#include "TavroCore/account/InternetDateTime.h"

#include <chrono>

namespace tavro::InternetDateTime {
namespace {

// Reads `count` ASCII digits at `position` and moves past them.
std::optional<int> digits(std::string_view text, std::size_t& position, std::size_t count) {
  if (text.size() - position < count) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char c = text[position + i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  position += count;
  return value;
}

bool literal(std::string_view text, std::size_t& position, char expected) {
  if (position >= text.size() || text[position] != expected) return false;
  ++position;
  return true;
}

}  // namespace

std::optional<Date> parse(std::string_view text) {
  std::size_t at = 0;
  auto year = digits(text, at, 4);
  if (!year || !literal(text, at, '-')) return std::nullopt;
  auto month = digits(text, at, 2);
  if (!month || !literal(text, at, '-')) return std::nullopt;
  auto day = digits(text, at, 2);
  if (!day || !literal(text, at, 'T')) return std::nullopt;
  auto hour = digits(text, at, 2);
  if (!hour || !literal(text, at, ':')) return std::nullopt;
  auto minute = digits(text, at, 2);
  if (!minute || !literal(text, at, ':')) return std::nullopt;
  auto second = digits(text, at, 2);
  if (!second) return std::nullopt;
  if (*hour > 23 || *minute > 59 || *second > 59) return std::nullopt;

  double fraction = 0;
  if (literal(text, at, '.')) {
    // Any number of digits; those past nanoseconds cannot change a double.
    std::size_t first = at;
    double scale = 0.1;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      if (at - first < 9) {
        fraction += (text[at] - '0') * scale;
        scale /= 10;
      }
      ++at;
    }
    if (at == first) return std::nullopt;
  }

  int offsetSeconds = 0;
  if (literal(text, at, 'Z')) {
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    int sign = text[at] == '+' ? 1 : -1;
    ++at;
    auto offsetHours = digits(text, at, 2);
    if (!offsetHours || !literal(text, at, ':')) return std::nullopt;
    auto offsetMinutes = digits(text, at, 2);
    if (!offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) return std::nullopt;
    offsetSeconds = sign * (*offsetHours * 3600 + *offsetMinutes * 60);
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;

  std::chrono::year_month_day date{std::chrono::year{*year}, std::chrono::month{static_cast<unsigned>(*month)},
                                   std::chrono::day{static_cast<unsigned>(*day)}};
  if (!date.ok()) return std::nullopt;
  auto days = std::chrono::sys_days(date).time_since_epoch().count();
  double unixSeconds = static_cast<double>(days) * 86400.0 + *hour * 3600 + *minute * 60 + *second -
                       offsetSeconds + fraction;
  return Date::fromUnixSeconds(unixSeconds);
}

}  // namespace tavro::InternetDateTime
