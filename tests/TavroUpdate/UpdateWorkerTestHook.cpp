// This test program's own step hook: the worker's tests set `stepAction`
// to act at a named step of a replacement (for example, to damage the new
// bundle right after the exchange).
#include "UpdateWorkerTestHook.h"

namespace tavro::testing {
std::function<void(std::string_view)> stepAction;
}  // namespace tavro::testing

namespace tavro::UpdateWorker {

void afterFileSystemStep(std::string_view step) {
  if (testing::stepAction) testing::stepAction(step);
}

}  // namespace tavro::UpdateWorker
