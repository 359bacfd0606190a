// Stand-in for the open tool in tests and the demo. It checks what the real
// tool needs (a CFBundleExecutable that exists and may be executed) but
// records the start instead of running the program:
//   - Contents/Resources/launch-fails in the bundle: exit 1, as a start that fails;
//   - Contents/Resources/launch-record holding a path: appends the bundle's
//     CFBundleShortVersionString and a line feed to that file;
//   - Contents/Resources/launch-state holding a path: appends what the
//     application would have started with: "nice=N blocked=MASK
//     ignored=MASK descriptors=0 1 2" (signal masks in hexadecimal).
#include "Platform/Bundle.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/resource.h>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

std::string statusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(name + ":\t")) return line.substr(name.size() + 2);
  }
  return "?";
}

std::string processState() {
  errno = 0;
  int nice = ::getpriority(PRIO_PROCESS, 0);
  std::string state = "nice=" + (errno != 0 ? std::string("?") : std::to_string(nice));
  state += " blocked=" + statusField("SigBlk") + " ignored=" + statusField("SigIgn") + " descriptors=";
  if (DIR* directory = ::opendir("/proc/self/fd")) {
    std::vector<int> open;
    while (dirent* entry = ::readdir(directory)) {
      if (entry->d_name[0] == '.') continue;
      int descriptor = std::stoi(entry->d_name);
      if (descriptor != ::dirfd(directory)) open.push_back(descriptor);
    }
    ::closedir(directory);
    std::sort(open.begin(), open.end());
    for (std::size_t i = 0; i < open.size(); ++i) {
      if (i > 0) state += ' ';
      state += std::to_string(open[i]);
    }
  }
  return state;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: open PATH\n", stderr);
    return 2;
  }
  // Taken before this tool opens anything of its own.
  const std::string state = processState();
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
  std::ifstream stateName(bundle / "Contents/Resources/launch-state");
  if (stateName && std::getline(stateName, record) && !record.empty()) {
    std::ofstream(record, std::ios::app) << state << "\n";
  }
  return 0;
}
