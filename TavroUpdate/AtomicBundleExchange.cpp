#include "TavroUpdate/AtomicBundleExchange.h"

#include "Platform/AtomicExchange.h"
#include "TavroUpdate/UpdateFailure.h"

#include <system_error>

namespace tavro::AtomicBundleExchange {

void swap(const std::filesystem::path& first, const std::filesystem::path& second) {
  try {
    platform::exchangeEntries(first, second);
  } catch (const std::system_error&) {
    // The reason is not reported: the user can do nothing different for
    // one file system than for another.
    throw UpdateFailure(UpdateFailure::installationFailed);
  }
}

}  // namespace tavro::AtomicBundleExchange
