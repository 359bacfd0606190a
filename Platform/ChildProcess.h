// Running a helper program as a child process and collecting what it prints.
// The installer uses it for its platform tools (signature check, attribute
// removal, architecture listing, application start).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro::platform {

struct ChildProcessResult {
  // The exit status, or no value when the child was ended by a signal.
  std::optional<int> exitStatus;
  // Everything the child wrote on its standard output.
  std::string standardOutput;

  bool succeeded() const { return exitStatus == 0; }
};

// Runs `program` with `arguments` (not through a shell). Its standard output
// is a pipe read to the end, its standard error goes to the null device, and
// it inherits standard input, the environment and the working directory.
// Returns once the child has ended. Throws std::system_error when the child
// cannot be started (program missing or not executable included).
ChildProcessResult runChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);

}  // namespace tavro::platform
