// The installer's program entry: reads its four options, waits for the host
// application to quit, runs the installation and reports the outcome as an
// exit status and, on failure, one line on standard error.
//
// The host probe, the clock and the sleep are passed in so the wait can be
// tested without a real process or real time.
#pragma once

#include "TavroUpdate/TavroRelease.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::installer {

// The value after the first argument equal to `name` (the whole vector is
// scanned, the program path included; the value is taken as it is, even when
// it starts with "--"). Throws UpdateFailure "Invalid update request." when
// `name` is absent or is the last argument.
std::string argument(const std::vector<std::string>& arguments, std::string_view name);

// Parses a host process id: an optional "+" or "-", then ASCII digits only,
// within the signed 32-bit range, and greater than 1. Throws UpdateFailure
// "Invalid update request." otherwise.
std::int32_t parseProcessID(std::string_view text);

// The operations the wait for the host is made of.
struct HostWait {
  using Clock = std::chrono::steady_clock;
  // Sends the null signal to `pid`: 0 when the process exists, else errno.
  std::function<int(std::int32_t pid)> probe;
  std::function<Clock::time_point()> now;
  std::function<void(std::chrono::microseconds)> sleep;

  // kill(pid, 0), the steady clock and usleep.
  static HostWait system();
};

inline constexpr std::chrono::seconds hostWaitLimit{60};
inline constexpr std::chrono::microseconds hostPollInterval{100000};

// Returns once the host has gone (the probe reports ESRCH). Throws
// UpdateFailure "Please close the app before installing." when it is still
// there 60 seconds after the first probe, and "Update installation failed."
// when the probe fails for any other reason.
void waitForHost(std::int32_t pid, const HostWait& wait);

// Performs the installation once the host has gone; throws on failure.
using InstallationRun = std::function<void(const TavroRelease& release,
                                           const std::filesystem::path& installed,
                                           const std::filesystem::path& archive)>;

// The whole entry: options, manifest, wait, installation, report. Returns
// the exit status (0, or 1 after writing the failure's text and a line feed
// to `errors`).
int run(const std::vector<std::string>& arguments, const HostWait& wait,
        const InstallationRun& install, std::ostream& errors);

}  // namespace tavro::installer
