// Feeds arbitrary bytes to the backup decoder, as an imported file would.
// Every input either decodes or fails with a decoding error; a decoded
// backup must write back and read again to the same document, and checking
// and merging it must either succeed or fail with BackupFailure.
#include "TavroCore/account/TavroBackup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<tavro::TavroBackup> backup;
  try {
    backup = tavro::TavroBackup::decode(bytes);
  } catch (const tavro::json::DecodingError&) {
    return 0;
  }

  std::string written;
  try {
    written = backup->encode();
  } catch (const tavro::json::EncodingError&) {
    // Numbers beyond a double's range are read as infinity and cannot be
    // written back; validated() refuses such a backup.
    try {
      backup->validated(backup->ownerID());
    } catch (const tavro::BackupFailure&) {
      return 0;
    }
    std::abort();
  }
  if (tavro::TavroBackup::decode(written).encode() != written) std::abort();

  std::vector<tavro::Attempt> local;
  if (!backup->attempts().empty()) local.push_back(backup->attempts().front());
  std::vector<tavro::Attempt> merged = backup->merging(local);
  if (merged.size() > backup->attempts().size() + local.size()) std::abort();
  for (std::size_t i = 1; i < merged.size(); ++i) {
    if (merged[i].date() < merged[i - 1].date()) std::abort();
  }
  try {
    const tavro::TavroBackup& checked = backup->validated(backup->ownerID());
    if (&checked != &*backup) std::abort();
  } catch (const tavro::BackupFailure&) {
  }
  return 0;
}
