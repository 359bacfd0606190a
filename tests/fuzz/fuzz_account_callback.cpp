// Feeds arbitrary bytes as a sign-in callback URL. The first byte is the
// number of seconds since the attempt began, scaled so both sides of the
// 600-second limit are reached. A code may only come back when it has the
// session-token form, in time, and the session must then be idle.
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountService.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const tavro::Date createdAt{700'000'000};
  const double elapsed = (static_cast<double>(data[0]) - 16) * 5;
  const tavro::Date now{createdAt.secondsSinceReferenceDate + elapsed};
  std::string_view url(reinterpret_cast<const char*>(data) + 1, size - 1);

  tavro::AccountBrowserLogin login("s", "verifier", createdAt);
  std::optional<std::string> code = login.code(url, now);
  if (code) {
    if (!tavro::AccountService::validToken(*code)) __builtin_trap();
    if (elapsed < 0 || elapsed >= 600) __builtin_trap();
  }
  tavro::AccountBrowserSession session;
  session.begin(login);
  std::optional<tavro::AccountSignInCode> consumed = session.consume(url, now);
  if (consumed.has_value() != code.has_value()) __builtin_trap();
  if (consumed &&
      (consumed->code != *code || consumed->verifier != "verifier" || session.pending()))
    __builtin_trap();
  if (!consumed && session.pending() != login) __builtin_trap();
  return 0;
}
