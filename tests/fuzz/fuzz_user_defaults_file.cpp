// Feeds arbitrary bytes to the preferences file decoder. A document either
// decodes whole or fails with json::DecodingError; what decodes must write
// back and read again to the same document.
#include "Platform/FileUserDefaults.h"
#include "Support/Json.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tavro::platform::FileUserDefaults;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FileUserDefaults::Values values;
  try {
    values = FileUserDefaults::decode(bytes);
  } catch (const tavro::json::DecodingError&) {
    return 0;
  }
  // Text compared, not values: a stored NaN never equals itself.
  std::string written = FileUserDefaults::encode(values);
  if (FileUserDefaults::encode(FileUserDefaults::decode(written)) != written) std::abort();
  return 0;
}
