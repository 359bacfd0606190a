// One cloud sync whose page and acknowledgement bodies come from the fuzzer:
// each request the sync sends is answered with the next piece of the input.
// Every run must end in a result or one of the documented failures, and a
// result must hold every local attempt unchanged, within the limits.
#include "TavroCore/account/AccountServiceFailure.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct OutOfInput {};

tavro::Uuid idFrom(std::uint8_t n) {
  tavro::Uuid id;
  id.bytes[6] = 0x40;
  id.bytes[15] = n;
  return id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const tavro::AccountProfile profile("u1", "Member", "m@example.com");
  std::vector<tavro::Attempt> localAttempts;
  for (std::uint8_t n = 1; n <= 3; ++n)
    localAttempts.emplace_back(idFrom(n), tavro::Date{static_cast<double>(n)}, "romaji", 1, 10, 1,
                               5.0);
  const tavro::TavroBackup local("u1", localAttempts, tavro::JLPTLevel::n5, false, tavro::Date{0});

  int requests = 0;
  tavro::TavroCloudSync sync([&](const tavro::platform::HTTPRequest&) -> std::string {
    if (++requests > 64 || input.remaining_bytes() == 0) throw OutOfInput{};
    return input.ConsumeRandomLengthString(140'000);
  });
  try {
    tavro::TavroCloudSync::Result result =
        sync.sync(std::string(64, 'a'), local, profile, tavro::Date{1000});
    const auto& merged = result.backup.attempts();
    result.backup.validated("u1");
    std::size_t found = 0;
    for (const tavro::Attempt& attempt : merged) {
      for (const tavro::Attempt& mine : localAttempts) {
        if (attempt.id() == mine.id()) {
          if (attempt.encode() != mine.encode()) std::abort();
          ++found;
        }
      }
    }
    if (found != localAttempts.size()) std::abort();
  } catch (const OutOfInput&) {
  } catch (const tavro::BackupFailure&) {
  } catch (const tavro::AccountServiceFailure&) {
  } catch (const tavro::json::DecodingError&) {
  }
  return 0;
}
