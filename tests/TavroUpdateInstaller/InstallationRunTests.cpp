// The installer end to end: the built executable on real files. Most runs
// use the build with the stand-in application launcher (test applications
// carry arm64 executables); one uses the installer as shipped.
#include "Platform/CodeSignature.h"
#include "Support/Sha256.h"
#include "TavroUpdate/UpdateFailure.h"
#include "installation/UpdateScenario.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing::BundleSpec;
using testing::readFile;
using testing::runProcess;
using testing::UpdateScenario;
using testing::writeFile;

const fs::path standInInstaller = TAVRO_STAND_IN_INSTALLER_PATH;
const fs::path shippedInstaller = TAVRO_INSTALLER_PATH;

// A scenario whose applications record their starts in root/"launches".
struct RecordedScenario : UpdateScenario {
  BundleSpec installedSpec() const {
    BundleSpec layout;
    layout.files["Contents/Resources/launch-record"] = (root / "launches").string();
    return layout;
  }
  BundleSpec newSpec() const {
    BundleSpec layout = updateSpec();
    layout.files["Contents/Resources/launch-record"] = (root / "launches").string();
    return layout;
  }
  void writeAll() {
    writeInstalled(installedSpec());
    writeUpdate(newSpec());
    writeManifest();
  }
  std::string launches() const { return fs::exists(root / "launches") ? readFile(root / "launches") : ""; }
};

TEST(InstallationRun, InstallsTheUpdateAndKeepsTheOldBundleHidden) {
  RecordedScenario scenario;
  scenario.writeAll();
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  std::string downloads = UpdateScenario::treeFingerprint(scenario.downloads);

  testing::ProcessResult result = runProcess(standInInstaller, scenario.installerArguments());
  EXPECT_EQ(result.standardError, "");
  EXPECT_EQ(result.exitStatus, 0);

  EXPECT_EQ(UpdateScenario::versionOf(scenario.installed), "1.6.4");
  EXPECT_NO_THROW(platform::codeSignature::verify(scenario.installed));
  std::vector<std::string> kept = UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].size(), std::string(".BRELVA Tavro.previous-").size() + 36 + 4);
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.applications / kept[0]), oldTree);
  // Nothing else beside it: no swap directory is left.
  EXPECT_EQ(UpdateScenario::namesStartingWith(scenario.applications, ""),
            (std::vector<std::string>{kept[0], "BRELVA Tavro.app"}));
  // The archive and manifest are untouched and no staging directory is left.
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.downloads), downloads);
  EXPECT_EQ(scenario.launches(), "1.6.4\n");
}

TEST(InstallationRun, StartsTheApplicationAtNormalPriorityWithNothingOfTheInstallers) {
  // The installer lowers the priority of its installation task; the
  // application it starts must not inherit that, nor a descriptor or an
  // ignored signal the host left behind.
  RecordedScenario scenario;
  BundleSpec layout = scenario.newSpec();
  layout.files["Contents/Resources/launch-state"] = (scenario.root / "state").string();
  scenario.writeInstalled(scenario.installedSpec());
  scenario.writeUpdate(layout);
  scenario.writeManifest();
  std::vector<std::string> arguments = {"-c", "trap '' USR2; exec 7</dev/null; exec \"$0\" \"$@\"",
                                        standInInstaller.string()};
  for (const std::string& argument : scenario.installerArguments()) arguments.push_back(argument);
  testing::ProcessResult result = runProcess("/bin/sh", arguments);
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  std::string state = readFile(scenario.root / "state");
  // Signal 32 is the C library's own: its posix_spawn, which started the
  // shell above, leaves it ignored, and the library lets no program change
  // it. Every other signal must be at its default.
  if (std::size_t at = state.find("ignored=0000000080000000"); at != std::string::npos) {
    state.replace(at, 24, "ignored=0000000000000000");
  }
  // Normal priority is this test program's own (0 unless the test run was niced).
  EXPECT_EQ(state, "nice=" + std::to_string(::getpriority(PRIO_PROCESS, 0)) +
                       " blocked=0000000000000000 ignored=0000000000000000 descriptors=0 1 2\n");
}

