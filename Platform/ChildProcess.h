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
// It starts with no signal blocked or ignored and every handler at its
// default, and with no descriptor above 2 open, whatever the caller left
// open without close-on-exec. Returns once the child has ended. Throws
// std::system_error when the child cannot be started (program missing or
// not executable included).
ChildProcessResult runChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);

// Starts `program` (given only its own path as argument) detached: in a
// session of its own, with standard input, output and error on the null
// device, and the same clean start as runChildProcess. Returns once the
// program has been executed; it is not waited for. Throws std::system_error
// when it cannot be started.
void startDetachedProcess(const std::filesystem::path& program);

// A child inherits the priority (nice value) of the thread that starts it,
// and a process without privileges cannot raise a lowered priority again,
// not even in the child. A thread about to lower its own priority calls
// this first: from then on every child, started by any thread, is started
// from a thread that keeps the priority the caller has now. Later calls do
// nothing.
void startChildrenAtCurrentPriority();

}  // namespace tavro::platform
