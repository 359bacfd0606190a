// Pasted text is untrusted: any bytes as display and reading texts must give
// a plain answer from CustomPractice, and the prompts it accepts must hold
// only allowed reading characters.
#include "TavroCore/content/CustomPractice.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first NUL separates the display text from the reading text.
  const std::size_t split = bytes.find('\0');
  const std::string_view display = bytes.substr(0, split);
  const std::string_view reading =
      split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);

  const auto prompts = tavro::CustomPractice::items(display, reading);
  for (const auto& prompt : prompts) {
    if (prompt.segments.size() != 1 || prompt.reading().empty() || prompt.display().empty())
      std::abort();
  }
  if (size <= 512) {
    const std::string suggested = tavro::CustomPractice::suggestedReading(display);
    (void)tavro::CustomPractice::items(display, suggested);
  }
  return 0;
}
