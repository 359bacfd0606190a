// Stand-in for the open tool in tests and the demo. It checks what the real
// tool needs (a CFBundleExecutable that exists and may be executed) but
// records the start instead of running the program:
//   - Contents/Resources/launch-fails in the bundle: exit 1, as a start that fails;
//   - Contents/Resources/launch-record holding a path: appends the bundle's
//     CFBundleShortVersionString and a line feed to that file.
#include "Platform/Bundle.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: open PATH\n", stderr);
    return 2;
  }
  const std::filesystem::path bundle = argv[1];
  std::string executable;
  std::string version;
  try {
    tavro::platform::PlistDictionary info = tavro::platform::infoDictionary(bundle);
    if (auto entry = info.find("CFBundleExecutable"); entry != info.end() && entry->second.string()) {
      executable = *entry->second.string();
    }
    if (auto entry = info.find("CFBundleShortVersionString"); entry != info.end() && entry->second.string()) {
      version = *entry->second.string();
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "open: %s: %s\n", argv[1], failure.what());
    return 1;
  }
  std::filesystem::path program = bundle / "Contents/MacOS" / executable;
  if (executable.empty() || ::access(program.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "open: %s: no executable to start\n", argv[1]);
    return 1;
  }
  if (std::filesystem::exists(bundle / "Contents/Resources/launch-fails")) {
    std::fprintf(stderr, "open: %s: the application did not start\n", argv[1]);
    return 1;
  }
  std::ifstream recordName(bundle / "Contents/Resources/launch-record");
  std::string record;
  if (recordName && std::getline(recordName, record) && !record.empty()) {
    std::ofstream(record, std::ios::app) << version << "\n";
  }
  return 0;
}
