// The running operating system's version as three dotted numbers. On Linux
// this is the kernel release ("6.1.0" of "6.1.0-18-amd64"); a macOS build
// would return the product version instead.
#pragma once

#include <string>
#include <string_view>

namespace tavro::platform {

// Major, minor and patch version of the running system, joined by ".".
std::string operatingSystemVersion();

// The first three dot-separated runs of digits at the start of `release`,
// missing ones given as 0 ("5.10" -> "5.10.0", "6.1.0-18-amd64" -> "6.1.0",
// "6.8-rc1" -> "6.8.0"); "0.0.0" when it does not start with a digit.
std::string versionFromRelease(std::string_view release);

}  // namespace tavro::platform
