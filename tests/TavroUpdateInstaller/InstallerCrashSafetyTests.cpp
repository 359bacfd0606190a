// The installer killed with SIGKILL at many moments of a run: after each
// file-system step (the stepping build stops itself there) and at random
// delays across whole runs. After every kill the installed path must name a
// complete bundle whose signature verifies, the old bundle must still exist
// (at the installed path or hidden beside it), and a new run must either
// install the update or refuse it as not newer.
#include "Platform/CodeSignature.h"
#include "TavroUpdate/UpdateFailure.h"
#include "installation/UpdateScenario.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing::BundleSpec;
using testing::runProcess;
using testing::UpdateScenario;

const fs::path standInInstaller = TAVRO_STAND_IN_INSTALLER_PATH;
const fs::path steppingInstaller = TAVRO_STEPPING_INSTALLER_PATH;

pid_t spawnInstaller(const fs::path& program, const std::vector<std::string>& arguments, int stepNames) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (stepNames >= 0) posix_spawn_file_actions_adddup2(&actions, stepNames, 3);
  std::vector<std::string> storage{program.string()};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::system_error(spawned, std::generic_category(), "posix_spawn");
  return pid;
}

struct SteppedRun {
  std::vector<std::string> steps;  // the steps reached, in order
  bool killed = false;
};

// Runs the stepping installer and kills it when it stops at step number
// `killAt` (counted from 1); with no such step the run ends normally.
SteppedRun runSteppingInstaller(const UpdateScenario& scenario, std::size_t killAt) {
  int names[2];
  if (::pipe2(names, O_CLOEXEC | O_NONBLOCK) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  pid_t pid = spawnInstaller(steppingInstaller, scenario.installerArguments(), names[1]);
  ::close(names[1]);
  SteppedRun run;
  std::string pending;
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WUNTRACED) < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    if (!WIFSTOPPED(status)) break;
    char buffer[256];
    ssize_t count;
    while ((count = ::read(names[0], buffer, sizeof buffer)) > 0) pending.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      run.steps.push_back(pending.substr(0, end));
    }
    if (run.steps.size() == killAt) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      run.killed = true;
      break;
    }
    ::kill(pid, SIGCONT);
  }
  ::close(names[0]);
  return run;
}

// Kills the stand-in-launcher installer after `delay`, or lets it end first.
void runAndKillAfter(const UpdateScenario& scenario, std::chrono::microseconds delay) {
  pid_t pid = spawnInstaller(standInInstaller, scenario.installerArguments(), -1);
  std::this_thread::sleep_for(delay);
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

class InstallerCrashSafety : public ::testing::Test {
 protected:
  // A fresh scenario; `launchFails` makes the new application fail to start.
  std::unique_ptr<UpdateScenario> freshScenario(bool launchFails) {
    auto scenario = std::make_unique<UpdateScenario>();
    scenario->writeInstalled();
    BundleSpec update = UpdateScenario::updateSpec();
    if (launchFails) update.files["Contents/Resources/launch-fails"] = "";
    scenario->writeUpdate(update);
    scenario->writeManifest();
    oldTree = UpdateScenario::treeFingerprint(scenario->installed);
    return scenario;
  }

  // Every bundle beside the installed one that may hold the old application.
  static std::vector<fs::path> hiddenBundles(const UpdateScenario& scenario) {
    std::vector<fs::path> bundles;
    for (const std::string& name : UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-")) {
      bundles.push_back(scenario.applications / name);
    }
    for (const std::string& name : UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-")) {
      bundles.push_back(scenario.applications / name / "BRELVA Tavro.app");
    }
    return bundles;
  }

  // The state after a kill, then a second run.
  void expectSafeAfterKill(const UpdateScenario& scenario, bool launchFails) {
    ASSERT_TRUE(fs::is_directory(fs::symlink_status(scenario.installed)));
    EXPECT_NO_THROW(platform::codeSignature::verify(scenario.installed));
    std::string installedVersion = UpdateScenario::versionOf(scenario.installed);
    ASSERT_TRUE(installedVersion == "1.6.3" || installedVersion == "1.6.4") << installedVersion;
    if (installedVersion == "1.6.3") {
      EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.installed), oldTree);
    } else {
      bool oldKept = false;
      for (const fs::path& bundle : hiddenBundles(scenario)) {
        oldKept = oldKept || (fs::exists(bundle) && UpdateScenario::treeFingerprint(bundle) == oldTree);
      }
      EXPECT_TRUE(oldKept) << "the old bundle was lost";
    }

    testing::ProcessResult again = runProcess(standInInstaller, scenario.installerArguments());
    if (installedVersion == "1.6.4" || launchFails) {
      // Not newer than what is installed, or rolled back once more.
      EXPECT_EQ(again.exitStatus, 1);
      EXPECT_EQ(again.standardError, std::string(UpdateFailure::notVerified) + "\n");
      EXPECT_EQ(UpdateScenario::versionOf(scenario.installed), installedVersion);
    } else {
      EXPECT_EQ(again.exitStatus, 0) << again.standardError;
      EXPECT_EQ(UpdateScenario::versionOf(scenario.installed), "1.6.4");
    }
    EXPECT_NO_THROW(platform::codeSignature::verify(scenario.installed));
  }

  std::string oldTree;
};

TEST_F(InstallerCrashSafety, KilledAfterEachFileSystemStep) {
  std::size_t killPoints = 0;
  for (bool launchFails : {false, true}) {
    // A run without a kill names every step.
    auto probe = freshScenario(launchFails);
    SteppedRun full = runSteppingInstaller(*probe, 0);
    ASSERT_FALSE(full.killed);
    ASSERT_GE(full.steps.size(), 8u);
    for (std::size_t step = 1; step <= full.steps.size(); ++step) {
      SCOPED_TRACE(std::string(launchFails ? "failing start, " : "") + "killed after \"" + full.steps[step - 1] + "\"");
      auto scenario = freshScenario(launchFails);
      SteppedRun run = runSteppingInstaller(*scenario, step);
      ASSERT_TRUE(run.killed);
      ASSERT_EQ(run.steps.back(), full.steps[step - 1]);
      expectSafeAfterKill(*scenario, launchFails);
      ++killPoints;
    }
  }
  RecordProperty("killPoints", static_cast<int>(killPoints));
  std::printf("killed after %zu file-system steps\n", killPoints);
}

TEST_F(InstallerCrashSafety, KilledAtRandomMomentsOfWholeRuns) {
  // How long a whole run takes here, so the delays spread across all of it.
  auto timing = freshScenario(false);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(runProcess(standInInstaller, timing->installerArguments()).exitStatus, 0);
  auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

  std::mt19937 random(20261210);
  std::uniform_int_distribution<std::int64_t> delays(0, whole.count());
  const int killPoints = 24;
  for (int attempt = 0; attempt < killPoints; ++attempt) {
    std::chrono::microseconds delay(delays(random));
    SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us of " + std::to_string(whole.count()));
    auto scenario = freshScenario(false);
    runAndKillAfter(*scenario, delay);
    expectSafeAfterKill(*scenario, false);
  }
  std::printf("killed at %d random moments across runs of about %lld us\n", killPoints,
              static_cast<long long>(whole.count()));
}

}  // namespace
}  // namespace tavro
