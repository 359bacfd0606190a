#include "TavroUpdateInstaller/InstallerEntry.h"

#include "TavroUpdate/UpdateFailure.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <filesystem>
#include <functional>
#include <sstream>
#include <system_error>

namespace tavro::installer {
namespace {

using namespace std::chrono_literals;

const char* const validManifest =
    R"({"applicationID":"com.brelva.tavro","version":"1.6.4","build":"19","distributionStatus":"published",)"
    R"("downloadURL":"https://downloads.brelva.example/tools/Tavro.zip",)"
    R"("sha256":"0000000000000000000000000000000000000000000000000000000000000000","fileSize":1,)"
    R"("architectures":["arm64"],"minimumMacOSVersion":"14.0",)"
    R"("codeSigning":{"mode":"same-certificate",)"
    R"("certificateSHA256":"0000000000000000000000000000000000000000000000000000000000000000"}})";

// A pid above any kernel's pid_max: the null signal always answers ESRCH.
const std::string goneHost = "2147483647";

std::string failureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const UpdateFailure& failure) {
    return failure.what();
  }
  return "no failure";
}

TEST(Argument, TakesTheValueAfterTheFirstExactMatch) {
  const std::vector<std::string> arguments = {"installer", "--manifest", "--installed", "--installed",
                                              "app", "--manifest", "second", "--Archive", "x"};
  EXPECT_EQ(argument(arguments, "--manifest"), "--installed");
  EXPECT_EQ(argument(arguments, "--installed"), "--installed");
  EXPECT_EQ(argument({"--manifest", "m"}, "--manifest"), "m");  // the first element is scanned too
  EXPECT_EQ(argument({"p", "--archive", ""}, "--archive"), "");
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"installer"}, {"installer", "--archive"}, {"installer", "--Archive", "x"}, {"installer", "--archive=x"}}) {
    EXPECT_EQ(failureOf([&] { argument(bad, "--archive"); }), "Invalid update request.");
  }
}

