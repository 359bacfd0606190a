#include "Platform/MainThread.h"

#include <unistd.h>

namespace tavro::platform {

bool isMainThread() { return ::gettid() == ::getpid(); }

}  // namespace tavro::platform
