// Feeds arbitrary bytes to the stored profile object (the "profile" member of
// the account state in the preferences file). A profile either decodes or
// fails with json::DecodingError; what decodes is judged by valid(), is
// written back to the same document, and stays the same account when its
// texts are recomposed (equality is canonical equivalence).
#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountProfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tavro::AccountProfile;
  // A copy: libFuzzer passes no buffer at all for empty input.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  AccountProfile profile;
  try {
    profile = AccountProfile::decode(std::string_view(bytes));
  } catch (const tavro::json::DecodingError&) {
    return 0;
  }
  const bool valid = profile.valid();
  (void)profile.partition();

  // Decoded texts are well-formed UTF-8, so each has a composed form, and
  // the profile made of those names the same account.
  AccountProfile composed(tavro::text::nfc(profile.id), tavro::text::nfc(profile.name),
                          tavro::text::nfc(profile.email));
  if (!(composed == profile)) std::abort();

  const std::string written = profile.encode();
  AccountProfile reread = AccountProfile::decode(std::string_view(written));
  if (reread.encode() != written || reread.valid() != valid) std::abort();
  return 0;
}
