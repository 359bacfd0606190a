// Feeds arbitrary bytes to the decoder of the record of whose scores are
// whose (score-owners.json beside the archive), as a damaged or planted file
// would. Every input either decodes or fails with a decoding error; a
// decoded record answers its questions for an archive of the attempts it
// names and, written back, reads again to the same document.
#include "TavroHost/AttemptOwners.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tavro::AttemptOwners owners;
  try {
    owners = tavro::AttemptOwners::decode(bytes);
  } catch (const tavro::json::DecodingError&) {
    return 0;
  }

  // An archive of a few attempts, some of which the record may name.
  std::vector<tavro::Attempt> archive;
  for (std::uint64_t n = 0; n < 4; ++n) {
    archive.emplace_back(tavro::Uuid::random(), tavro::Date{1000.0 + static_cast<double>(n)},
                         "romaji", 1, 10, 0, 5);
  }
  const tavro::AccountProfile bob("user-bob", "Bob", "bob@example.com");
  (void)owners.attemptsOf(bob.id, archive);
  (void)owners.mustAsk(bob.id, archive);
  if (owners.holder()) (void)owners.attemptsOf(owners.holder()->id, archive);

  std::string written;
  try {
    written = owners.encode(archive);
  } catch (const std::exception&) {
    // Text that is not UTF-8 (an id or a name as the file had it) cannot be
    // written back as JSON; saving reports that as a failure.
    return 0;
  }
  if (tavro::AttemptOwners::decode(written).encode(archive) != written) std::abort();

  tavro::AttemptOwners answered = owners;
  answered.answer(bob, true, archive);
  if (answered.attemptsOf(bob.id, archive).size() != archive.size()) std::abort();
  return 0;
}
