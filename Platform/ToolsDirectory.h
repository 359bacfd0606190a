// Where the platform tools the installer runs live (codesign, xattr, lipo,
// open). The directory is compiled in; there is no way to change it at run
// time, so nothing the installer reads can point it at other programs.
#pragma once

#include <filesystem>
#include <string_view>

namespace tavro::platform {

// The compiled-in tools directory joined with `name`.
std::filesystem::path toolPath(std::string_view name);

}  // namespace tavro::platform
