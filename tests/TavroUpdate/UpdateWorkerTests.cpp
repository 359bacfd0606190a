#include "TavroUpdate/UpdateWorker.h"

#include "Platform/CodeSignature.h"
#include "Support/Sha256.h"
#include "TavroUpdate/AtomicBundleExchange.h"
#include "TavroUpdate/UpdateFailure.h"
#include "UpdateWorkerTestHook.h"
#include "installation/UpdateScenario.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sys/stat.h>
#include <system_error>
#include <exception>
#include <functional>
#include <thread>

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing::BundleSpec;
using testing::readFile;
using testing::UpdateScenario;
using testing::writeFile;

// Runs `work` on a thread of its own (the worker refuses the main thread)
// and returns the failure's text, or "" when it succeeded.
std::string offMainThread(const std::function<void()>& work) {
  std::string outcome;
  std::thread([&] {
    try {
      work();
    } catch (const std::exception& failure) {
      outcome = failure.what();
    }
  }).join();
  return outcome;
}

struct ClearStepAction {
  ~ClearStepAction() { testing::stepAction = nullptr; }
};

class UpdateWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override { scenario.writeAll(); }
  fs::path staging() const { return scenario.downloads / "Install-TEST"; }
  std::string prepare() {
    return offMainThread([&] { candidate = UpdateWorker::prepare(scenario.archive, scenario.release, scenario.installed, staging()); });
  }

  UpdateScenario scenario;
  fs::path candidate;
  ClearStepAction clear;
};

TEST_F(UpdateWorkerTest, PreparesAVerifiedCandidateInAPrivateStagingDirectory) {
  for (char& c : scenario.release.sha256) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_EQ(prepare(), "");  // an upper-case manifest digest matches too
  EXPECT_EQ(candidate, staging() / "BRELVA Tavro.app");
  EXPECT_EQ(fs::status(staging()).permissions(), fs::perms(0700));
  EXPECT_EQ(UpdateScenario::versionOf(candidate), "1.6.4");
  EXPECT_NO_THROW(platform::codeSignature::verify(candidate));
}

TEST_F(UpdateWorkerTest, RefusesTheMainThread) {
  EXPECT_THROW(
      try { UpdateWorker::prepare(scenario.archive, scenario.release, scenario.installed, staging()); } catch (
          const UpdateFailure& failure) {
        EXPECT_STREQ(failure.what(), UpdateFailure::mainThread);
        throw;
      },
      UpdateFailure);
  try {
    UpdateWorker::replace(scenario.installed, scenario.installed, scenario.release);
    ADD_FAILURE() << "replace ran on the main thread";
  } catch (const UpdateFailure& failure) {
    EXPECT_STREQ(failure.what(), UpdateFailure::installationFailed);
  }
  EXPECT_FALSE(fs::exists(staging()));
}

TEST_F(UpdateWorkerTest, RefusalsBeforeExtractionWriteNothing) {
  struct Case {
    const char* name;
    std::function<void(UpdateScenario&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"manifest rule broken", [](UpdateScenario& s) { s.release.distributionStatus = "draft"; }, UpdateFailure::notVerified},
      {"same version and build", [](UpdateScenario& s) { s.release.version = "1.6.3"; s.release.build = "18"; },
       UpdateFailure::notVerified},
      {"older version", [](UpdateScenario& s) { s.release.version = "1.6.2"; }, UpdateFailure::notVerified},
      {"archive one byte shorter than declared", [](UpdateScenario& s) { s.release.fileSize += 1; },
       UpdateFailure::notVerified},
      {"digest mismatch", [](UpdateScenario& s) { s.release.sha256[0] = s.release.sha256[0] == '0' ? '1' : '0'; },
       UpdateFailure::notVerified},
      {"installed signature broken",
       [](UpdateScenario& s) { writeFile(s.installed / "Contents/Resources/Prompts.json", "changed"); },
       UpdateFailure::notVerified},
      {"installed bundle of another application",
       [](UpdateScenario& s) {
         BundleSpec other;
         other.info["CFBundleIdentifier"] = "com.example.other";
         fs::remove_all(s.installed);
         s.writeInstalled(other);
       },
       UpdateFailure::notVerified},
      {"installed bundle signed by another maker",
       [](UpdateScenario& s) {
         auto other = testing::SigningIdentity::create(s.root.path(), "other");
         platform::codeSignature::sign(s.installed, other.privateKey, other.certificate);
       },
       UpdateFailure::notVerified},
      {"archive that is not a ZIP file",
       [](UpdateScenario& s) {
         writeFile(s.archive, std::string(512, 'z'));
         s.release.fileSize = 512;
         s.release.sha256 = sha256::hex(std::string(512, 'z'));
       },
       UpdateFailure::invalidArchive},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    UpdateScenario fresh;
    fresh.writeAll();
    row.change(fresh);
    std::string before = UpdateScenario::treeFingerprint(fresh.root.path());
    std::string outcome = offMainThread(
        [&] { UpdateWorker::prepare(fresh.archive, fresh.release, fresh.installed, fresh.downloads / "Install-X"); });
    EXPECT_EQ(outcome, row.message);
    EXPECT_EQ(UpdateScenario::treeFingerprint(fresh.root.path()), before);
  }
}

