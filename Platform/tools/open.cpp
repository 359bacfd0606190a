// open: starts an application bundle's executable, detached.
//   open PATH
// Reads CFBundleExecutable from PATH/Contents/Info.plist and starts
// PATH/Contents/MacOS/<that name> in a new session with its standard input,
// output and error on the null device, so that it neither holds the caller's
// pipes open nor ends with the caller, with no other descriptor open and
// every signal unblocked and at its default. Exit status 0 once the program has
// been started (exec succeeded); 1 with one line on standard error when it
// cannot be started.
#include "Platform/Bundle.h"
#include "Platform/ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

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

  try {
    tavro::platform::startDetachedProcess(executable);
  } catch (const std::system_error& failure) {
    std::fprintf(stderr, "open: %s: cannot start %s: %s\n", argv[1], executable.c_str(),
                 failure.code().message().c_str());
    return 1;
  }
  // Not waited for: the application outlives this tool.
  return 0;
}
