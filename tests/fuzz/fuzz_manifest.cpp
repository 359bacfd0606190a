// Feeds arbitrary bytes to the release manifest decoder: every input must
// either decode or fail with a decoding error, and a decoded manifest must
// survive a round trip through its encoder.
#include "Support/Json.h"
#include "TavroUpdate/TavroRelease.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    tavro::TavroRelease release = tavro::TavroRelease::decode(bytes);
    if (!(tavro::TavroRelease::decode(release.encode()) == release)) std::abort();
  } catch (const tavro::json::DecodingError&) {
  }
  return 0;
}
