// Feeds arbitrary bytes to the extractor as an archive file and extracts it
// into a temporary directory on a worker thread. Besides crashes and
// sanitizer reports it checks that nothing appears beside the destination
// and that every file of a successful extraction has its declared size.
#include "TavroUpdate/SafeZIPExtractor.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPInspection.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Workspace {
  int archiveDescriptor = -1;
  std::string archive;
  fs::path root;
  fs::path destination;

  Workspace() {
    archiveDescriptor = ::memfd_create("fuzz-archive", 0);
    if (archiveDescriptor < 0) std::abort();
    archive = "/proc/self/fd/" + std::to_string(archiveDescriptor);
    // Memory-backed when available: extraction writes real files.
    std::string pattern = (fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string()) +
                          "/fuzz-zip-extract-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    destination = root / "staging";
  }
  // Runs when libFuzzer ends the process normally (-runs, -max_total_time).
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavro;
  Workspace& space = workspace();
  if (::ftruncate(space.archiveDescriptor, 0) != 0) std::abort();
  if (size > 0 && ::pwrite(space.archiveDescriptor, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  fs::remove_all(space.destination);
  fs::create_directory(space.destination);

  bool succeeded = false;
  std::thread worker([&] {
    try {
      SafeZIPExtractor::extract(space.archive, space.destination);
      succeeded = true;
    } catch (const UpdateFailure& failure) {
      const std::string message = failure.what();
      if (message != UpdateFailure::invalidArchive && message != UpdateFailure::unsafeArchive &&
          message != UpdateFailure::notVerified) {
        std::abort();
      }
    } catch (const std::system_error&) {
      // A member that is a file and another below it as a directory: the
      // platform's failure, passed on.
    }
  });
  worker.join();

  for (const auto& entry : fs::directory_iterator(space.root)) {
    if (entry.path() != space.destination) std::abort();
  }
  if (succeeded) {
    for (const ZIPMember& member : ZIPInspection::members(space.archive)) {
      const fs::path target = space.destination / member.name;
      if (member.name.back() == '/') {
        if (!fs::is_directory(target)) std::abort();
      } else if (!fs::is_regular_file(fs::symlink_status(target)) ||
                 fs::file_size(target) != static_cast<std::uintmax_t>(member.expandedSize)) {
        std::abort();
      }
    }
  }
  return 0;
}
