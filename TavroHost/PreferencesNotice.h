// What a tutor tells the learner at start about the preferences file: a
// damaged file is set aside by the store when first read, and the learner
// is told where it went, since every choice in it is back at its default.
#pragma once

#include "Platform/FileUserDefaults.h"
#include "TavroHost/HostMessage.h"

#include <optional>

namespace tavro {

// Reads `preferences` (the first read sets a damaged file aside) and returns
// the notice when this read set one aside, nothing otherwise. A file set
// aside by an earlier run is not reported again.
std::optional<HostMessage> damagedPreferencesNotice(const platform::FileUserDefaults& preferences);

}  // namespace tavro
