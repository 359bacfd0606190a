// The Japanese of the interface texts both tutors show: the names of the
// exercises and rounds, the words of the practice and progress screens they
// share, and the messages the host layer makes (HostMessage patterns). The
// core's table comes first; each tutor's own table holds its own texts.
// Keys are the English texts exactly, placeholders ("{1}") included.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace tavro::HostStrings {

struct Translation {
  std::string_view english;
  std::string_view japanese;
};

// The table, in table order.
const std::vector<Translation>& japanese();

// The Japanese text the table holds under exactly `english`, or none.
std::optional<std::string_view> translation(std::string_view english);

}  // namespace tavro::HostStrings
