#include "Platform/OSVersion.h"

#include <sys/utsname.h>

namespace tavro::platform {

std::string versionFromRelease(std::string_view release) {
  std::string numbers[3] = {"0", "0", "0"};
  std::size_t position = 0;
  for (int part = 0; part < 3; ++part) {
    std::size_t start = position;
    while (position < release.size() && release[position] >= '0' && release[position] <= '9') ++position;
    if (position == start) break;
    // Keep the number's value, not its spelling: "06" reads as 6.
    std::string_view digits = release.substr(start, position - start);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    numbers[part] = std::string(digits);
    if (position >= release.size() || release[position] != '.') break;
    ++position;
  }
  return numbers[0] + "." + numbers[1] + "." + numbers[2];
}

std::string operatingSystemVersion() {
  struct utsname name {};
  if (::uname(&name) != 0) return "0.0.0";
  return versionFromRelease(name.release);
}

}  // namespace tavro::platform
