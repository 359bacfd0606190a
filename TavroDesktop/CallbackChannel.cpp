#include "TavroDesktop/CallbackChannel.h"

#include "Support/Sha256.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroHost/Storage.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace tavro::desktop {
namespace {

enum class SocketFile { missing, ours, other };

// What is at the socket's place: nothing, a socket of this user, or
// anything else (another user's socket, a file), which is never used or
// removed.
SocketFile inspect(const QString& path) {
  struct stat status {};
  if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
    return errno == ENOENT ? SocketFile::missing : SocketFile::other;
  return S_ISSOCK(status.st_mode) && status.st_uid == ::geteuid() ? SocketFile::ours
                                                                    : SocketFile::other;
}

// True when the process at the other end of `descriptor` runs as this
// user. The socket's mode already keeps others out; this keeps out the
// administrator's programs, which the mode does not.
bool peerIsThisUser(qintptr descriptor) {
#ifdef __linux__
  ucred credentials{};
  socklen_t length = sizeof credentials;
  return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) ==
             0 &&
         credentials.uid == ::geteuid();
#else
  uid_t user = 0;
  gid_t group = 0;
  return ::getpeereid(static_cast<int>(descriptor), &user, &group) == 0 && user == ::geteuid();
#endif
}

int remaining(const QDeadlineTimer& deadline) {
  return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

const QByteArray acknowledgement = "ok\n";

}  // namespace

QString CallbackChannel::nameFor(const StoragePaths& paths) {
  return nameFor(paths, processEnvironment()("XDG_RUNTIME_DIR"));
}

QString CallbackChannel::nameFor(const StoragePaths& paths,
                                 const std::optional<std::string>& runtime) {
  const std::string folder = std::filesystem::absolute(paths.configFolder).lexically_normal().string();
  const QString key = QString::fromStdString(sha256::hex(folder).substr(0, 24));
  const uid_t user = ::geteuid();
  if (runtime && !runtime->empty() && runtime->front() == '/') {
    struct stat status {};
    if (::stat(runtime->c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == user &&
        (status.st_mode & 077) == 0)
      return QString::fromStdString(*runtime) + "/tavro-desktop-" + key;
  }
  return QDir::tempPath() + "/tavro-desktop-" + QString::number(user) + "-" + key;
}

bool CallbackChannel::acceptable(const QByteArray& address) {
  static const QByteArray prefix =
      QByteArray(AccountBrowserLogin::scheme.data(),
                 static_cast<qsizetype>(AccountBrowserLogin::scheme.size())) +
      ':';
  if (address.size() > maximumAddressBytes || !address.startsWith(prefix)) return false;
  if (!text::isValidUtf8(std::string_view(address.constData(), static_cast<std::size_t>(address.size()))))
    return false;
  return std::none_of(address.begin(), address.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
  });
}

bool CallbackChannel::handOver(const QString& name, const QString& address, int timeoutMilliseconds) {
  QByteArray message = address.toUtf8();
  if (!acceptable(message)) return false;
  // The address holds a sign-in code: it goes to no socket another user
  // could have put there.
  if (inspect(name) != SocketFile::ours) return false;
  QDeadlineTimer deadline(timeoutMilliseconds);
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(remaining(deadline))) return false;
  message.append('\n');
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(remaining(deadline))) return false;
  }
  QByteArray reply;
  while (reply.size() < acknowledgement.size()) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(remaining(deadline))) break;
    reply += socket.read(acknowledgement.size() - reply.size());
  }
  socket.abort();
  return reply == acknowledgement;
}

CallbackChannel::CallbackChannel(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), server_(new QLocalServer(this)) {
  connect(server_, &QLocalServer::newConnection, this, &CallbackChannel::acceptConnections);
}

CallbackChannel::~CallbackChannel() {
  // The connections go first, while what their handlers use is still here;
  // closing removes the socket file, so the next start finds no window.
  for (QLocalSocket* socket : server_->findChildren<QLocalSocket*>()) socket->disconnect(this);
  pending_.clear();
  server_->close();
  delete server_;
}

bool CallbackChannel::listen() {
  problem_.clear();
  if (server_->isListening()) return true;
  switch (inspect(name_)) {
    case SocketFile::missing:
      break;
    case SocketFile::other:
      problem_ = "the socket's place is taken by something that is not this user's socket";
      return false;
    case SocketFile::ours: {
      QLocalSocket probe;
      probe.connectToServer(name_);
      if (probe.waitForConnected(connectionMilliseconds)) {
        probe.abort();
        problem_ = "another window of this data folder receives the sign-in callbacks";
        return false;
      }
      // Only a refused connection shows that no one listens any more; a
      // busy window may fail a connection in other ways and keeps its name.
      if (probe.error() != QLocalSocket::ConnectionRefusedError) {
        problem_ = "the socket of another window does not answer";
        return false;
      }
      QLocalServer::removeServer(name_);
      break;
    }
  }
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    problem_ = server_->errorString();
    return false;
  }
  return true;
}

bool CallbackChannel::isListening() const {
  return server_->isListening();
}

QString CallbackChannel::fullServerName() const {
  return server_->isListening() ? server_->fullServerName() : name_;
}

void CallbackChannel::deliver(const QString& address) {
  if (acceptable(address.toUtf8())) emit callbackReceived(address);
}

void CallbackChannel::acceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    if (pending_.size() >= maximumConnections || !peerIsThisUser(socket->socketDescriptor())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // Qt reads no more than this from the socket ahead of us.
    socket->setReadBufferSize(maximumAddressBytes + 1);
    pending_.insert(socket, QByteArray());
    auto drop = [this, socket] {
      pending_.remove(socket);
      socket->disconnect(this);
      socket->abort();
      socket->deleteLater();
    };
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, this, drop);
    QTimer::singleShot(connectionMilliseconds, socket, [this, socket, drop] {
      if (pending_.contains(socket)) drop();
    });
    readFrom(socket);
  }
}

void CallbackChannel::readFrom(QLocalSocket* socket) {
  auto found = pending_.find(socket);
  if (found == pending_.end()) return;
  QByteArray& buffer = *found;
  buffer += socket->read(maximumAddressBytes + 1 - buffer.size());
  const qsizetype end = buffer.indexOf('\n');
  if (end < 0 && buffer.size() <= maximumAddressBytes) return;
  const QByteArray address = end < 0 ? QByteArray() : buffer.left(end);
  pending_.erase(found);
  if (end < 0 || !acceptable(address)) {
    // Too long or not an address: closed without an answer.
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    return;
  }
  socket->write(acknowledgement);
  // Sends the answer, then closes; the socket goes once it has closed.
  socket->disconnectFromServer();
  emit callbackReceived(QString::fromUtf8(address));
}

}  // namespace tavro::desktop
