// Feeds arbitrary bytes to the reader of the service's date-time texts. A
// text it takes must have the fixed shape of the form (separators at their
// places, at least "YYYY-MM-DDThh:mm:ssZ") and name a finite point in time.
#include "TavroCore/account/InternetDateTime.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy: libFuzzer passes no buffer at all for empty input.
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<tavro::Date> date = tavro::InternetDateTime::parse(text);
  if (!date) return 0;
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':') {
    std::abort();
  }
  const char last = text.back();
  if (last != 'Z' && !(last >= '0' && last <= '9')) std::abort();
  if (!std::isfinite(date->secondsSinceReferenceDate)) std::abort();
  return 0;
}
