#include "Platform/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace tavro::platform {
namespace {

[[noreturn]] void fail(int error, const char* what) { throw std::system_error(error, std::generic_category(), what); }

// Closes a descriptor once, on every path.
struct Descriptor {
  int value = -1;
  ~Descriptor() { reset(); }
  void reset() {
    if (value >= 0) ::close(value);
    value = -1;
  }
};

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

}  // namespace

ChildProcessResult runChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  // Close-on-exec, so that a child started at the same moment by another
  // thread cannot inherit the write end and keep the pipe open.
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fail(errno, "Cannot create a pipe");
  Descriptor readEnd{ends[0]};
  Descriptor writeEnd{ends[1]};

  SpawnActions spawnActions;
  posix_spawn_file_actions_adddup2(&spawnActions.actions, writeEnd.value, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&spawnActions.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> storage;
  storage.reserve(arguments.size() + 1);
  storage.push_back(program.string());
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(storage.size() + 1);
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  // glibc reports a failed exec (missing file, no permission, bad format)
  // as the result of posix_spawn itself.
  int spawned = ::posix_spawn(&pid, program.c_str(), &spawnActions.actions, nullptr, argv.data(), environ);
  if (spawned != 0) fail(spawned, ("Cannot start " + program.string()).c_str());
  writeEnd.reset();

  ChildProcessResult result;
  char buffer[65536];
  int readError = 0;
  for (;;) {
    ssize_t count = ::read(readEnd.value, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      readError = errno;
      break;
    }
    if (count == 0) break;
    result.standardOutput.append(buffer, static_cast<std::size_t>(count));
  }
  readEnd.reset();

  // Always reap the child, even when reading failed, so no zombie is left.
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) fail(errno, "Cannot wait for a child process");
  }
  if (readError != 0) fail(readError, "Cannot read a child process's output");
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

}  // namespace tavro::platform
