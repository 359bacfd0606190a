// JSON writing with keys in the order they are added and numbers in their
// shortest round-trip form.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro::json {

using OrderedJson = nlohmann::ordered_json;

// A value that has no JSON form (a non-finite number).
class EncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Compact JSON text. Throws nlohmann's type_error for text that is not
// well-formed UTF-8.
std::string encode(const OrderedJson& value);

// `value` itself; throws EncodingError naming `key` when it is NaN or
// infinite, which JSON cannot represent.
double finite(double value, std::string_view key);

}  // namespace tavro::json
