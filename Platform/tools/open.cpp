// open: starts an application bundle's executable, detached.
//   open PATH
// Reads CFBundleExecutable from PATH/Contents/Info.plist and starts
// PATH/Contents/MacOS/<that name> in a new session with its standard input,
// output and error on the null device, so that it neither holds the caller's
// pipes open nor ends with the caller. Exit status 0 once the program has
// been started (exec succeeded); 1 with one line on standard error when it
// cannot be started.
#include "Platform/Bundle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: open PATH\n", stderr);
    return 2;
  }
  const std::filesystem::path bundle = argv[1];
  std::string name;
  try {
    tavro::platform::PlistDictionary info = tavro::platform::infoDictionary(bundle);
    auto entry = info.find("CFBundleExecutable");
    if (entry != info.end() && entry->second.string() != nullptr) name = *entry->second.string();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "open: %s: %s\n", argv[1], failure.what());
    return 1;
  }
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
    std::fprintf(stderr, "open: %s: no usable CFBundleExecutable\n", argv[1]);
    return 1;
  }
  const std::filesystem::path executable = bundle / "Contents" / "MacOS" / name;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_addopen(&actions, descriptor, "/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY,
                                     0);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::string program = executable.string();
  char* childArguments[] = {program.data(), nullptr};
  pid_t pid = 0;
  int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, childArguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    std::fprintf(stderr, "open: %s: cannot start %s: %s\n", argv[1], program.c_str(), std::strerror(spawned));
    return 1;
  }
  // Not waited for: the application outlives this tool.
  return 0;
}
