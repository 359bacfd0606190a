// The step hook of the worker's tests (see UpdateWorkerTestHook.cpp).
#pragma once

#include "TavroUpdate/UpdateWorker.h"

#include <functional>
#include <string_view>

namespace tavro::testing {
extern std::function<void(std::string_view)> stepAction;
}  // namespace tavro::testing
