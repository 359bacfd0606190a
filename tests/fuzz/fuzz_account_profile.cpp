// Feeds arbitrary bytes to the profile reply decoder. The first byte says
// where the reply ends and the identity token the caller holds begins (as a
// share of the rest); a profile must pass valid(), and every failure must be
// an AccountServiceFailure with one of the profile messages.
#include "TavroCore/account/AccountService.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t split = rest.size() * data[0] / 255;
  std::string_view reply = rest.substr(0, split);
  std::optional<std::string> idToken;
  if (data[0] != 255) idToken = std::string(rest.substr(split));
  const tavro::Date now = tavro::Date::fromUnixSeconds(1'800'000'000);
  try {
    tavro::AccountProfile profile = tavro::AccountService::decodeProfile(reply, idToken, now);
    if (!profile.valid()) __builtin_trap();
  } catch (const tavro::AccountServiceFailure& failure) {
    using namespace tavro::AccountService;
    const std::string& message = failure.message();
    if (message != invalidObjectMessage && message != missingIdentifierMessage &&
        message != invalidIdentifierMessage) {
      __builtin_trap();
    }
  }
  if (idToken) (void)tavro::AccountService::jwtMetadata(*idToken, now);
  return 0;
}
