// A small account and sync service for development and tests: code
// exchange, profile, device list, sync pages with UUID cursors and uploads
// with their acknowledgement, over HTTPS on loopback only, with storage in
// SQLite. Tests ask it to misbehave on a coming request (error statuses,
// broken bodies, a reset connection, pages that break the sync's rules) to
// check that the client loses nothing.
//
// It listens on 127.0.0.1 at a port the system picks, and stops by itself
// when its lifetime ends.
#pragma once

#include "ReferenceAccountService/ConnectionGuard.h"
#include "ReferenceAccountService/ServiceStore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class SSLServer;
}

namespace tavro::reference {

class ReferenceAccountService {
 public:
  struct Options {
    std::filesystem::path database;      // SQLite file, created when missing
    std::filesystem::path certificate;   // PEM: the server's certificate (chain)
    std::filesystem::path privateKey;    // PEM
    std::chrono::seconds lifetime{600};  // the service stops by itself after this
    // What one connection may take: time and bytes per request.
    ConnectionGuard::Limits connectionLimits;
    // Connections served at once; more wait their turn.
    std::size_t maximumConnections = 128;
    // Benchmarks only: `GET` and `POST /bench/anchor?bytes=N` answer N bytes
    // (at most 256 KiB) without touching the store, so that a sync's time
    // can be set against the bare cost of moving its bytes.
    bool anchorRoute = false;
  };

  // What a coming request gets instead of its normal reply.
  enum class Fault {
    unauthorized,     // 401 with a JSON error
    securityCheck,    // 428 with a JSON error and a reference code
    serverErrorHTML,  // 500 with an HTML body
    truncatedBody,    // the normal reply cut short (an upload is stored first)
    connectionReset,  // the connection reset without a reply (an upload is stored first)
    oversizedPage,    // a page padded beyond 128,000 bytes
    repeatedCursor,   // a page whose next cursor is the one just used (a page with a cursor)
    acknowledgementMissingID,  // the last attempt of an upload neither stored nor acknowledged
    foreignPage,               // a page of another account
  };
  enum class Target { page, upload };

  explicit ReferenceAccountService(Options options);
  ~ReferenceAccountService();
  ReferenceAccountService(const ReferenceAccountService&) = delete;
  ReferenceAccountService& operator=(const ReferenceAccountService&) = delete;

  // Starts listening on 127.0.0.1 and returns the port. Throws
  // std::runtime_error when the certificate cannot be loaded or no port binds.
  int start();
  // Stops listening and waits for the server thread; safe to call twice.
  void stop();
  bool running() const { return running_; }

  ServiceStore& store() { return store_; }

  // The `after`-th coming request of `target` (0: the next one) gets `fault`.
  void injectFault(Fault fault, Target target, int after = 0);
  // Faults injected but not yet served.
  std::size_t pendingFaults();

  // Seconds spent inside request handlers since the start.
  double handlerSeconds() const { return handlerNanoseconds_.load() / 1e9; }
  // Requests that reached a handler since the start.
  std::int64_t handledRequests() const { return handledRequests_.load(); }
  // Connections cut for sending too much or too slowly.
  std::size_t cutConnections() { return guard_ ? guard_->cutConnections() : 0; }
  // Connections accepted since the start (each begins a TLS handshake).
  std::size_t acceptedConnections() { return guard_ ? guard_->acceptedConnections() : 0; }
  // Closes the kept-alive connections now waiting for a next request, as a
  // service ending idle connections does.
  void closeKeptConnections() {
    if (guard_) guard_->closeAwaiting();
  }

 private:
  struct ScheduledFault {
    Fault fault;
    Target target;
    int after;
  };
  std::optional<Fault> takeFault(Target target);
  void installRoutes();

  Options options_;
  ServiceStore store_;
  std::unique_ptr<ConnectionGuard> guard_;  // outlives the server's connections
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  std::thread watchdog_;
  std::mutex mutex_;
  std::condition_variable stopping_;
  std::deque<ScheduledFault> faults_;
  std::atomic<bool> running_ = false;
  std::atomic<std::int64_t> handlerNanoseconds_ = 0;
  std::atomic<std::int64_t> handledRequests_ = 0;
};

}  // namespace tavro::reference
