// The reference service's decoding of an upload body: any bytes must give
// attempts the service may store, or a refusal, never a crash. What it
// accepts must hold every rule the service relies on afterwards: the
// upload limits, the backup limits, and a size that fits a page.
#include "ReferenceAccountService/ServiceRequests.h"
#include "TavroCore/account/TavroBackup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavro;
  std::string_view body(reinterpret_cast<const char*>(data), size);
  auto parsed = reference::parseUploadBody(body, "acct-1");
  const auto* attempts = std::get_if<std::vector<Attempt>>(&parsed);
  if (!attempts) return 0;
  if (attempts->size() > reference::limits::maximumUploadAttempts) std::abort();
  try {
    TavroBackup("acct-1", *attempts, JLPTLevel::n5, false, Date{}).validated("acct-1");
  } catch (const BackupFailure&) {
    std::abort();
  }
  for (const Attempt& attempt : *attempts) {
    if (attempt.encode().size() + 1 > reference::limits::maximumPageAttemptBytes) std::abort();
  }
  return 0;
}
