// The tools the installer runs, driven through their command lines.
#include "Platform/ChildProcess.h"
#include "Platform/ToolsDirectory.h"

#include "common/TestSupport.h"
#include "installation/BundleFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>

namespace tavro::platform {
namespace {

namespace fs = std::filesystem;
using testing::BundleSpec;
using testing::readFile;
using testing::runProcess;
using testing::SigningIdentity;
using testing::TemporaryDirectory;
using testing::writeFile;

TEST(CodesignTool, VerifiesSignsAndReportsFaultsOnStandardError) {
  TemporaryDirectory directory;
  SigningIdentity identity = SigningIdentity::create(directory.path(), "maker");
  fs::path bundle = directory / "BRELVA Tavro.app";
  testing::writeBundle(bundle, BundleSpec());
  fs::path tool = toolPath("codesign");

  auto verify = [&] { return runProcess(tool, {"--verify", "--deep", "--strict", bundle.string()}); };
  EXPECT_EQ(verify().exitStatus, 1);  // not signed yet
  auto signing = runProcess(tool, {"--sign", identity.privateKey.string(), "--cert", identity.certificate.string(),
                                   bundle.string()});
  ASSERT_EQ(signing.exitStatus, 0) << signing.standardError;
  auto verified = verify();
  EXPECT_EQ(verified.exitStatus, 0);
  EXPECT_EQ(verified.standardOutput + verified.standardError, "");

  writeFile(bundle / "Contents/Resources/extra", "x");
  auto refused = verify();
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_NE(refused.standardError.find("Contents/Resources/extra"), std::string::npos) << refused.standardError;

  EXPECT_EQ(runProcess(tool, {"--verify", bundle.string()}).exitStatus, 2);  // incomplete command line
}

TEST(LipoTool, ListsArchitecturesOfMachOAndELFFiles) {
  TemporaryDirectory directory;
  using testing::cpuTypeARM64;
  using testing::cpuTypeX86_64;
  std::string bigEndianPowerPC = {'\xfe', '\xed', '\xfa', '\xce', 0, 0, 0, 18, 0, 0, 0, 0};
  std::string damagedFat = testing::machOExecutable({{cpuTypeX86_64, 3}, {cpuTypeARM64, 0}});
  damagedFat.resize(5000);  // the arm64 slice lies beyond the end
  std::string lyingFat = testing::machOExecutable({{cpuTypeX86_64, 3}, {cpuTypeARM64, 0}});
  lyingFat[8 + 20 + 3] = 7;  // the table says x86_64 where the slice is arm64
  struct Case {
    const char* name;
    std::string contents;
    int status;
    const char* output;
  };
  const Case cases[] = {
      {"thin arm64", testing::machOExecutable({{cpuTypeARM64, 0}}), 0, "arm64\n"},
      {"thin arm64e", testing::machOExecutable({{cpuTypeARM64, 2}}), 0, "arm64e\n"},
      {"thin x86_64", testing::machOExecutable({{cpuTypeX86_64, 3}}), 0, "x86_64\n"},
      {"universal", testing::machOExecutable({{cpuTypeX86_64, 3}, {cpuTypeARM64, 0}}), 0, "x86_64 arm64\n"},
      {"big-endian thin", bigEndianPowerPC, 0, "ppc\n"},
      {"ELF aarch64", testing::elfHeader(183), 0, "arm64\n"},
      {"ELF x86_64", testing::elfHeader(62), 0, "x86_64\n"},
      {"shell script", "#!/bin/sh\nexit 0\n", 1, ""},
      {"empty", "", 1, ""},
      {"truncated header", testing::machOExecutable({{cpuTypeARM64, 0}}).substr(0, 10), 1, ""},
      {"universal slice past the end", damagedFat, 1, ""},
      {"universal table disagreeing with its slice", lyingFat, 1, ""},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    writeFile(directory / "Tavro", row.contents);
    auto result = runProcess(toolPath("lipo"), {"-archs", (directory / "Tavro").string()});
    EXPECT_EQ(result.exitStatus, row.status);
    EXPECT_EQ(result.standardOutput, row.output);
    EXPECT_EQ(result.standardError.empty(), row.status == 0);
  }
  EXPECT_EQ(runProcess(toolPath("lipo"), {"-archs", (directory / "missing").string()}).exitStatus, 1);
  // A FIFO in place of the program is refused, not waited on.
  ASSERT_EQ(::mkfifo((directory / "fifo").c_str(), 0600), 0);
  int status = 0;
  EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(directory / "fifo", [&] {
    status = runProcess(toolPath("lipo"), {"-archs", (directory / "fifo").string()}).exitStatus;
  }));
  EXPECT_EQ(status, 1);
}

TEST(XattrTool, RemovesTheAttributeFromTheWholeTree) {
  TemporaryDirectory directory;
  fs::path bundle = directory / "App.app";
  fs::create_directories(bundle / "Contents/MacOS");
  writeFile(bundle / "Contents/MacOS/Tavro", "x");
  writeFile(bundle / "Contents/Info.plist", "x");
  const char* name = "user.com.apple.quarantine";
  for (const fs::path& item : {bundle, bundle / "Contents/MacOS/Tavro", bundle / "Contents/Info.plist"}) {
    if (::setxattr(item.c_str(), name, "1", 1, 0) != 0) GTEST_SKIP() << "no user attributes on this file system";
  }
  ::setxattr((bundle / "Contents/Info.plist").c_str(), "user.kept", "1", 1, 0);
  auto result = runProcess(toolPath("xattr"), {"-dr", "com.apple.quarantine", bundle.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  for (const fs::path& item : {bundle, bundle / "Contents/MacOS/Tavro", bundle / "Contents/Info.plist"}) {
    EXPECT_LT(::getxattr(item.c_str(), name, nullptr, 0), 0) << item;
  }
  EXPECT_EQ(::getxattr((bundle / "Contents/Info.plist").c_str(), "user.kept", nullptr, 0), 1);
  // Nothing left to remove is not a failure; a missing path is.
  EXPECT_EQ(runProcess(toolPath("xattr"), {"-dr", "com.apple.quarantine", bundle.string()}).exitStatus, 0);
  EXPECT_EQ(runProcess(toolPath("xattr"), {"-dr", "com.apple.quarantine", (directory / "none").string()}).exitStatus,
            1);
}

TEST(OpenTool, StartsTheBundleExecutableDetachedOrFails) {
  TemporaryDirectory directory;
  fs::path marker = directory / "started";
  BundleSpec layout;
  layout.executable = "#!/bin/sh\necho \"$$\" > '" + marker.string() + "'\n";
  testing::writeBundle(directory / "Runs.app", layout);

  // The tool returns at once, without waiting for the application, and the
  // application holds none of the tool's output open.
  auto started = runProcess(toolPath("open"), {(directory / "Runs.app").string()});
  ASSERT_EQ(started.exitStatus, 0) << started.standardError;
  for (int attempt = 0; attempt < 500 && !fs::exists(marker); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(fs::exists(marker));

  layout.executable = testing::machOExecutable({{testing::cpuTypeARM64, 0}});
  testing::writeBundle(directory / "Foreign.app", layout);
  BundleSpec noExecutable;
  testing::writeBundle(directory / "NoExecutable.app", noExecutable);
  fs::remove(directory / "NoExecutable.app/Contents/MacOS/Tavro");
  for (const char* bundle : {"Foreign.app", "NoExecutable.app", "Missing.app"}) {
    SCOPED_TRACE(bundle);
    auto failed = runProcess(toolPath("open"), {(directory / bundle).string()});
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_FALSE(failed.standardError.empty());
  }
}

}  // namespace
}  // namespace tavro::platform
