// Fuzzes the Info.plist reader with property lists in both forms, XML and
// binary. Seeds in seeds/info_plist/ include binary lists whose containers
// are referred to many times. Nothing may crash, abort, exhaust memory or
// stall: every input is a dictionary or a PropertyListError.
#include "Platform/Bundle.h"

#include <cstdint>
#include <string_view>
#include <system_error>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    tavro::platform::parsePropertyList(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const tavro::platform::PropertyListError&) {
  }
  return 0;
}
