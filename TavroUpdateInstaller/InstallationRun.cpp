#include "TavroUpdateInstaller/InstallationRun.h"

#include "Platform/AtomicExchange.h"
#include "Platform/ChildProcess.h"
#include "Support/Uuid.h"
#include "TavroUpdate/AtomicBundleExchange.h"
#include "TavroUpdate/UpdateWorker.h"

#include <exception>
#include <future>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tavro::installer {
namespace {

namespace fs = std::filesystem;

// A background thread's niceness: below the user's interactive work, as a
// utility task is, while still making steady progress.
constexpr int utilityNiceness = 10;

void startApplication(const fs::path& bundle) { UpdateWorker::output(UpdateWorker::tool("open"), {bundle.string()}); }

void install(const TavroRelease& release, const fs::path& installed, const fs::path& archive,
             const fs::path& staging) {
  fs::path candidate = UpdateWorker::prepare(archive, release, installed, staging);
  struct StagingRemoval {
    const fs::path& staging;
    ~StagingRemoval() {
      try {
        platform::removeTree(staging);
      } catch (const std::exception&) {
        // A failed removal is ignored.
      }
      UpdateWorker::afterFileSystemStep("staging directory removed");
    }
  } removal{staging};

  fs::path previous = UpdateWorker::replace(candidate, installed, release);
  try {
    startApplication(installed);
  } catch (...) {
    std::exception_ptr startFailure = std::current_exception();
    // A failing exchange here replaces the start's failure as the outcome.
    AtomicBundleExchange::swap(previous, installed);
    UpdateWorker::afterFileSystemStep("exchange reversed after a failed start");
    try {
      startApplication(installed);
    } catch (...) {
      // The user can still start the old application by hand.
    }
    std::rethrow_exception(startFailure);
  }
}

}  // namespace

fs::path stagingDirectory(const fs::path& archive) {
  return archive.parent_path() / ("Install-" + Uuid::random().text());
}

void performInstallation(const TavroRelease& release, const fs::path& installed, const fs::path& archive) {
  const fs::path staging = stagingDirectory(archive);
  std::promise<void> outcome;
  std::future<void> result = outcome.get_future();
  // Everything the task needs is copied into it; nothing else is shared.
  std::thread([release, installed, archive, staging, outcome = std::move(outcome)]() mutable {
    // The programs the task starts, the new application above all, must not
    // inherit its lowered priority.
    platform::startChildrenAtCurrentPriority();
    // On Linux the niceness of PRIO_PROCESS with a thread id is the thread's own.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), utilityNiceness);
    try {
      install(release, installed, archive, staging);
      outcome.set_value_at_thread_exit();
    } catch (...) {
      outcome.set_exception_at_thread_exit(std::current_exception());
    }
  }).detach();
  result.get();
}

}  // namespace tavro::installer
