// Feeds arbitrary bytes to the score archive decoder. A file either decodes
// whole or fails with json::DecodingError; what decodes must write back and
// read again to the same document, and ranking it must not fail.
#include "TavroCore/history/Archive.h"
#include "TavroCore/history/TavroAccountSummary.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tavro::Archive archive;
  try {
    archive = tavro::Archive::decode(bytes);
  } catch (const tavro::json::DecodingError&) {
    return 0;
  }

  std::string written = archive.encode();
  if (tavro::Archive::decode(written).encode() != written) std::abort();

  for (const tavro::Attempt& attempt : archive.attempts) {
    archive.scoreRows(attempt.mode(), attempt.round(), attempt.id());
    (void)attempt.completionTime();
    (void)attempt.missRate();
  }
  (void)tavro::TavroAccountSummary(archive.attempts);
  if (archive.weakKeys) {
    for (const auto& [mode, keys] : archive.weakKeys->modes)
      (void)archive.weakKeys->rankedKeys(mode);
    tavro::WeakKeyHistory doubled = *archive.weakKeys;
    doubled.merge(*archive.weakKeys);
  }
  return 0;
}