TEST_F(UpdateWorkerTest, InputsThatAreNotRegularFilesAreRefusedWithoutWaiting) {
  struct Case {
    const char* name;
    std::function<fs::path(UpdateScenario&)> arrange;  // returns a FIFO to release, if any
    const char* message;
  };
  auto fifoInstead = [](const fs::path& path) {
    fs::remove(path);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  };
  const Case cases[] = {
      {"archive path that is a folder",
       [](UpdateScenario& s) {
         fs::remove(s.archive);
         fs::create_directory(s.archive);
         return fs::path();
       },
       UpdateFailure::notVerified},
      {"archive that is a FIFO", [&](UpdateScenario& s) { return fifoInstead(s.archive); }, UpdateFailure::notVerified},
      {"archive that is a character device",
       [](UpdateScenario& s) {
         fs::remove(s.archive);
         fs::create_symlink("/dev/zero", s.archive);
         return fs::path();
       },
       UpdateFailure::notVerified},
      // No certificate for the installed application: nothing to trust.
      {"installed signature that is a FIFO",
       [&](UpdateScenario& s) { return fifoInstead(s.installed / platform::codeSignature::signaturePath); },
       UpdateFailure::notVerified},
      {"installed seal that is a FIFO",
       [&](UpdateScenario& s) { return fifoInstead(s.installed / platform::codeSignature::resourcesPath); },
       UpdateFailure::notVerified},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    UpdateScenario fresh;
    fresh.writeAll();
    fs::path fifo = row.arrange(fresh);
    std::string outcome;
    EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(fifo, [&] {
      outcome = offMainThread(
          [&] { UpdateWorker::prepare(fresh.archive, fresh.release, fresh.installed, fresh.downloads / "Install-X"); });
    }));
    EXPECT_EQ(outcome, row.message);
    EXPECT_FALSE(fs::exists(fresh.downloads / "Install-X"));
  }
}

TEST_F(UpdateWorkerTest, LeftoverStagingDirectoryIsRefusedAndLeftAlone) {
  fs::create_directory(staging());
  writeFile(staging() / "earlier", "kept");
  EXPECT_EQ(prepare(), UpdateFailure::notVerified);
  EXPECT_EQ(readFile(staging() / "earlier"), "kept");
}

TEST_F(UpdateWorkerTest, CandidateRefusalsAfterExtractionRemoveTheStagingDirectory) {
  struct Case {
    const char* name;
    std::function<void(UpdateScenario&)> writeUpdate;
    const char* message;
  };
  BundleSpec intelOnly = UpdateScenario::updateSpec();
  intelOnly.executable = testing::machOExecutable({{testing::cpuTypeX86_64, 3}});
  BundleSpec universal = UpdateScenario::updateSpec();
  universal.executable = testing::machOExecutable({{testing::cpuTypeX86_64, 3}, {testing::cpuTypeARM64, 0}});
  BundleSpec wrongIdentifier = UpdateScenario::updateSpec();
  wrongIdentifier.info["CFBundleIdentifier"] = "com.brelva.tavro.beta";
  const Case cases[] = {
      {"signed by another maker",
       [](UpdateScenario& s) {
         auto other = testing::SigningIdentity::create(s.root.path(), "other");
         s.writeUpdate(UpdateScenario::updateSpec(), {}, &other);
       },
       UpdateFailure::notVerified},
      {"one byte changed after signing",
       [](UpdateScenario& s) {
         s.writeUpdate(UpdateScenario::updateSpec(), [](const fs::path& b) {
           std::string text = readFile(b / "Contents/Resources/Prompts.json");
           text[1] ^= 0x20;
           writeFile(b / "Contents/Resources/Prompts.json", text);
         });
       },
       UpdateFailure::notVerified},
      {"unsealed extra file",
       [](UpdateScenario& s) {
         s.writeUpdate(UpdateScenario::updateSpec(),
                       [](const fs::path& b) { writeFile(b / "Contents/Resources/.hidden", "x"); });
       },
       UpdateFailure::notVerified},
      {"no arm64 executable", [&](UpdateScenario& s) { s.writeUpdate(intelOnly); }, UpdateFailure::notVerified},
      {"Info.plist of another application", [&](UpdateScenario& s) { s.writeUpdate(wrongIdentifier); },
       UpdateFailure::notVerified},
      {"main executable not executable",
       [](UpdateScenario& s) {
         s.writeUpdate(UpdateScenario::updateSpec(), [](const fs::path& b) {
           fs::permissions(b / "Contents/MacOS/Tavro", fs::perms(0644));
         });
       },
       UpdateFailure::notVerified},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    UpdateScenario fresh;
    fresh.writeInstalled();
    row.writeUpdate(fresh);
    fs::path stagingPath = fresh.downloads / "Install-X";
    std::string outcome =
        offMainThread([&] { UpdateWorker::prepare(fresh.archive, fresh.release, fresh.installed, stagingPath); });
    EXPECT_EQ(outcome, row.message);
    EXPECT_FALSE(fs::exists(stagingPath));
  }
  // A universal executable that includes arm64 is accepted.
  scenario.writeUpdate(universal);
  EXPECT_EQ(prepare(), "");
}

