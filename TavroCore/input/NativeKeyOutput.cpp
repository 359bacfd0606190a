#include "TavroCore/input/NativeKeyOutput.h"

#include "Support/Text.h"


namespace tavro {

bool NativeKeyOutput::matches(const std::vector<std::string>& candidates, std::string_view typed,
                              bool shift) const {
  const std::string& output = shift ? shifted : normal;
  if (output.empty()) return false;
  std::string text = text::nfc(std::string(typed) + output);
  for (const std::string& candidate : candidates) {
    if (std::string_view(candidate).starts_with(text)) return true;
  }
  return false;
}

}  // namespace tavro
