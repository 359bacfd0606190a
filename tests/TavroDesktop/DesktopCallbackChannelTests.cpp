// The channel that hands the sign-in callback from a later start to the
// running window, on Qt's offscreen platform: an address handed over
// reaches the window's signal, a start without a window is told so, the
// socket is the owner's alone, whatever is not an address is dropped
// unanswered, a socket left by a crashed run is replaced and one a live
// window holds is never taken.
#include "TavroDesktop/CallbackChannel.h"

#include "OffscreenApplication.h"
#include "common/TestSupport.h"
#include "TavroHost/Storage.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::TemporaryDirectory;

constexpr int handOverMilliseconds = 3000;

// Runs `work` on a thread of its own while this thread serves the window's
// events, as a second start and the running window would; each piece of
// work is bounded by its own time-outs.
template <typename Result>
Result whileServing(std::function<Result()> work) {
  std::future<Result> result = std::async(std::launch::async, std::move(work));
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  QCoreApplication::processEvents();
  return result.get();
}

bool handOver(const QString& name, const QString& address) {
  return whileServing<bool>([=] { return CallbackChannel::handOver(name, address, handOverMilliseconds); });
}

// Sends raw bytes as a misbehaving client would and returns all the window
// answered before it closed the connection.
QByteArray sendRaw(const QString& name, const QByteArray& bytes) {
  return whileServing<QByteArray>([=] {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(handOverMilliseconds)) return QByteArray("not connected");
    socket.write(bytes);
    socket.waitForBytesWritten(handOverMilliseconds);
    QByteArray reply;
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(3 * handOverMilliseconds))
      reply += socket.readAll();
    reply += socket.readAll();
    return reply;
  });
}

// A socket file with no one listening: what a window that crashed leaves.
void leaveStaleSocket(const std::string& path) {
  int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(descriptor, 0);
  sockaddr_un place{};
  place.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof place.sun_path);
  std::memcpy(place.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&place), sizeof place), 0);
  ::close(descriptor);
}

const QString address = "brelva-tavro://auth-callback?state=s1&code=" + QString(64, 'a');

using tavro::desktop::testing::offscreenApplication;
using tavro::testing::readFile;
using tavro::testing::writeFile;

class DesktopCallbackChannel : public ::testing::Test {
 protected:
  void SetUp() override { offscreenApplication(); }

  TemporaryDirectory folder;
  QString name = QString::fromStdString((folder / "window.socket").string());
};

TEST_F(DesktopCallbackChannel, AnAddressHandedOverReachesTheWindowsSignal) {
  CallbackChannel channel(name);
  ASSERT_TRUE(channel.listen()) << channel.problem().toStdString();
  QSignalSpy received(&channel, &CallbackChannel::callbackReceived);
  // The longest address taken, to the byte.
  QString longest = address + "&x=";
  longest += QString(CallbackChannel::maximumAddressBytes - longest.size(), 'b');

  for (const QString& sent : {address, longest}) {
    ASSERT_TRUE(handOver(name, sent));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.takeFirst().at(0).toString(), sent);
  }
}

TEST_F(DesktopCallbackChannel, WithoutAWindowTheHandOverFails) {
  EXPECT_FALSE(handOver(name, address)) << "nothing at the socket's place";
  leaveStaleSocket(name.toStdString());
  EXPECT_FALSE(handOver(name, address)) << "a socket no one listens on";
  ::unlink(name.toLocal8Bit().constData());
  writeFile(name.toStdString(), "");
  EXPECT_FALSE(handOver(name, address)) << "a file in the socket's place";
}

TEST_F(DesktopCallbackChannel, TheSocketIsTheOwnersAlone) {
  CallbackChannel channel(name);
  ASSERT_TRUE(channel.listen()) << channel.problem().toStdString();
  struct stat status {};
  ASSERT_EQ(::stat(channel.fullServerName().toLocal8Bit().constData(), &status), 0);
  EXPECT_TRUE(S_ISSOCK(status.st_mode));
  EXPECT_EQ(status.st_uid, ::geteuid());
  EXPECT_EQ(status.st_mode & 077, 0u) << std::oct << status.st_mode;
}

