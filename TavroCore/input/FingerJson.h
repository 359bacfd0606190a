// The JSON form of a `Finger`: its name as a JSON string. Kept apart from
// Keyboard.h so that code asking for a key or a finger does not compile the
// JSON libraries; only code that stores fingers includes this.
#pragma once

#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/input/Keyboard.h"

namespace tavro::Fingers {

// The finger as its JSON form, its name.
json::OrderedJson json(Finger finger);

// Reads a finger from its JSON form. Throws json::DecodingError for anything
// but a string holding one of the nine names.
Finger decode(const json::Value& value);

}  // namespace tavro::Fingers
