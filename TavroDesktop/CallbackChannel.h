// The way a later start of the tutor hands the sign-in callback address to
// the window already running for the same data folder. The browser starts
// `tavro-desktop brelva-tavro://auth-callback?...`; that start connects to
// the window's local socket, sends the address, waits for the window's
// acknowledgement and exits.
//
// The socket is the owner's alone (mode 0700, in the owner's runtime folder
// when there is one) and its name is derived from the user and the config
// folder, so each data folder has its own window. The address holds a
// sign-in code: it is never logged, and it is only sent to a socket the
// same user owns.
//
// On the wire: the address in UTF-8 and a line break; the window answers
// "ok" and a line break. Anything else is dropped without an answer.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace tavro {
struct StoragePaths;
}

namespace tavro::desktop {

class CallbackChannel : public QObject {
  Q_OBJECT

 public:
  // The longest address taken, in bytes.
  static constexpr qsizetype maximumAddressBytes = 4096;
  // How long one connection may take to send its address.
  static constexpr int connectionMilliseconds = 2000;
  // Connections served at once; more are closed at once.
  static constexpr int maximumConnections = 8;

  // The socket for the window of `paths`: in `runtimeFolder` (the value of
  // XDG_RUNTIME_DIR when not given) when that is an absolute folder only its
  // owner, this user, may enter; otherwise in the temporary folder with the
  // user's id in the name.
  static QString nameFor(const StoragePaths& paths);
  static QString nameFor(const StoragePaths& paths, const std::optional<std::string>& runtimeFolder);

  // True when `address` may be handed over: at most maximumAddressBytes,
  // well-formed UTF-8, beginning "brelva-tavro:", with no control character.
  static bool acceptable(const QByteArray& address);

  // Sends `address` to the window listening on `name` and waits for its
  // acknowledgement, all within `timeoutMilliseconds`. False when the
  // address is not acceptable, no window of this user listens, or none
  // acknowledged.
  static bool handOver(const QString& name, const QString& address, int timeoutMilliseconds);

  explicit CallbackChannel(QString name, QObject* parent = nullptr);
  ~CallbackChannel() override;

  // Listens on the name. A socket left by a run that ended without closing
  // it is replaced; one a live window holds is never taken. False, with the
  // reason in problem(), when the window cannot listen.
  bool listen();
  bool isListening() const;
  QString problem() const { return problem_; }
  // The socket's path.
  QString fullServerName() const;

  // Emits callbackReceived for an address that reached the program another
  // way (the start that found no window), when it is acceptable.
  void deliver(const QString& address);

 signals:
  // An acceptable address arrived; the account page takes it.
  void callbackReceived(const QString& address);

 private:
  void acceptConnections();
  void readFrom(QLocalSocket* socket);

  QString name_;
  QString problem_;
  QLocalServer* server_;
  QHash<QLocalSocket*, QByteArray> pending_;
};

}  // namespace tavro::desktop
