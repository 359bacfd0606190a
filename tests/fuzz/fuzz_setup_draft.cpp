// Feeds arbitrary bytes to the first-launch setup draft, both as a document
// and through the user-defaults store, where an unreadable draft must give
// the defaults. What decodes must write back and read again unchanged.
#include "Platform/UserDefaults.h"
#include "Support/Json.h"
#include "TavroCore/settings/FirstLaunchSetup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tavro::platform::InMemoryUserDefaults store;
  store.set(tavro::FirstLaunchSetup::draftKey, tavro::platform::DefaultsData(data, data + size));
  tavro::FirstLaunchSetup fromStore = tavro::FirstLaunchSetup::draft(store);

  tavro::FirstLaunchSetup setup;
  try {
    setup = tavro::FirstLaunchSetup::decode(bytes);
  } catch (const tavro::json::DecodingError&) {
    if (fromStore != tavro::FirstLaunchSetup{}) std::abort();
    return 0;
  }
  if (size <= tavro::FirstLaunchSetup::maximumDraftSize && fromStore != setup) std::abort();
  if (tavro::FirstLaunchSetup::decode(setup.encode()) != setup) std::abort();
  setup.saveDraft(store);
  if (tavro::FirstLaunchSetup::draft(store) != setup) std::abort();
  return 0;
}