TEST(InstallationRun, ArchiveModesNeverMakeTheApplicationWritableByOthers) {
  // A genuine release repacked with every member writable by anyone.
  RecordedScenario scenario;
  scenario.writeInstalled(scenario.installedSpec());
  scenario.writeUpdate(scenario.newSpec(), [](const fs::path& bundle) {
    fs::permissions(bundle, fs::perms(0777));
    for (const auto& entry : fs::recursive_directory_iterator(bundle)) {
      bool program = entry.is_directory() || entry.path().filename() == "Tavro";
      fs::permissions(entry.path(), fs::perms(program ? 0777 : 0666));
    }
  });
  scenario.writeManifest();
  testing::ProcessResult result = runProcess(standInInstaller, scenario.installerArguments());
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  struct stat status {};
  ASSERT_EQ(::stat(scenario.installed.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0755u);
  for (const auto& entry : fs::recursive_directory_iterator(scenario.installed)) {
    SCOPED_TRACE(entry.path().string());
    ASSERT_EQ(::lstat(entry.path().c_str(), &status), 0);
    bool program = S_ISDIR(status.st_mode) || entry.path().filename() == "Tavro";
    EXPECT_EQ(status.st_mode & 07777, program ? 0755u : 0644u);
  }
  EXPECT_NO_THROW(platform::codeSignature::verify(scenario.installed));
}

TEST(InstallationRun, EveryRefusalLeavesTheInstalledBundleUntouched) {
  struct Case {
    const char* name;
    std::function<void(RecordedScenario&)> arrange;
    const char* message;
  };
  auto rebuilt = [](BundleSpec layout) {
    return [layout](RecordedScenario& s) {
      s.writeUpdate(layout);
      s.writeManifest();
    };
  };
  auto changed = [](std::function<void(const fs::path&)> change) {
    return [change](RecordedScenario& s) {
      s.writeUpdate(s.newSpec(), change);
      s.writeManifest();
    };
  };
  BundleSpec downgrade = RecordedScenario().newSpec().version("1.6.2", "30");
  BundleSpec sameVersion = RecordedScenario().newSpec().version("1.6.3", "18");
  BundleSpec intelOnly = RecordedScenario().newSpec();
  intelOnly.executable = testing::machOExecutable({{testing::cpuTypeX86_64, 3}});
  const Case cases[] = {
      {"manifest rule broken",
       [](RecordedScenario& s) {
         s.release.architectures = {"x86_64"};
         s.writeManifest();
       },
       UpdateFailure::notVerified},
      {"downgrade", rebuilt(downgrade), UpdateFailure::notVerified},
      {"same version", rebuilt(sameVersion), UpdateFailure::notVerified},
      {"archive size mismatch",
       [](RecordedScenario& s) {
         s.release.fileSize -= 1;
         s.writeManifest();
       },
       UpdateFailure::notVerified},
      {"archive digest mismatch",
       [](RecordedScenario& s) {
         s.release.sha256 = std::string(64, 'a');
         s.writeManifest();
       },
       UpdateFailure::notVerified},
      {"damaged archive",
       [](RecordedScenario& s) {
         std::string bytes = readFile(s.archive);
         bytes.resize(bytes.size() - 30);
         writeFile(s.archive, bytes);
         s.release.fileSize = static_cast<std::int64_t>(bytes.size());
         s.release.sha256 = sha256::hex(bytes);
         s.writeManifest();
       },
       UpdateFailure::invalidArchive},
      {"symbolic link stored in the archive",
       [](RecordedScenario& s) {
         fs::create_symlink("Prompts.json", s.work / "BRELVA Tavro.app/Contents/Resources/Alias.json");
         s.archiveWork({"-y"});
         s.writeManifest();
       },
       UpdateFailure::unsafeArchive},
      {"candidate signed with another certificate",
       [](RecordedScenario& s) {
         auto other = testing::SigningIdentity::create(s.root.path(), "other");
         s.writeUpdate(s.newSpec(), {}, &other);
         s.writeManifest();
       },
       UpdateFailure::notVerified},
      {"candidate changed after signing",
       changed([](const fs::path& b) {
         std::string bytes = readFile(b / "Contents/Frameworks/Engine.framework/Versions/A/Engine");
         bytes[100] = 'f';
         writeFile(b / "Contents/Frameworks/Engine.framework/Versions/A/Engine", bytes);
       }),
       UpdateFailure::notVerified},
      {"unsealed extra file", changed([](const fs::path& b) { writeFile(b / "Contents/MacOS/helper", "x"); }),
       UpdateFailure::notVerified},
      {"unsealed empty folder", changed([](const fs::path& b) { fs::create_directory(b / "Contents/PlugIns"); }),
       UpdateFailure::notVerified},
      {"no arm64 executable", rebuilt(intelOnly), UpdateFailure::notVerified},
      {"installed path is a symbolic link",
       [](RecordedScenario& s) {
         fs::rename(s.installed, s.applications / "Real.app");
         fs::create_directory_symlink("Real.app", s.installed);
       },
       UpdateFailure::installationFailed},
      {"installed bundle wrongly named",
       [](RecordedScenario& s) {
         fs::rename(s.installed, s.applications / "Tavro.app");
         s.installed = s.applications / "Tavro.app";
       },
       UpdateFailure::installationFailed},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    RecordedScenario scenario;
    scenario.writeAll();
    row.arrange(scenario);
    std::string applications = UpdateScenario::treeFingerprint(scenario.applications);
    std::string downloads = UpdateScenario::treeFingerprint(scenario.downloads);

    testing::ProcessResult result = runProcess(standInInstaller, scenario.installerArguments());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, std::string(row.message) + "\n");
    EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.applications), applications);
    EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.downloads), downloads);
    EXPECT_EQ(scenario.launches(), "");
  }
}

// Checks the outcome of a run whose start of the new application failed.
void expectRolledBack(const RecordedScenario& scenario, const testing::ProcessResult& result,
                      const std::string& oldTree) {
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.standardError, std::string(UpdateFailure::notVerified) + "\n");
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.installed), oldTree);
  std::vector<std::string> kept = UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(UpdateScenario::versionOf(scenario.applications / kept[0]), "1.6.4");
  EXPECT_EQ(UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-").size(), 0u);
  EXPECT_EQ(UpdateScenario::namesStartingWith(scenario.downloads, "Install-").size(), 0u);
}

TEST(InstallationRun, FailedStartPutsTheOldBundleBack) {
  RecordedScenario scenario;
  scenario.writeInstalled(scenario.installedSpec());
  BundleSpec failing = scenario.newSpec();
  failing.files["Contents/Resources/launch-fails"] = "";
  scenario.writeUpdate(failing);
  scenario.writeManifest();
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);

  expectRolledBack(scenario, runProcess(standInInstaller, scenario.installerArguments()), oldTree);
  // The old application was started again after the rollback.
  EXPECT_EQ(scenario.launches(), "1.6.3\n");
}

TEST(InstallationRun, ShippedInstallerRollsBackWhenTheApplicationCannotStart) {
  // The shipped open tool really executes the application; a bare Mach-O
  // header is no program this machine can start.
  RecordedScenario scenario;
  scenario.writeAll();
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  expectRolledBack(scenario, runProcess(shippedInstaller, scenario.installerArguments()), oldTree);
}

}  // namespace
}  // namespace tavro
