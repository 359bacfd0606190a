#include "TavroHost/PreferencesNotice.h"

#include <sys/stat.h>

#include <utility>

namespace tavro {

std::optional<HostMessage> damagedPreferencesNotice(const platform::FileUserDefaults& preferences) {
  // The file set aside keeps one name, so a new one is told from an older
  // one by its identity on disk.
  auto identity = [&]() -> std::optional<std::pair<dev_t, ino_t>> {
    struct stat status {};
    if (::lstat(preferences.damagedFile().c_str(), &status) != 0) return std::nullopt;
    return std::pair{status.st_dev, status.st_ino};
  };
  auto before = identity();
  (void)preferences.keys();
  auto after = identity();
  if (!after || after == before) return std::nullopt;
  return HostMessage{"The preferences file was damaged; it was kept as {1} and the defaults are used.",
                     {preferences.damagedFile().string()}};
}

}  // namespace tavro
