// Feeds arbitrary bytes to the release feed decoder. The first byte chooses
// the dedicated or the catalog form; the rest is the document. The only
// acceptable answers are an entry that keeps the decoder's promises, no
// entry, BackupFailure or a JSON parse failure.
#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/release/PublishedRelease.h"
#include "TavroCore/release/SemanticVersion.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool dedicated = (data[0] & 1) != 0;
  std::string_view document(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    std::optional<tavro::PublishedRelease> release = tavro::PublishedRelease::decode(document, dedicated);
    if (!release) return 0;
    if (document.size() > tavro::PublishedRelease::maximumDocumentBytes) __builtin_trap();
    if (!tavro::PublishedRelease::allowed(release->downloadURL)) __builtin_trap();
    if (!tavro::SemanticVersion::parse(release->version)) __builtin_trap();
    if (tavro::text::graphemeCount(release->notes) > tavro::PublishedRelease::maximumNotesCharacters) {
      __builtin_trap();
    }
    if (release->sha256 && release->sha256->size() != 64) __builtin_trap();
  } catch (const tavro::BackupFailure&) {
  } catch (const tavro::json::DecodingError&) {
  }
  return 0;
}
