// Query strings of the URLs the account client builds. Names and values are
// percent-escaped except for the unreserved characters A-Z a-z 0-9 "-" "."
// "_" "~": "&", "=", "#" and blanks stay inside their value, and "+" is sent
// as %2B so that a server reading the query as form data does not turn it
// into a blank.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace tavro::querytext {

// "name=value&name=value..." with every name and value escaped as above.
std::string items(std::initializer_list<std::pair<std::string_view, std::string_view>> items);

}  // namespace tavro::querytext
