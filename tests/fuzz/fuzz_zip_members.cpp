// Feeds arbitrary bytes to the archive inspection as an archive file. Besides
// crashes and sanitizer reports it checks that every member it accepts keeps
// the promises the extractor relies on.
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPInspection.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The archive lives in an anonymous memory file, rewritten for each input.
const std::string& archivePath() {
  static const std::string path = [] {
    const int descriptor = ::memfd_create("fuzz-archive", 0);
    if (descriptor < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(descriptor);
  }();
  return path;
}

void writeArchive(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int descriptor = std::stoi(path.substr(path.rfind('/') + 1));
  if (::ftruncate(descriptor, 0) != 0) std::abort();
  if (size > 0 && ::pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavro;
  const std::string& path = archivePath();
  writeArchive(path, data, size);
  try {
    const auto members = ZIPInspection::members(path);
    if (members.empty() || members.size() > 9999) std::abort();
    std::int64_t total = 0;
    for (const ZIPMember& member : members) {
      if (!ZIPInspection::safePath(member.name)) std::abort();
      if (member.compressedSize < 0 || member.compressedSize > ZIPInspection::maximumMemberSize ||
          member.expandedSize < 0 || member.expandedSize > ZIPInspection::maximumMemberSize) {
        std::abort();
      }
      if (member.method != 0 && member.method != 8) std::abort();
      if (member.dataOffset + static_cast<std::uint64_t>(member.compressedSize) > size) std::abort();
      if (member.permissions < 0 || member.permissions > 0777) std::abort();
      total += member.expandedSize;
    }
    if (total > ZIPInspection::maximumTotalExpandedSize) std::abort();
    if (ZIPInspection::inspect(path).size() != members.size()) std::abort();
  } catch (const UpdateFailure& failure) {
    const std::string message = failure.what();
    if (message != UpdateFailure::invalidArchive && message != UpdateFailure::unsafeArchive) std::abort();
  }
  return 0;
}