TEST_F(DesktopCallbackChannel, WhatIsNoAddressIsRefusedOnBothSides) {
  CallbackChannel channel(name);
  ASSERT_TRUE(channel.listen()) << channel.problem().toStdString();
  QSignalSpy received(&channel, &CallbackChannel::callbackReceived);

  const QByteArray tooLong = address.toUtf8() + "&x=" +
                             QByteArray(CallbackChannel::maximumAddressBytes, 'b');
  struct Case {
    const char* what;
    QByteArray bytes;
    // The sending start refuses it too (a text, unlike raw bytes, cannot
    // be ill-formed, and a missing line break is the wire's business).
    bool refusedBySender;
  };
  const std::vector<Case> cases = {
      {"another scheme", "https://account.brelva.example/?code=1\n", true},
      {"the scheme without its colon", "brelva-tavro//auth-callback\n", true},
      {"over the size bound", tooLong + "\n", true},
      {"over the bound without a line break", tooLong + tooLong, true},
      {"a control character", "brelva-tavro://auth-callback?\x01code=1\n", true},
      {"ill-formed UTF-8", "brelva-tavro://auth-callback?code=\xff\xfe\n", false},
      {"no line break before the time bound", "brelva-tavro://auth-callback?code=1", false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(sendRaw(name, row.bytes), QByteArray()) << "answered";
    if (row.refusedBySender) {
      EXPECT_FALSE(handOver(name, QString::fromUtf8(row.bytes).trimmed()));
    }
    EXPECT_EQ(received.size(), 0);
  }
  // The window still takes an address after all that.
  EXPECT_EQ(sendRaw(name, address.toUtf8() + "\n"), QByteArray("ok\n"));
  EXPECT_EQ(received.size(), 1);
}

TEST_F(DesktopCallbackChannel, ASocketLeftByACrashedWindowIsReplaced) {
  leaveStaleSocket(name.toStdString());
  CallbackChannel channel(name);
  ASSERT_TRUE(channel.listen()) << channel.problem().toStdString();
  QSignalSpy received(&channel, &CallbackChannel::callbackReceived);
  EXPECT_TRUE(handOver(name, address));
  EXPECT_EQ(received.size(), 1);
}

TEST_F(DesktopCallbackChannel, ALiveWindowKeepsItsSocket) {
  CallbackChannel first(name);
  ASSERT_TRUE(first.listen()) << first.problem().toStdString();
  QSignalSpy received(&first, &CallbackChannel::callbackReceived);
  {
    CallbackChannel second(name);
    EXPECT_FALSE(second.listen());
    EXPECT_FALSE(second.problem().isEmpty());
  }
  EXPECT_TRUE(handOver(name, address));
  EXPECT_EQ(received.size(), 1);
}

TEST_F(DesktopCallbackChannel, WhatIsNotThisUsersSocketIsLeftAlone) {
  writeFile(name.toStdString(), "kept");
  CallbackChannel channel(name);
  EXPECT_FALSE(channel.listen());
  EXPECT_EQ(readFile(name.toStdString()), "kept");
}

TEST_F(DesktopCallbackChannel, TheStartsOwnAddressIsDeliveredOnlyWhenAcceptable) {
  CallbackChannel channel(name);
  QSignalSpy received(&channel, &CallbackChannel::callbackReceived);
  channel.deliver("https://account.brelva.example/");
  channel.deliver(address + QString(CallbackChannel::maximumAddressBytes, 'b'));
  EXPECT_EQ(received.size(), 0);
  channel.deliver(address);
  ASSERT_EQ(received.size(), 1);
  EXPECT_EQ(received.at(0).at(0).toString(), address);
}

TEST_F(DesktopCallbackChannel, EachDataFolderHasASocketOfItsOwn) {
  TemporaryDirectory runtime;
  ASSERT_EQ(::chmod(runtime.path().c_str(), 0700), 0);
  const StoragePaths one{folder / "one", folder / "one"};
  const StoragePaths two{folder / "two", folder / "two"};
  const std::string runtimeFolder = runtime.path().string();

  EXPECT_EQ(CallbackChannel::nameFor(one, runtimeFolder), CallbackChannel::nameFor(one, runtimeFolder));
  EXPECT_NE(CallbackChannel::nameFor(one, runtimeFolder), CallbackChannel::nameFor(two, runtimeFolder));
  EXPECT_TRUE(CallbackChannel::nameFor(one, runtimeFolder).startsWith(QString::fromStdString(runtimeFolder + "/")));
  // A runtime folder others may enter is not used: the temporary folder,
  // with the user in the name, is.
  ASSERT_EQ(::chmod(runtime.path().c_str(), 0755), 0);
  const QString shared = CallbackChannel::nameFor(one, runtimeFolder);
  EXPECT_FALSE(shared.startsWith(QString::fromStdString(runtimeFolder + "/")));
  EXPECT_TRUE(shared.contains("-" + QString::number(::geteuid()) + "-"));
}

}  // namespace
}  // namespace tavro::desktop
