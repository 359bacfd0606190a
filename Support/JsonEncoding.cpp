#include "Support/JsonEncoding.h"

#include <cmath>

namespace tavro::json {

std::string encode(const OrderedJson& value) { return value.dump(); }

double finite(double value, std::string_view key) {
  if (!std::isfinite(value)) {
    throw EncodingError("\"" + std::string(key) + "\" is not a finite number and cannot be written");
  }
  return value;
}

}  // namespace tavro::json
