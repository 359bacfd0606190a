// Feeds arbitrary bytes to the account state kept in the preferences file,
// the way the tutor reads it at start: stored under its key in a defaults
// store and loaded from there. Loading never fails; a state that decodes must
// write back and read again to the same document, and its profile must
// answer valid() and partition() without harm however it looks.
#include "Platform/UserDefaults.h"
#include "Support/Json.h"
#include "TavroCore/account/AccountState.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tavro::AccountState;
  // A copy: libFuzzer passes no buffer at all for empty input.
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // The document stored the way the tutor stores it (a data value), and also
  // as a text value, which a hand-edited file may hold instead.
  tavro::platform::InMemoryUserDefaults asData;
  asData.set(AccountState::defaultsKey,
             tavro::platform::DefaultsData(bytes.begin(), bytes.end()));
  AccountState loaded = AccountState::load(asData);
  tavro::platform::InMemoryUserDefaults asText;
  asText.set(AccountState::defaultsKey, bytes);
  if (AccountState::load(asText) != AccountState()) std::abort();

  AccountState decoded;
  try {
    decoded = AccountState::decode(std::string_view(bytes));
  } catch (const tavro::json::DecodingError&) {
    if (loaded != AccountState()) std::abort();
    return 0;
  }
  if (loaded != decoded) std::abort();
  if (decoded.profile) {
    (void)decoded.profile->valid();
    (void)decoded.profile->partition();
  }

  // Decoded texts are well-formed UTF-8 and decoded numbers finite, so the
  // state always has a written form, and it reads back unchanged.
  const std::string written = decoded.encode();
  if (AccountState::decode(std::string_view(written)).encode() != written) std::abort();
  return 0;
}
