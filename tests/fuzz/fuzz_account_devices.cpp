// Feeds arbitrary bytes to the device list decoder and derives every label of
// what it decodes. The only acceptable answers are a list or a JSON decoding
// error.
#include "Support/Json.h"
#include "TavroCore/account/AccountManagement.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    for (const tavro::AccountDevice& device : tavro::AccountManagement::devices(bytes)) {
      (void)device.clientLabel();
      std::optional<std::string> location = device.locationLabel();
      if (location && location->empty()) __builtin_trap();
      (void)device.isTavro();
      (void)device.canSignOut();
    }
  } catch (const tavro::json::DecodingError&) {
  }
  (void)tavro::AccountManagement::isSixDigitCode(bytes);
  return 0;
}
