// Fixtures shared by the account tests: identity tokens and service texts.
#pragma once

#include "Support/Base64.h"
#include "Support/Date.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tavro::accounttest {

// A fixed "now" for every decoder call.
inline const Date now = Date::fromUnixSeconds(1'800'000'000);

inline const std::string token(64, 'a');
inline const std::string otherToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// base64url without padding, as identity token pieces are written.
inline std::string segment(std::string_view bytes) {
  std::string text = base64::encode(bytes);
  std::replace(text.begin(), text.end(), '+', '-');
  std::replace(text.begin(), text.end(), '/', '_');
  text.erase(std::remove(text.begin(), text.end(), '='), text.end());
  return text;
}

// An identity token of the given header and payload JSON and a signature.
inline std::string identityToken(std::string_view payload, std::string_view header = R"({"alg":"RS256"})",
                                 std::string_view signature = "signature") {
  return segment(header) + "." + segment(payload) + "." + segment(signature);
}

}  // namespace tavro::accounttest
