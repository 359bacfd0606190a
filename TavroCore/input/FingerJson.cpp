#include "TavroCore/input/FingerJson.h"

#include <string>

namespace tavro::Fingers {

json::OrderedJson json(Finger finger) {
  return std::string(rawValue(finger));
}

Finger decode(const json::Value& value) {
  if (auto finger = fromRawValue<Finger>(value.stringView())) return *finger;
  throw json::DecodingError("Expected a finger name for " + value.name());
}

}  // namespace tavro::Fingers
