#include "Platform/ExecutableArchitectures.h"

#include "Support/File.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace tavro::platform {
namespace {


constexpr std::uint32_t cpuArch64 = 0x01000000;
constexpr std::uint32_t cpuTypeX86 = 7;
constexpr std::uint32_t cpuTypeArm = 12;
constexpr std::uint32_t cpuTypePowerPC = 18;
constexpr std::uint32_t cpuSubtypeMask = 0x00ffffff;
// More slices than any real universal file holds; a larger count is damage.
constexpr std::uint32_t maximumSlices = 64;

struct Reader {
  const ExecutableBytes& read;
  std::uint64_t size;

  std::optional<std::vector<unsigned char>> bytes(std::uint64_t offset, std::size_t count) const {
    if (offset > size || count > size - offset) return std::nullopt;
    std::optional<std::string> data = read(offset, count);
    if (!data || data->size() != count) return std::nullopt;
    return std::vector<unsigned char>(data->begin(), data->end());
  }
};

std::uint32_t big32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint32_t little32(const unsigned char* p) {
  return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}
std::uint64_t big64(const unsigned char* p) { return std::uint64_t(big32(p)) << 32 | big32(p + 4); }

std::string machOName(std::uint32_t type, std::uint32_t subtype) {
  subtype &= cpuSubtypeMask;
  switch (type) {
    case cpuTypeX86: return "i386";
    case cpuTypeX86 | cpuArch64: return subtype == 8 ? "x86_64h" : "x86_64";
    case cpuTypeArm:
      switch (subtype) {
        case 9: return "armv7";
        case 11: return "armv7s";
        case 12: return "armv7k";
        case 6: return "armv6";
        default: return "arm";
      }
    case cpuTypeArm | cpuArch64: return subtype == 2 ? "arm64e" : "arm64";
    case cpuTypePowerPC: return "ppc";
    case cpuTypePowerPC | cpuArch64: return "ppc64";
    default: return "unknown(" + std::to_string(type) + "," + std::to_string(subtype) + ")";
  }
}

std::string elfName(std::uint16_t machine) {
  switch (machine) {
    case 3: return "i386";
    case 62: return "x86_64";
    case 40: return "arm";
    case 183: return "arm64";
    case 243: return "riscv";
    case 20: return "ppc";
    case 21: return "ppc64";
    default: return "unknown(" + std::to_string(machine) + ")";
  }
}

// A thin Mach-O header at `offset`: magic, cputype, cpusubtype.
std::optional<std::string> thinArchitecture(const Reader& reader, std::uint64_t offset) {
  auto header = reader.bytes(offset, 12);
  if (!header) return std::nullopt;
  std::uint32_t magic = big32(header->data());
  if (magic == 0xfeedface || magic == 0xfeedfacf) {
    return machOName(big32(header->data() + 4), big32(header->data() + 8));
  }
  if (magic == 0xcefaedfe || magic == 0xcffaedfe) {
    return machOName(little32(header->data() + 4), little32(header->data() + 8));
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> architecturesOf(const Reader& reader) {
  auto head = reader.bytes(0, 8);
  if (!head) return std::nullopt;
  const unsigned char* p = head->data();
  if (p[0] == 0x7f && p[1] == 'E' && p[2] == 'L' && p[3] == 'F') {
    head = reader.bytes(0, 20);
    if (!head) return std::nullopt;
    p = head->data();
    if (p[5] != 1 && p[5] != 2) return std::nullopt;  // byte order must be stated
    std::uint16_t machine = p[5] == 1 ? std::uint16_t(p[18] | p[19] << 8) : std::uint16_t(p[18] << 8 | p[19]);
    return std::vector<std::string>{elfName(machine)};
  }
  std::uint32_t magic = big32(p);
  if (magic == 0xcafebabe || magic == 0xcafebabf) {
    bool wide = magic == 0xcafebabf;
    std::uint32_t count = big32(p + 4);
    if (count == 0 || count > maximumSlices) return std::nullopt;
    std::size_t entrySize = wide ? 32 : 20;
    auto table = reader.bytes(8, entrySize * count);
    if (!table) return std::nullopt;
    std::vector<std::string> names;
    for (std::uint32_t index = 0; index < count; ++index) {
      const unsigned char* entry = table->data() + entrySize * index;
      std::uint64_t offset = wide ? big64(entry + 8) : big32(entry + 8);
      std::uint64_t size = wide ? big64(entry + 16) : big32(entry + 12);
      // Each slice must lie inside the file and be a Mach-O of the listed type.
      if (offset > reader.size || size > reader.size - offset) return std::nullopt;
      auto slice = thinArchitecture(reader, offset);
      std::string listed = machOName(big32(entry), big32(entry + 4));
      if (!slice || *slice != listed) return std::nullopt;
      names.push_back(listed);
    }
    return names;
  }
  if (auto thin = thinArchitecture(reader, 0)) return std::vector<std::string>{*thin};
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::string>> executableArchitectures(const ExecutableBytes& read, std::uint64_t size) {
  return architecturesOf(Reader{read, size});
}

std::optional<std::vector<std::string>> executableArchitectures(const std::filesystem::path& file) {
  // Without blocking, so that a FIFO in place of the program cannot stall
  // us; only a regular file is read.
  file::OpenedFile opened = file::openRegular(file);
  if (!opened) return std::nullopt;
  const int descriptor = opened.descriptor.get();
  ExecutableBytes read = [&](std::uint64_t offset, std::size_t count) -> std::optional<std::string> {
    std::string data(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      ssize_t n = ::pread(descriptor, data.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::nullopt;
      done += static_cast<std::size_t>(n);
    }
    return data;
  };
  return executableArchitectures(read, static_cast<std::uint64_t>(opened.status.st_size));
}

}  // namespace tavro::platform
