// The tools directory of the test builds of the installer.
#include "Platform/ToolsDirectory.h"

namespace tavro::platform {

std::filesystem::path toolPath(std::string_view name) {
  return std::filesystem::path(TAVRO_STAND_IN_TOOLS_DIR) / name;
}

}  // namespace tavro::platform
