#include "Platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <system_error>

namespace tavro::platform {
namespace {

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

}  // namespace
}  // namespace tavro::platform
