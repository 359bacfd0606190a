// Whether the caller runs on the process's main thread. Update operations
// that touch the disk refuse the main thread so the host never blocks on them.
#pragma once

namespace tavro::platform {

// True when the calling thread is the process's initial thread.
bool isMainThread();

}  // namespace tavro::platform
