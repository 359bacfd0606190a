// lipo: lists the processor architectures of an executable.
//   lipo -archs PATH
// Prints them separated by spaces and followed by a line feed, e.g.
// "x86_64 arm64" (see Platform/ExecutableArchitectures.h for the formats).
// A file of another kind, or a damaged header, gives one line on standard
// error and exit status 1.
#include "Platform/ExecutableArchitectures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "-archs") {
    std::fputs("usage: lipo -archs PATH\n", stderr);
    return 2;
  }
  auto names = tavro::platform::executableArchitectures(argv[2]);
  if (!names) {
    std::fprintf(stderr, "lipo: %s: not a readable executable of a known format\n", argv[2]);
    return 1;
  }
  std::string line;
  for (const std::string& name : *names) line += (line.empty() ? "" : " ") + name;
  std::printf("%s\n", line.c_str());
  return 0;
}
