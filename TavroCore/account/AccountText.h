// Text rules shared by the account files: trimming, the control-character
// test, and equality of texts as canonically equivalent Unicode.
#pragma once

#include <string>
#include <string_view>

namespace tavro::accounttext {

// `text` without white space and line breaks at either end (Unicode category
// Z, U+0009 to U+000D and U+0085: the White_Space property).
std::string trimmed(std::string_view text);

// True when a code point of `text` is in category Cc or Cf (ill-formed UTF-8
// reads as U+FFFD, which is neither).
bool hasControlOrFormat(std::string_view text);

// True when `a` and `b` are canonically equivalent. Texts that are not
// well-formed UTF-8 are equal only byte for byte.
bool sameText(std::string_view a, std::string_view b);

}  // namespace tavro::accounttext
