// Helpers shared by the archive tests: running an operation on a worker
// thread (extraction refuses the main thread) and naming the failure an
// operation ended with.
#pragma once

#include "TavroUpdate/UpdateFailure.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tavro::testing {

// The single top-level folder every update archive holds, and the two
// messages archive checks end with.
inline const std::string top = "BRELVA Tavro.app/";
inline const std::string invalidArchive = UpdateFailure::invalidArchive;
inline const std::string unsafeArchive = UpdateFailure::unsafeArchive;

// Runs `operation` on a new thread and rethrows whatever it threw.
template <class Operation>
void onWorkerThread(Operation&& operation) {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      operation();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

// The UpdateFailure message `operation` ended with, "success" when it
// returned, "system_error" for a platform failure, "other" for anything else.
template <class Operation>
std::string outcomeOf(Operation&& operation) {
  try {
    operation();
    return "success";
  } catch (const UpdateFailure& failure) {
    return failure.what();
  } catch (const std::system_error&) {
    return "system_error";
  } catch (...) {
    return "other";
  }
}

// Every file and directory below `root`, as paths relative to it.
inline std::vector<std::string> listTree(const std::filesystem::path& root) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    paths.push_back(std::filesystem::relative(entry.path(), root).string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace tavro::testing
