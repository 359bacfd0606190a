// The ISO 8601 internet date-time of service replies, read strictly:
//
//   YYYY-MM-DD "T" hh:mm:ss [ "." one or more digits ] ( "Z" | "+" hh:mm | "-" hh:mm )
//
// with every field of exactly that many ASCII digits, an upper-case "T" and
// "Z", a real calendar date (2026-02-30 is refused), hours 00 to 23, minutes
// and seconds 00 to 59 (no leap second), an offset of at most 23:59, and
// nothing before or after.
#pragma once

#include "Support/Date.h"

#include <optional>
#include <string_view>

namespace tavro::InternetDateTime {

// The point in time `text` names, or no value when it is not of the form above.
std::optional<Date> parse(std::string_view text);

}  // namespace tavro::InternetDateTime
