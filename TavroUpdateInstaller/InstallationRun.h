// The installation run: everything the installer does once the host has
// quit. It prepares and verifies the candidate in a fresh staging directory
// beside the archive, exchanges it with the installed bundle, starts the new
// application and, when that start fails, puts the old bundle back.
#pragma once

#include "TavroUpdate/TavroRelease.h"

#include <filesystem>

namespace tavro::installer {

// The staging directory of a run: beside `archive`, named "Install-" and a
// fresh upper-case UUID. Not created here.
std::filesystem::path stagingDirectory(const std::filesystem::path& archive);

// Installs the update described by `release` from `archive` over the bundle
// at `installed`. The work runs on a detached thread at low priority (the
// update steps refuse the main thread); the calling thread waits for it and
// takes its outcome. Throws the run's one failure (UpdateFailure, or a
// platform failure passed on).
//
// After a successful run the new bundle is at `installed`, the old one is
// kept beside it as ".BRELVA Tavro.previous-" + UUID + ".app" and the new
// application has been started. When the start fails, the old bundle is put
// back at `installed`, the new one is left under the previous-bundle name,
// the old application is started (best effort) and the start's failure is
// thrown. The staging directory is gone when this returns; the archive and
// the manifest are never touched.
void performInstallation(const TavroRelease& release, const std::filesystem::path& installed,
                         const std::filesystem::path& archive);

}  // namespace tavro::installer
