#include "TavroUpdateInstaller/InstallerEntry.h"

#include "Support/File.h"
#include "Support/Text.h"
#include "TavroUpdate/UpdateFailure.h"

#include <cerrno>
#include <limits>
#include <signal.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tavro::installer {
namespace {

// The manifest's own read failure, whose text names no path and is reported
// as it is.
class ManifestUnreadable : public std::system_error {
 public:
  explicit ManifestUnreadable(int error)
      : std::system_error(error, std::generic_category(), "The manifest could not be read") {}
};

std::string readWholeFile(const std::string& path) {
  // Without blocking, and only a regular file: a FIFO would stall the read
  // and a device such as /dev/zero would never end. The manifest has no
  // size bound of its own.
  file::Contents contents = file::readRegular(path);
  if (!contents) throw ManifestUnreadable(contents.error);
  return std::move(contents.bytes);
}

// Relative paths are taken against the current directory, as file URLs are,
// and normalised as a file URL is: "." and ".." pieces and doubled or
// trailing slashes go, so "/Applications/BRELVA Tavro.app/" names the
// bundle "BRELVA Tavro.app".
std::filesystem::path fileLocation(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  std::filesystem::path location = (error ? std::filesystem::path(path) : absolute).lexically_normal();
  if (!location.has_filename() && location.has_relative_path()) location = location.parent_path();
  return location;
}

// What the report says for a failure. A failure of the platform's file and
// process calls carries paths of the user's disk (and, through archive
// member names, text of the archive's making), so only the system's
// description of its error is told.
std::string describe(const std::exception& failure) {
  if (dynamic_cast<const UpdateFailure*>(&failure) || dynamic_cast<const ManifestUnreadable*>(&failure)) {
    return failure.what();
  }
  if (const auto* platform = dynamic_cast<const std::system_error*>(&failure)) return platform->code().message();
  return failure.what();
}

// The report is one line: control characters (line feeds and carriage
// returns among them, and the Unicode line and paragraph separators) become
// spaces, and ill-formed UTF-8 becomes U+FFFD.
std::string oneLine(std::string_view text) {
  std::vector<char32_t> characters = text::codePoints(text);
  for (char32_t& c : characters) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) c = U' ';
  }
  return text::fromCodePoints(characters);
}

}  // namespace

std::string argument(const std::vector<std::string>& arguments, std::string_view name) {
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    if (arguments[index] == name) {
      if (index + 1 == arguments.size()) break;
      return arguments[index + 1];
    }
  }
  throw UpdateFailure(UpdateFailure::invalidRequest);
}

std::int32_t parseProcessID(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) throw UpdateFailure(UpdateFailure::invalidRequest);
  // Accumulate as a negative number so that the most negative 32-bit value
  // is representable, and stop at the first step beyond the range.
  constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw UpdateFailure(UpdateFailure::invalidRequest);
    value = value * 10 + (c - '0');
    if (value > -lowest) throw UpdateFailure(UpdateFailure::invalidRequest);
  }
  if (negative) value = -value;
  if (value > highest || value <= 1) throw UpdateFailure(UpdateFailure::invalidRequest);
  return static_cast<std::int32_t>(value);
}

HostWait HostWait::system() {
  HostWait wait;
  wait.probe = [](std::int32_t pid) { return ::kill(pid, 0) == 0 ? 0 : errno; };
  wait.now = [] { return Clock::now(); };
  wait.sleep = [](std::chrono::microseconds interval) { ::usleep(static_cast<useconds_t>(interval.count())); };
  return wait;
}

void waitForHost(std::int32_t pid, const HostWait& wait) {
  const HostWait::Clock::time_point deadline = wait.now() + hostWaitLimit;
  for (;;) {
    int error = wait.probe(pid);
    if (error == ESRCH) return;
    if (error != 0) throw UpdateFailure(UpdateFailure::installationFailed);
    if (wait.now() >= deadline) throw UpdateFailure(UpdateFailure::closeApp);
    wait.sleep(hostPollInterval);
  }
}

int run(const std::vector<std::string>& arguments, const HostWait& wait, const InstallationRun& install,
        std::ostream& errors) {
  try {
    TavroRelease release = TavroRelease::decode(readWholeFile(argument(arguments, "--manifest")));
    std::filesystem::path installed = fileLocation(argument(arguments, "--installed"));
    std::filesystem::path archive = fileLocation(argument(arguments, "--archive"));
    std::int32_t pid = parseProcessID(argument(arguments, "--parent-pid"));
    waitForHost(pid, wait);
    install(release, installed, archive);
    return 0;
  } catch (const std::exception& failure) {
    errors << oneLine(describe(failure)) << '\n';
    errors.flush();
    return 1;
  }
}

}  // namespace tavro::installer
