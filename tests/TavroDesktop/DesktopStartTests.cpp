// The built program's start: help without a display, the callback address
// the browser starts it with handed to the window of the same data folder
// (the program exits 0 at once), and arguments that are no address refused
// without ever being repeated.
#include "TavroDesktop/CallbackChannel.h"

#include "OffscreenApplication.h"
#include "TavroHost/Storage.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::ProcessResult;
using tavro::testing::ScopedVariable;
using tavro::testing::TemporaryDirectory;

// Runs the program while this process serves its window's events.
ProcessResult runServing(const std::vector<std::string>& arguments) {
  std::future<ProcessResult> result = std::async(std::launch::async, [arguments] {
    return tavro::testing::runProcess(TAVRO_DESKTOP_PATH, arguments);
  });
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  QCoreApplication::processEvents();
  return result.get();
}

const std::string address = "brelva-tavro://auth-callback?state=s1&code=" + std::string(64, 'c');

TEST(DesktopStart, HelpNeedsNoDisplay) {
  ScopedVariable platform("QT_QPA_PLATFORM", "xcb");
  ScopedVariable display("DISPLAY", nullptr);
  ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
  ProcessResult help = tavro::testing::runProcess(TAVRO_DESKTOP_PATH, {"--help"});
  EXPECT_EQ(help.exitStatus, 0) << help.standardError;
  EXPECT_NE(help.standardOutput.find("Usage:"), std::string::npos) << help.standardOutput;
  EXPECT_NE(help.standardOutput.find("--data-dir"), std::string::npos) << help.standardOutput;
}

TEST(DesktopStart, TheCallbackAddressGoesToTheRunningWindow) {
  testing::offscreenApplication();
  TemporaryDirectory data;
  std::optional<StoragePaths> paths = storagePaths(data.path(), processEnvironment());
  ASSERT_TRUE(paths);
  CallbackChannel window(CallbackChannel::nameFor(*paths));
  ASSERT_TRUE(window.listen()) << window.problem().toStdString();
  QSignalSpy received(&window, &CallbackChannel::callbackReceived);

  // Without a display a start that failed to hand over ends at once
  // instead of opening a window of its own.
  ScopedVariable platform("QT_QPA_PLATFORM", "xcb");
  ScopedVariable display("DISPLAY", nullptr);
  ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
  ProcessResult start = runServing({"--data-dir", data.path().string(), address});
  EXPECT_EQ(start.exitStatus, 0) << start.standardError;
  ASSERT_EQ(received.size(), 1);
  EXPECT_EQ(received.at(0).at(0).toString().toStdString(), address);
  EXPECT_EQ(start.standardError.find("code="), std::string::npos) << "the address is never shown";
}

TEST(DesktopStart, ArgumentsThatAreNoAddressAreRefusedUnrepeated) {
  testing::offscreenApplication();
  TemporaryDirectory data;
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
  };
  const std::string secret = "code=" + std::string(64, 'd');
  const std::vector<Case> cases = {
      {"another scheme", {"https://example.org/?" + secret}},
      {"an address too long",
       {"brelva-tavro://auth-callback?" + secret + "&x=" +
        std::string(CallbackChannel::maximumAddressBytes, 'x')}},
      {"two addresses", {address + "&" + secret, address}},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> arguments = {"--data-dir", data.path().string()};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    ProcessResult start = runServing(arguments);
    EXPECT_EQ(start.exitStatus, 1) << start.standardError;
    EXPECT_EQ(start.standardError.find(secret), std::string::npos) << start.standardError;
    EXPECT_NE(start.standardError.find("tavro-desktop: "), std::string::npos) << start.standardError;
  }
}

}  // namespace
}  // namespace tavro::desktop
