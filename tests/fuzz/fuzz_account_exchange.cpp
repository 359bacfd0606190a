// Feeds arbitrary bytes to the exchange reply decoder and, as an error reply,
// to httpFailure. The only acceptable answers are a reply that keeps the
// decoder's promises or an AccountServiceFailure with one of its fixed
// messages; an error reply always gives a message whose service text is cut
// to its bound and free of line breaks.
#include "Support/Text.h"
#include "TavroCore/account/AccountService.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool fixedMessage(const std::string& message) {
  using namespace tavro::AccountService;
  return message == invalidObjectMessage || message == invalidTokenMessage ||
         message == invalidExpiryMessage || message == missingIdentifierMessage ||
         message == invalidIdentifierMessage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tavro::Date now = tavro::Date::fromUnixSeconds(1'800'000'000);
  try {
    tavro::AccountService::ExchangeReply reply = tavro::AccountService::decodeExchange(bytes, now);
    if (size > tavro::AccountService::maximumReplyBytes) __builtin_trap();
    if (!tavro::AccountService::validToken(reply.token)) __builtin_trap();
    if (!reply.user.valid()) __builtin_trap();
  } catch (const tavro::AccountServiceFailure& failure) {
    if (!fixedMessage(failure.message()) || failure.httpStatus() || failure.isSessionUnauthorized())
      __builtin_trap();
  }

  tavro::AccountServiceFailure failure =
      tavro::AccountService::httpFailure(401, "/api/downloader/security", bytes);
  const std::string& message = failure.message();
  if (message.find('\n') != std::string::npos || message.find('\r') != std::string::npos)
    __builtin_trap();
  // "HTTP 401 <path>: " + detail + " Reference: " + code, each part at most 600 characters.
  if (tavro::text::graphemeCount(message) >
      40 + 12 + 2 * tavro::AccountService::maximumDetailCharacters) {
    __builtin_trap();
  }
  return 0;
}