TEST_F(UpdateWorkerTest, SymbolicLinkInsideTheCandidateIsUnsafe) {
  ASSERT_EQ(prepare(), "");
  fs::create_symlink("Engine", candidate / "Contents/Frameworks/Engine.framework/Versions/A/Current");
  EXPECT_EQ(offMainThread([&] { UpdateWorker::verify(candidate, scenario.release); }), UpdateFailure::unsafeArchive);
}

TEST_F(UpdateWorkerTest, RequireUpgradeComparesVersionThenBuild) {
  struct Case {
    const char* version;
    const char* build;
    bool accepted;
  };
  const Case cases[] = {{"1.6.4", "1", true}, {"1.6.3", "19", true}, {"1.6.3", "18", false},
                        {"1.6.2", "99", false}, {"1.7", "0", true},   {"not a version", "19", false}};
  for (const Case& row : cases) {
    SCOPED_TRACE(std::string(row.version) + " build " + row.build);
    TavroRelease release = scenario.release;
    release.version = row.version;
    release.build = row.build;
    bool accepted = true;
    try {
      UpdateWorker::requireUpgrade(release, scenario.installed);
    } catch (const UpdateFailure& failure) {
      EXPECT_STREQ(failure.what(), UpdateFailure::notVerified);
      accepted = false;
    }
    EXPECT_EQ(accepted, row.accepted);
  }
  // Versions that are not text are refused whatever their value.
  writeFile(scenario.installed / "Contents/Info.plist",
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
            "<string>com.brelva.tavro</string><key>CFBundleShortVersionString</key><string>1.6.3</string>"
            "<key>CFBundleVersion</key><integer>18</integer></dict></plist>");
  EXPECT_THROW(UpdateWorker::requireUpgrade(scenario.release, scenario.installed), UpdateFailure);
}

TEST_F(UpdateWorkerTest, ReplaceKeepsThePreviousBundleAndLeavesNoSwapDirectory) {
  ASSERT_EQ(prepare(), "");
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  fs::path previous;
  ASSERT_EQ(offMainThread([&] { previous = UpdateWorker::replace(candidate, scenario.installed, scenario.release); }),
            "");
  EXPECT_EQ(UpdateScenario::versionOf(scenario.installed), "1.6.4");
  EXPECT_NO_THROW(platform::codeSignature::verify(scenario.installed));
  EXPECT_EQ(previous.parent_path(), scenario.applications);
  EXPECT_EQ(UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-"),
            std::vector<std::string>{previous.filename().string()});
  EXPECT_TRUE(previous.filename().string().ends_with(".app"));
  EXPECT_EQ(UpdateScenario::treeFingerprint(previous), oldTree);
  EXPECT_TRUE(UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-").empty());
}

TEST_F(UpdateWorkerTest, ReplaceRefusesAnInstalledPathItCannotTrust) {
  ASSERT_EQ(prepare(), "");
  // A link to the real bundle, and the real bundle under another name.
  fs::rename(scenario.installed, scenario.applications / "Tavro.app");
  fs::create_directory_symlink(scenario.applications / "Tavro.app", scenario.installed);
  std::string before = UpdateScenario::treeFingerprint(scenario.applications);
  for (const fs::path& installed : {scenario.installed, scenario.applications / "Tavro.app"}) {
    SCOPED_TRACE(installed.string());
    EXPECT_EQ(offMainThread([&] { UpdateWorker::replace(candidate, installed, scenario.release); }),
              UpdateFailure::installationFailed);
    EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.applications), before);
  }
}

