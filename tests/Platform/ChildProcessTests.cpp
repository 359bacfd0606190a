#include "Platform/ChildProcess.h"
#include "Platform/ToolsDirectory.h"

#include "common/TestSupport.h"
#include "installation/BundleFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tavro::platform {
namespace {

struct Descriptor {
  int value = -1;
  ~Descriptor() {
    if (value >= 0) ::close(value);
  }
};

TEST(ChildProcess, ReturnsStandardOutputAndExitStatusButNotStandardError) {
  ChildProcessResult result = runChildProcess("/bin/sh", {"-c", "printf 'out\\n'; printf 'err\\n' >&2; exit 3"});
  EXPECT_EQ(result.exitStatus, 3);
  EXPECT_FALSE(result.succeeded());
  EXPECT_EQ(result.standardOutput, "out\n");
}

TEST(ChildProcess, ReadsOutputLargerThanThePipeBufferToTheEnd) {
  ChildProcessResult result = runChildProcess("/bin/sh", {"-c", "head -c 300000 /dev/zero"});
  EXPECT_TRUE(result.succeeded());
  EXPECT_EQ(result.standardOutput.size(), 300000u);
}

TEST(ChildProcess, PassesArgumentsUnchangedWithoutAShell) {
  ChildProcessResult result = runChildProcess("/bin/sh", {"-c", "printf '%s|' \"$@\"", "sh", "a b", "$HOME", ""});
  EXPECT_EQ(result.standardOutput, "a b|$HOME||");
}

TEST(ChildProcess, AChildEndedBySignalHasNoExitStatus) {
  ChildProcessResult result = runChildProcess("/bin/sh", {"-c", "kill -9 $$"});
  EXPECT_FALSE(result.exitStatus.has_value());
  EXPECT_FALSE(result.succeeded());
}

TEST(ChildProcess, AProgramThatCannotBeStartedIsAPlatformFailure) {
  EXPECT_THROW(runChildProcess("/nonexistent/tool", {}), std::system_error);
  EXPECT_THROW(runChildProcess("/etc/hostname", {}), std::system_error);  // not executable
}

// What a shell started with, one line each: its nice value, its blocked and
// ignored signals (hexadecimal masks), as the commands it runs inherit them
// (the shell itself blocks signals for a moment whenever it forks), then the
// shell's open descriptors.
constexpr const char* describeShell =
    "cut -d' ' -f19 /proc/self/stat; sed -n 's/^SigBlk:\\t//p; s/^SigIgn:\\t//p' /proc/self/status; ls /proc/$$/fd";
// A clean start keeps the nice value of the test program's own main thread
// (0, unless the whole test run was started niced).
std::string cleanShell() {
  return std::to_string(::getpriority(PRIO_PROCESS, 0)) + "\n0000000000000000\n0000000000000000\n0\n1\n2\n";
}

// The C library's own signal 32 stays as glibc's posix_spawn left it when
// it started this test program (ctest does so): ignored until the library of
// the program takes it over, and the library lets no program change it.
// Every other signal must be at its default.
std::string withoutLibrarySignal(std::string report) {
  const std::string ignored = "\n0000000080000000\n";
  if (std::size_t at = report.find(ignored); at != std::string::npos) {
    report.replace(at, ignored.size(), "\n0000000000000000\n");
  }
  return report;
}

TEST(ChildProcess, ChildStartsCleanOfTheCallersPriorityDescriptorsAndSignals) {
  // A descriptor left open without close-on-exec, an ignored signal and a
  // blocked one, all on a thread that lowered its priority as the
  // installation does.
  Descriptor leaked{::open("/dev/null", O_RDONLY)};
  ASSERT_GE(leaked.value, 3);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR2, &ignore, &previous), 0);
  std::string report;
  std::thread([&] {
    startChildrenAtCurrentPriority();
    ASSERT_EQ(::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10), 0);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    report = runChildProcess("/bin/sh", {"-c", describeShell}).standardOutput;
  }).join();
  ::sigaction(SIGUSR2, &previous, nullptr);
  EXPECT_EQ(withoutLibrarySignal(report), cleanShell());
}

TEST(OpenTool, StartsTheApplicationWithoutTheCallersDescriptorsOrSignals) {
  testing::TemporaryDirectory directory;
  const std::filesystem::path record = directory / "state";
  testing::BundleSpec layout;
  // The shell reads its commands from standard input, so that it holds no
  // descriptor of its own for a script file.
  testing::writeFile(directory / "describe", "exec > '" + record.string() + ".part'\n" + describeShell + "\nmv '" +
                                                 record.string() + ".part' '" + record.string() + "'\n");
  layout.executable = "#!/bin/sh\nexec /bin/sh -s < '" + (directory / "describe").string() + "'\n";
  testing::writeBundle(directory / "Probe.app", layout);
  Descriptor leaked{::open("/dev/null", O_RDONLY)};
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR2, &ignore, &previous), 0);
  // Started as the host would, passing on what this process has.
  testing::ProcessResult started = testing::runProcess(toolPath("open"), {(directory / "Probe.app").string()});
  ::sigaction(SIGUSR2, &previous, nullptr);
  ASSERT_EQ(started.exitStatus, 0) << started.standardError;
  std::string report;
  for (int attempt = 0; attempt < 500; ++attempt) {
    if (std::filesystem::exists(record)) {
      report = testing::readFile(record);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(withoutLibrarySignal(report), cleanShell());
}

}  // namespace
}  // namespace tavro::platform
