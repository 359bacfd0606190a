#include "TavroUpdate/ZIPInspection.h"

#include "Support/Text.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPFile.h"

#include <algorithm>
#include <unordered_set>

namespace tavro::ZIPInspection {
namespace {

constexpr std::uint64_t endRecordSignature = 0x06054b50;
constexpr std::uint64_t centralHeaderSignature = 0x02014b50;
constexpr std::uint64_t localHeaderSignature = 0x04034b50;
constexpr std::int64_t endRecordLength = 22;
constexpr std::int64_t centralHeaderLength = 46;
constexpr std::int64_t localHeaderLength = 30;
constexpr std::uint64_t allowedFlags = 0x0008 | 0x0800;  // data descriptor, UTF-8 names
constexpr std::uint64_t fileTypeMask = 0xF000;
constexpr std::uint64_t directoryType = 0x4000;
constexpr std::uint64_t regularFileType = 0x8000;
constexpr std::string_view topDirectory = "BRELVA Tavro.app";

[[noreturn]] void invalid() { throw UpdateFailure(UpdateFailure::invalidArchive); }
[[noreturn]] void unsafe() { throw UpdateFailure(UpdateFailure::unsafeArchive); }

// Reads exactly `count` bytes at `offset`; a file that ends first is a
// truncated archive.
std::vector<unsigned char> readExactly(const ZIPFile& file, std::uint64_t offset, std::size_t count) {
  std::vector<unsigned char> bytes(count);
  if (file.readAt(offset, bytes.data(), count) != count) invalid();
  return bytes;
}

std::string_view asText(std::span<const unsigned char> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Leading and trailing "/" removed, NFC, lower-cased: two names with the
// same key would land on the same file on a case-insensitive,
// normalisation-insensitive file system.
std::string nameKey(std::string_view name) {
  const auto first = name.find_first_not_of('/');
  if (first == std::string_view::npos) return {};
  const auto last = name.find_last_not_of('/');
  const std::string_view trimmed = name.substr(first, last - first + 1);
  // ASCII is already in NFC and lower-cases byte by byte; most names are
  // ASCII, and this keeps large archives cheap.
  if (std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string key(trimmed);
    for (char& c : key) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  }
  return text::lowercased(text::nfc(trimmed));
}

}  // namespace

std::uint64_t uint(std::span<const unsigned char> data, std::int64_t offset, int count) {
  if (offset < 0 || count < 1 || count > 8 ||
      static_cast<std::uint64_t>(offset) > data.size() ||
      data.size() - static_cast<std::uint64_t>(offset) < static_cast<std::uint64_t>(count)) {
    invalid();
  }
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | data[static_cast<std::size_t>(offset) + static_cast<std::size_t>(i)];
  }
  return value;
}

bool safePath(std::string_view name) {
  if (name.empty()) return false;
  if (name.find('\\') != std::string_view::npos) return false;
  // No control character (U+0000 to U+001F, U+007F): a line feed in a name
  // could split the installer's one-line report, and no bundle needs one.
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  if (name.front() == '/') return false;
  if (name.back() == '/') name.remove_suffix(1);
  bool first = true;
  while (true) {
    const auto slash = name.find('/');
    const std::string_view component = name.substr(0, slash);
    if (first && component != topDirectory) return false;
    if (component.empty() || component == "." || component == ".." ||
        component.find(':') != std::string_view::npos) {
      return false;
    }
    first = false;
    if (slash == std::string_view::npos) return true;
    name.remove_prefix(slash + 1);
  }
}

std::vector<ZIPMember> members(const std::filesystem::path& archive) {
  const ZIPFile file(archive);
  const std::int64_t size = file.size();
  if (size < minimumArchiveSize || size > maximumArchiveSize) invalid();

  const std::int64_t tailLength = std::min(size, maximumTailLength);
  const std::int64_t tailOffset = size - tailLength;
  const auto tail = readExactly(file, static_cast<std::uint64_t>(tailOffset), static_cast<std::size_t>(tailLength));

  // The end record is the last signature whose comment reaches the end of
  // the file exactly; a signature inside a comment does not qualify.
  std::int64_t end = -1;
  for (std::int64_t p = tailLength - endRecordLength; p >= 0; --p) {
    if (tail[static_cast<std::size_t>(p)] == 0x50 && uint(tail, p, 4) == endRecordSignature &&
        p + endRecordLength + static_cast<std::int64_t>(uint(tail, p + 20, 2)) == tailLength) {
      end = p;
      break;
    }
  }
  if (end < 0) invalid();

  const std::uint64_t thisDisk = uint(tail, end + 4, 2);
  const std::uint64_t directoryDisk = uint(tail, end + 6, 2);
  const std::uint64_t recordsOnDisk = uint(tail, end + 8, 2);
  const std::uint64_t total = uint(tail, end + 10, 2);
  const std::uint64_t directorySize = uint(tail, end + 12, 4);
  const std::uint64_t directoryOffset = uint(tail, end + 16, 4);
  // Anything between the central directory and the end record (a ZIP64 end
  // record and locator, for one) breaks the last rule; ZIP64's 0xFFFF and
  // 0xFFFFFFFF placeholders break the others.
  if (thisDisk != 0 || directoryDisk != 0 || total < 1 ||
      total > static_cast<std::uint64_t>(maximumMemberCount) || recordsOnDisk != total ||
      directorySize > static_cast<std::uint64_t>(maximumCentralDirectorySize) ||
      directoryOffset + directorySize != static_cast<std::uint64_t>(tailOffset + end)) {
    invalid();
  }

  const auto directory = readExactly(file, directoryOffset, directorySize);
  std::vector<ZIPMember> result;
  result.reserve(total);
  std::unordered_set<std::string> keys;
  keys.reserve(total);
  std::int64_t expandedTotal = 0;
  std::int64_t pos = 0;
  std::vector<unsigned char> local;

  for (std::uint64_t record = 0; record < total; ++record) {
    if (uint(directory, pos, 4) != centralHeaderSignature) invalid();
    const std::uint64_t flags = uint(directory, pos + 8, 2);
    const std::uint64_t method = uint(directory, pos + 10, 2);
    const std::uint32_t crc = static_cast<std::uint32_t>(uint(directory, pos + 16, 4));
    const auto compressedSize = static_cast<std::int64_t>(uint(directory, pos + 20, 4));
    const auto expandedSize = static_cast<std::int64_t>(uint(directory, pos + 24, 4));
    expandedTotal += expandedSize;
    const auto nameLength = static_cast<std::int64_t>(uint(directory, pos + 28, 2));
    const std::uint64_t extraLength = uint(directory, pos + 30, 2);
    const auto commentLength = static_cast<std::int64_t>(uint(directory, pos + 32, 2));
    const std::uint64_t diskStart = uint(directory, pos + 34, 2);
    const std::uint64_t externalAttributes = uint(directory, pos + 38, 4);
    const std::uint64_t localOffset = uint(directory, pos + 42, 4);

    const std::int64_t nameStart = pos + centralHeaderLength;
    if (nameStart + nameLength > static_cast<std::int64_t>(directory.size())) unsafe();
    const auto nameBytes = std::span(directory).subspan(static_cast<std::size_t>(nameStart),
                                                         static_cast<std::size_t>(nameLength));
    const std::string_view name = asText(nameBytes);
    if (!text::isValidUtf8(name)) unsafe();
    if (!safePath(name)) unsafe();
    if ((flags & ~allowedFlags) != 0) unsafe();
    if (extraLength != 0) unsafe();
    if (compressedSize > maximumMemberSize || expandedSize > maximumMemberSize) unsafe();
    if (method != 0 && method != 8) unsafe();
    const std::uint64_t mode = externalAttributes >> 16;
    const std::uint64_t fileType = mode & fileTypeMask;
    if (fileType != 0 && fileType != directoryType && fileType != regularFileType) unsafe();
    if (diskStart != 0) unsafe();
    if (expandedTotal > maximumTotalExpandedSize) unsafe();
    if (localOffset + localHeaderLength >= directoryOffset) unsafe();
    if (!keys.insert(nameKey(name)).second) unsafe();

    // The header and the name in one read: the name is complete whenever the
    // data offset check below passes, because the central directory follows.
    local.resize(static_cast<std::size_t>(localHeaderLength + nameLength));
    const std::size_t localRead = file.readAt(localOffset, local.data(), local.size());
    if (localRead < static_cast<std::size_t>(localHeaderLength)) invalid();
    if (uint(local, 0, 4) != localHeaderSignature || uint(local, 6, 2) != flags ||
        uint(local, 8, 2) != method || uint(local, 26, 2) != static_cast<std::uint64_t>(nameLength) ||
        uint(local, 28, 2) != 0) {
      unsafe();
    }
    const std::uint64_t dataOffset = localOffset + localHeaderLength + static_cast<std::uint64_t>(nameLength);
    if (dataOffset + static_cast<std::uint64_t>(compressedSize) > directoryOffset) unsafe();
    if (localRead != local.size()) invalid();
    // The bytes must equal the central name exactly, which also makes them
    // valid UTF-8.
    if (asText(std::span(local).subspan(static_cast<std::size_t>(localHeaderLength))) != name) unsafe();
    const bool endsWithSlash = name.back() == '/';
    if ((fileType == regularFileType && endsWithSlash) || (fileType == directoryType && !endsWithSlash)) {
      unsafe();
    }

    result.push_back(ZIPMember{std::string(name), dataOffset, compressedSize, expandedSize, method, crc,
                               static_cast<std::int64_t>(mode & 0x1FF)});
    pos = nameStart + nameLength + commentLength;
  }
  if (pos != static_cast<std::int64_t>(directory.size())) invalid();
  return result;
}

std::vector<std::string> inspect(const std::filesystem::path& archive) {
  std::vector<std::string> names;
  for (auto& member : members(archive)) names.push_back(std::move(member.name));
  return names;
}

}  // namespace tavro::ZIPInspection
