// Fuzzes the architecture listing of an executable (Mach-O thin and
// universal, ELF) over arbitrary bytes: any answer or none, never a crash,
// an out-of-bounds read or an allocation beyond the input's size.
#include "Platform/ExecutableArchitectures.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  tavro::platform::ExecutableBytes read = [&](std::uint64_t offset, std::size_t count) -> std::optional<std::string> {
    if (offset > bytes.size() || count > bytes.size() - offset) return std::nullopt;
    return bytes.substr(static_cast<std::size_t>(offset), count);
  };
  (void)tavro::platform::executableArchitectures(read, bytes.size());
  return 0;
}
