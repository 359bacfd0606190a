// Kept alone in its file: the test build of the installer links its own
// definition in place of this one.
#include "TavroUpdate/UpdateWorker.h"

namespace tavro::UpdateWorker {

void afterFileSystemStep(std::string_view) {}

}  // namespace tavro::UpdateWorker