TEST_F(UpdateWorkerTest, NewBundleFailingAtItsFinalPlaceIsExchangedBack) {
  ASSERT_EQ(prepare(), "");
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  testing::stepAction = [&](std::string_view step) {
    if (step == "bundles exchanged") writeFile(scenario.installed / "Contents/Resources/Prompts.json", "damaged");
  };
  EXPECT_EQ(offMainThread([&] { UpdateWorker::replace(candidate, scenario.installed, scenario.release); }),
            UpdateFailure::notVerified);
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.installed), oldTree);
  EXPECT_TRUE(UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-").empty());
  EXPECT_TRUE(UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-").empty());
}

TEST_F(UpdateWorkerTest, FailedExchangeBackNeverDeletesTheOldBundle) {
  ASSERT_EQ(prepare(), "");
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  // Damage the new bundle and take it away from the installed path, so the
  // exchange back fails while the old bundle lies in the swap directory.
  fs::path moved = scenario.root / "new-bundle-moved-away";
  testing::stepAction = [&](std::string_view step) {
    if (step != "bundles exchanged") return;
    writeFile(scenario.installed / "Contents/Resources/Prompts.json", "damaged");
    fs::rename(scenario.installed, moved);
  };
  EXPECT_EQ(offMainThread([&] { UpdateWorker::replace(candidate, scenario.installed, scenario.release); }),
            UpdateFailure::installationFailed);
  // The old bundle is kept under the previous-bundle name, and the swap
  // directory, which then holds nothing of the user's, is gone.
  std::vector<std::string> kept = UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.applications / kept[0]), oldTree);
  EXPECT_TRUE(UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-").empty());
}

TEST_F(UpdateWorkerTest, AFailureAfterTheExchangeNeverDeletesTheOldBundle) {
  // Whatever fails once the exchange has been made (a directory sync whose
  // undo failed too, say), the swap directory then holds the user's old
  // application and must not be removed with it.
  ASSERT_EQ(prepare(), "");
  std::string oldTree = UpdateScenario::treeFingerprint(scenario.installed);
  testing::stepAction = [](std::string_view step) {
    if (step == "bundles exchanged") throw std::system_error(EIO, std::generic_category(), "Cannot sync");
  };
  EXPECT_EQ(offMainThread([&] { UpdateWorker::replace(candidate, scenario.installed, scenario.release); }),
            "Cannot sync: Input/output error");
  std::vector<std::string> kept = UpdateScenario::namesStartingWith(scenario.applications, ".BRELVA Tavro.previous-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(UpdateScenario::treeFingerprint(scenario.applications / kept[0]), oldTree);
  EXPECT_TRUE(UpdateScenario::namesStartingWith(scenario.applications, ".tavro-update-").empty());
}

TEST(UpdateWorker, AtomicBundleExchangeRefusalIsInstallationFailed) {
  testing::TemporaryDirectory directory;
  fs::create_directory(directory / "present");
  try {
    AtomicBundleExchange::swap(directory / "present", directory / "absent");
    FAIL() << "swap with a missing entry succeeded";
  } catch (const UpdateFailure& failure) {
    EXPECT_STREQ(failure.what(), UpdateFailure::installationFailed);
  }
  EXPECT_TRUE(fs::is_directory(directory / "present"));
}

TEST(UpdateWorker, OutputReturnsTextAndRefusesFailingTools) {
  EXPECT_EQ(UpdateWorker::output("/bin/sh", {"-c", "printf 'x86_64 arm64\\n'"}), "x86_64 arm64\n");
  EXPECT_EQ(UpdateWorker::output("/bin/sh", {"-c", "printf 'a\\377b'"}), "a\xEF\xBF\xBD" "b");
  try {
    UpdateWorker::output("/bin/sh", {"-c", "echo partial; exit 1"});
    FAIL() << "a failing tool was accepted";
  } catch (const UpdateFailure& failure) {
    EXPECT_STREQ(failure.what(), UpdateFailure::notVerified);
  }
  EXPECT_THROW(UpdateWorker::output("/nonexistent/tool", {}), std::system_error);
}

TEST(UpdateWorker, DigestIsLowerCaseHexOfTheWholeFile) {
  testing::TemporaryDirectory directory;
  writeFile(directory / "abc", "abc");
  EXPECT_EQ(UpdateWorker::digest(directory / "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_THROW(UpdateWorker::digest(directory / "missing"), std::system_error);
}

}  // namespace
}  // namespace tavro
