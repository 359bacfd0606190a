// The installation run: everything the installer does once the host has quit.
#pragma once

#include "TavroUpdate/TavroRelease.h"

#include <filesystem>

namespace tavro::installer {

// Installs the update described by `release` from `archive` over the bundle
// at `installed`. Throws UpdateFailure (or a platform failure) on any fault.
//
// Not wired yet: until verified installation lands, every run ends with
// "Update installation failed." so that nothing is ever reported as installed.
void performInstallation(const TavroRelease& release, const std::filesystem::path& installed,
                         const std::filesystem::path& archive);

}  // namespace tavro::installer
