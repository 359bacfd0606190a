#include "TavroUpdateInstaller/InstallationRun.h"

#include "TavroUpdate/UpdateFailure.h"

namespace tavro::installer {

void performInstallation(const TavroRelease&, const std::filesystem::path&, const std::filesystem::path&) {
  throw UpdateFailure(UpdateFailure::installationFailed);
}

}  // namespace tavro::installer