TEST(ProcessID, ParsesStrictSigned32BitValuesAbove1) {
  EXPECT_EQ(parseProcessID("42"), 42);
  EXPECT_EQ(parseProcessID("+42"), 42);
  EXPECT_EQ(parseProcessID("0042"), 42);
  EXPECT_EQ(parseProcessID("2"), 2);
  EXPECT_EQ(parseProcessID("2147483647"), 2147483647);
  for (const char* bad : {"1", "0", "-7", "-0", "", "12a", "+", "-", "2147483648", "-2147483648",
                          "-2147483649", "99999999999999999999999", " 42", "42 ", "++42", "4\u0662", "0x10"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(failureOf([&] { parseProcessID(bad); }), "Invalid update request.");
  }
}

// A host wait driven by a scripted probe and a fake clock that only moves
// when the wait sleeps.
struct FakeHost {
  std::vector<int> answers;  // probe results in order; the last one repeats
  int probes = 0;
  int sleeps = 0;
  HostWait::Clock::time_point clock{};

  HostWait wait() {
    HostWait wait;
    wait.probe = [this](std::int32_t) {
      int answer = answers[std::min<std::size_t>(probes, answers.size() - 1)];
      ++probes;
      return answer;
    };
    wait.now = [this] { return clock; };
    wait.sleep = [this](std::chrono::microseconds interval) {
      EXPECT_EQ(interval, 100000us);
      ++sleeps;
      clock += interval;
    };
    return wait;
  }
};

TEST(HostWait, GoneHostIsAcceptedAtTheFirstProbeWithoutSleeping) {
  FakeHost host{{ESRCH}};
  waitForHost(42, host.wait());
  EXPECT_EQ(host.probes, 1);
  EXPECT_EQ(host.sleeps, 0);
}

TEST(HostWait, WaitsWhileTheHostRunsThenGoesOn) {
  FakeHost host{{0, 0, 0, ESRCH}};
  waitForHost(42, host.wait());
  EXPECT_EQ(host.probes, 4);
  EXPECT_EQ(host.sleeps, 3);
}

TEST(HostWait, GivesUpAfterSixtySecondsOfPolling) {
  FakeHost host{{0}};
  EXPECT_EQ(failureOf([&] { waitForHost(42, host.wait()); }), "Please close the app before installing.");
  EXPECT_EQ(host.sleeps, 600);
  EXPECT_EQ(host.probes, 601);
  EXPECT_EQ(host.clock, HostWait::Clock::time_point{} + 60s);
}

TEST(HostWait, AnyOtherProbeErrorFailsTheInstallation) {
  for (int error : {EPERM, EINVAL}) {
    FakeHost host{{0, error}};
    EXPECT_EQ(failureOf([&] { waitForHost(42, host.wait()); }), "Update installation failed.");
    EXPECT_EQ(host.probes, 2);
  }
}

class EntryRun : public ::testing::Test {
 protected:
  testing::TemporaryDirectory folder;
  std::string manifestPath = (folder / "manifest.json").string();
  bool installed = false;
  TavroRelease seenRelease;
  std::filesystem::path seenInstalled, seenArchive;

  void SetUp() override { testing::writeFile(manifestPath, validManifest); }

  std::pair<int, std::string> run(const std::vector<std::string>& options, const std::vector<int>& probes = {ESRCH},
                                  bool installFails = false) {
    std::vector<std::string> arguments = {"TavroUpdateInstaller"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    FakeHost host{probes};
    std::ostringstream errors;
    int status = installer::run(arguments, host.wait(),
                                [&](const TavroRelease& release, const std::filesystem::path& app,
                                    const std::filesystem::path& archive) {
                                  installed = true;
                                  seenRelease = release;
                                  seenInstalled = app;
                                  seenArchive = archive;
                                  if (installFails) throw UpdateFailure(UpdateFailure::unsafeArchive);
                                },
                                errors);
    return {status, errors.str()};
  }
};

TEST_F(EntryRun, SucceedsSilentlyAndHandsOverAbsolutePaths) {
  auto [status, errors] =
      run({"--parent-pid", "+42", "--archive", "update.zip", "--installed", "/Applications/BRELVA Tavro.app",
           "--manifest", manifestPath, "--unknown"});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(errors, "");
  ASSERT_TRUE(installed);
  EXPECT_EQ(seenRelease.version, "1.6.4");
  EXPECT_EQ(seenInstalled, "/Applications/BRELVA Tavro.app");
  EXPECT_EQ(seenArchive, std::filesystem::current_path() / "update.zip");
}

TEST_F(EntryRun, ReportsEachFailureAsOneLine) {
  struct Case {
    std::string name;
    std::vector<std::string> options;
    std::vector<int> probes;
    bool installFails;
    std::string expected;
  };
  const std::string missing = (folder / "missing.json").string();
  const std::vector<Case> cases = {
      {"no options", {}, {ESRCH}, false, "Invalid update request.\n"},
      {"manifest as the last argument", {"--installed", "a", "--manifest"}, {ESRCH}, false,
       "Invalid update request.\n"},
      {"missing archive", {"--manifest", manifestPath, "--installed", "a", "--parent-pid", "42"}, {ESRCH}, false,
       "Invalid update request.\n"},
      {"pid of 1", {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "1"}, {ESRCH},
       false, "Invalid update request.\n"},
      {"host never quits", {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "42"},
       {0}, false, "Please close the app before installing.\n"},
      {"probe not permitted", {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "42"},
       {EPERM}, false, "Update installation failed.\n"},
      {"installation fails", {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "42"},
       {ESRCH}, true, "Unsafe update archive.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto [status, errors] = run(c.options, c.probes, c.installFails);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors, c.expected);
  }
}

TEST_F(EntryRun, NormalisesThePathsItHandsOver) {
  auto [status, errors] = run({"--manifest", manifestPath, "--installed", "/Applications/BRELVA Tavro.app/",
                               "--archive", "Downloads//./update.zip", "--parent-pid", "42"});
  ASSERT_EQ(status, 0) << errors;
  EXPECT_EQ(seenInstalled, "/Applications/BRELVA Tavro.app");
  EXPECT_EQ(seenInstalled.filename(), "BRELVA Tavro.app");
  EXPECT_EQ(seenArchive, std::filesystem::current_path() / "Downloads/update.zip");
}

TEST_F(EntryRun, ReportIsOneLineWithoutPathsOfTheDisk) {
  struct Case {
    std::string name;
    std::function<void()> failure;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"file-system failure naming a member with a line feed",
       [] {
         throw std::filesystem::filesystem_error(
             "cannot create directories", "/Users/ada/Downloads/Install-1/BRELVA Tavro.app/x\nDownload the fix at",
             std::make_error_code(std::errc::permission_denied));
       },
       "Permission denied\n"},
      {"our own file failure with a path",
       [] { throw std::system_error(ENOSPC, std::generic_category(), "Cannot create /Users/ada/Applications/x"); },
       "No space left on device\n"},
      {"text with control characters and ill-formed UTF-8",
       [] { throw std::runtime_error("first\nsecond\r\x1B[0m\u2028third\xFF"); },
       "first second  [0m third\uFFFD\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {"TavroUpdateInstaller", "--manifest", manifestPath, "--installed", "a",
                                          "--archive", "b", "--parent-pid", "42"};
    FakeHost host{{ESRCH}};
    std::ostringstream errors;
    int status = installer::run(
        arguments, host.wait(), [&](const TavroRelease&, const std::filesystem::path&, const std::filesystem::path&) {
          c.failure();
        },
        errors);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.str(), c.expected);
  }
}

TEST_F(EntryRun, ManifestFailureComesBeforeAnyOtherCheck) {
  // A missing manifest is reported even though --archive is missing too.
  auto [status, errors] = run({"--manifest", (folder / "missing.json").string(), "--parent-pid", "x"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(errors, "The manifest could not be read: No such file or directory\n");
  EXPECT_FALSE(installed);

  testing::writeFile(manifestPath, R"({"applicationID":"com.brelva.tavro"})");
  std::tie(status, errors) = run({"--manifest", manifestPath});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(errors, "Missing key \"version\"\n");
}

TEST_F(EntryRun, ManifestThatIsNotARegularFileIsRefusedWithoutWaiting) {
  const std::filesystem::path fifo = folder / "manifest.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {fifo.string(), "The manifest could not be read: Invalid argument\n"},
      {"/dev/zero", "The manifest could not be read: Invalid argument\n"},
      {folder.path().string(), "The manifest could not be read: Is a directory\n"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.path);
    std::pair<int, std::string> outcome;
    EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(fifo, [&] { outcome = run({"--manifest", row.path}); }));
    EXPECT_EQ(outcome, std::make_pair(1, row.expected));
  }
  EXPECT_FALSE(installed);
}

// The built executable, run as the host runs it.
class InstallerProgram : public EntryRun {
 protected:
  testing::ProcessResult launch(const std::vector<std::string>& arguments) {
    return testing::runProcess(TAVRO_INSTALLER_PATH, arguments);
  }
};

TEST_F(InstallerProgram, ReportsExactBytesAndStatus) {
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no arguments", {}, "Invalid update request.\n"},
      {"pid with letters", {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "12a"},
       "Invalid update request.\n"},
      {"pid one above the 32-bit range",
       {"--manifest", manifestPath, "--installed", "a", "--archive", "b", "--parent-pid", "2147483648"},
       "Invalid update request.\n"},
      {"unreadable manifest", {"--manifest", folder.path().string()},
       "The manifest could not be read: Is a directory\n"},
      {"manifest is the next option", {"--manifest", "--installed", "a"},
       "The manifest could not be read: No such file or directory\n"},
      // The host is gone at once, so the run goes on to the update checks,
      // which refuse a manifest for an archive and app that do not exist.
      {"gone host, then an update that cannot be verified",
       {"--archive", "b", "--parent-pid", goneHost, "--installed", "a", "--manifest", manifestPath},
       "Update could not be verified.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ProcessResult result = launch(c.arguments);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, c.expected);
    EXPECT_EQ(result.standardOutput, "");
  }
}

}  // namespace
}  // namespace tavro::installer
