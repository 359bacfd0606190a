// Exchanging two bundles in one atomic step, so that an observer (or a
// crash) only ever sees one complete bundle or the other at each path.
#pragma once

#include <filesystem>

namespace tavro::AtomicBundleExchange {

// Afterwards `first` names what `second` named and the other way round. Both
// must exist on the same volume; nothing is copied. Fails with "Update
// installation failed." when the system refuses, and nothing has changed
// then. The parent directories are synced before it returns.
void swap(const std::filesystem::path& first, const std::filesystem::path& second);

}  // namespace tavro::AtomicBundleExchange
