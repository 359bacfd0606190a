// Standard base64 (RFC 4648, section 4) over OpenSSL's encoder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro::base64 {

// The base64 text of `bytes`, with "=" padding.
std::string encode(std::string_view bytes);

// The bytes of a padded base64 text, or no value when `text` is not one: its
// length is a multiple of 4, every character is from the standard alphabet,
// and "=" appears only as one or two final characters. Blanks and line
// breaks are not skipped.
std::optional<std::string> decode(std::string_view text);

}  // namespace tavro::base64
