// Kept alone in its file: a test build of the installer links its own
// definition in place of this one to run stand-in tools.
#include "Platform/ToolsDirectory.h"

namespace tavro::platform {

std::filesystem::path toolPath(std::string_view name) { return std::filesystem::path(TAVRO_TOOLS_DIR) / name; }

}  // namespace tavro::platform
