// The reference service's decoding of a sign-in body, which comes from
// clients not yet signed in: any bytes must give a code and verifier or
// nothing, never a crash or an unbounded allocation.
#include "ReferenceAccountService/ServiceRequests.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body(reinterpret_cast<const char*>(data), size);
  std::optional<tavro::reference::SignInBody> signIn = tavro::reference::parseSignInBody(body);
  // Both values come out of the body, so neither can be longer than it.
  if (signIn && signIn->code.size() + signIn->verifier.size() > size) std::abort();
  return 0;
}
