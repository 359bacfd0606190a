// Bounds on what one client connection can make the service spend, enforced
// below cpp-httplib, which limits single reads but not whole requests: it
// would wait for ever on a client sending one header line every few
// seconds, and it reads header blocks, request lines and chunked bodies of
// any size into memory before any handler can refuse them.
//
// The guard follows every TLS connection from its handshake on, through the
// OpenSSL context's callbacks: it counts the bytes of each record received
// and keeps a deadline for each phase of a request. A connection that sends
// more than its phase allows, or whose deadline passes, is cut: the socket
// is shut down (waking any read waiting on it) and its descriptor replaced
// with a socket whose peer is gone, so every further read ends at once and the
// server's own clean-up closes it as usual.
//
// Phases: awaiting a request (handshake, request line and headers), reading
// its body, working on it (no deadline: the service's own time), and, once
// it is answered, awaiting the next.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <thread>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct crypto_ex_data_st CRYPTO_EX_DATA;

namespace httplib {
class TaskQueue;
}

namespace tavro::reference {

class ConnectionGuard {
 public:
  struct Limits {
    // From the start of a handshake, or the end of the previous answer, to
    // the last header; and from there to the end of the body.
    std::chrono::milliseconds requestTime{10'000};
    // The TLS records of the handshake, the request line and the headers.
    std::size_t headerBytes = 64 << 10;
    // The TLS records of a body.
    std::size_t bodyBytes = (1 << 20) + (64 << 10);
  };

  explicit ConnectionGuard(Limits limits);
  // Stops the deadline watch.
  ~ConnectionGuard();
  ConnectionGuard(const ConnectionGuard&) = delete;
  ConnectionGuard& operator=(const ConnectionGuard&) = delete;

  // Follows every connection `context` makes from now on. Call once, before
  // the first connection.
  void watch(SSL_CTX* context);

  // The request's headers are in; its body comes next.
  void headersRead(const SSL* connection);
  // The request is read whole; its handler is working.
  void working(const SSL* connection);
  // The request is answered: the connection awaits the next one, or is cut
  // when `close` (its body was left unread).
  void answered(const SSL* connection, bool close);
  // Cuts every connection followed now (the service is stopping).
  void cutAll();
  // Closes every connection that is waiting for its next request, as a
  // service closing its idle kept-alive connections would; not counted as
  // cut. Requests still being answered are waited for first (at most 10 s).
  void closeAwaiting();

  // Connections cut so far, by bytes and by deadlines.
  std::size_t cutConnections();
  // Connections whose handshake began so far.
  std::size_t acceptedConnections();

 private:
  struct Connection;
  static void onInfo(const SSL* ssl, int where, int value);
  static void onMessage(int writing, int version, int contentType, const void* bytes,
                        std::size_t length, SSL* ssl, void* guard);

 public:
  // OpenSSL's clean-up of a connection's state (an ex_data free function).
  static void freeConnection(void* parent, void* pointer, CRYPTO_EX_DATA* data, int index,
                             long argument, void* argumentPointer);

 private:
  Connection* find(const SSL* ssl);
  void cut(Connection& connection);
  static void shutDown(Connection& connection);
  void watchDeadlines();

  Limits limits_;
  std::mutex mutex_;
  std::condition_variable stopping_;
  std::condition_variable answered_;  // a request was answered
  bool stopped_ = false;
  std::set<Connection*> connections_;
  std::size_t cut_ = 0;
  std::size_t accepted_ = 0;
  std::thread watchdog_;
};

// A task queue for cpp-httplib that runs each connection on a thread of its
// own, up to `maximumThreads` at once (then queued): a few slow or idle
// clients can then never keep a normal request from being served.
httplib::TaskQueue* newConnectionPool(std::size_t maximumThreads);

}  // namespace tavro::reference
