#include "ReferenceAccountService/ConnectionGuard.h"

#include <httplib.h>

#include <openssl/ssl.h>

#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <limits>
#include <vector>

namespace tavro::reference {

using Clock = std::chrono::steady_clock;

struct ConnectionGuard::Connection {
  ConnectionGuard* guard;
  int fd;
  std::size_t bytes = 0;
  std::size_t limit = 0;
  Clock::time_point deadline;
  bool cut = false;
  bool awaiting = false;  // answered, waiting for the next request
  bool busy = false;      // a request's headers are in and it is not answered yet
};

namespace {

// Where a connection's state hangs on its SSL object, and the guard on its
// context. The SSL index frees the state with the SSL object, which the
// server does before it closes the socket: a cut can never reach a
// descriptor already handed to another connection.
int contextIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

int connectionIndex() {
  static const int index =
      SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, &ConnectionGuard::freeConnection);
  return index;
}

}  // namespace

ConnectionGuard::ConnectionGuard(Limits limits) : limits_(limits) {
  watchdog_ = std::thread([this] { watchDeadlines(); });
}

ConnectionGuard::~ConnectionGuard() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
  watchdog_.join();
}

void ConnectionGuard::watch(SSL_CTX* context) {
  SSL_CTX_set_ex_data(context, contextIndex(), this);
  connectionIndex();
  SSL_CTX_set_info_callback(context, &ConnectionGuard::onInfo);
  SSL_CTX_set_msg_callback(context, &ConnectionGuard::onMessage);
  SSL_CTX_set_msg_callback_arg(context, this);
}

void ConnectionGuard::onInfo(const SSL* ssl, int where, int) {
  if (!(where & SSL_CB_HANDSHAKE_START)) return;
  if (SSL_get_ex_data(ssl, connectionIndex())) return;  // a renegotiation or key update
  auto* guard = static_cast<ConnectionGuard*>(
      SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextIndex()));
  if (!guard) return;
  auto* connection =
      new Connection{guard, SSL_get_fd(ssl), 0, 0, Clock::time_point(), false, false};
  {
    std::lock_guard lock(guard->mutex_);
    ++guard->accepted_;
    connection->limit = guard->limits_.headerBytes;
    connection->deadline = Clock::now() + guard->limits_.requestTime;
    guard->connections_.insert(connection);
  }
  // The callback's SSL is const only by the callback's signature: it is the
  // connection being set up, which the library lets us annotate.
  if (SSL_set_ex_data(const_cast<SSL*>(ssl), connectionIndex(), connection) != 1) {
    // Nothing would ever release it: left in the set, its descriptor could
    // be cut after another connection took it over.
    std::lock_guard lock(guard->mutex_);
    guard->connections_.erase(connection);
    delete connection;
  }
}

void ConnectionGuard::onMessage(int writing, int, int contentType, const void* bytes,
                                std::size_t length, SSL* ssl, void* argument) {
  // Every record received announces its length in its header.
  if (writing || contentType != SSL3_RT_HEADER || length < 5) return;
  const auto* header = static_cast<const unsigned char*>(bytes);
  std::size_t recordBytes = (std::size_t{header[3]} << 8) | header[4];
  auto* guard = static_cast<ConnectionGuard*>(argument);
  Connection* connection = guard->find(ssl);
  if (!connection) return;
  std::lock_guard lock(guard->mutex_);
  connection->bytes += recordBytes + 5;
  if (connection->bytes > connection->limit) guard->cut(*connection);
}

void ConnectionGuard::freeConnection(void*, void* pointer, CRYPTO_EX_DATA*, int, long, void*) {
  auto* connection = static_cast<Connection*>(pointer);
  if (!connection) return;
  {
    std::lock_guard lock(connection->guard->mutex_);
    connection->guard->connections_.erase(connection);
    // A request that ended with its connection will never be answered.
    connection->guard->answered_.notify_all();
  }
  delete connection;
}

ConnectionGuard::Connection* ConnectionGuard::find(const SSL* ssl) {
  return ssl ? static_cast<Connection*>(SSL_get_ex_data(ssl, connectionIndex())) : nullptr;
}

void ConnectionGuard::headersRead(const SSL* ssl) {
  Connection* connection = find(ssl);
  if (!connection) return;
  std::lock_guard lock(mutex_);
  connection->awaiting = false;
  connection->busy = true;
  connection->bytes = 0;
  connection->limit = limits_.bodyBytes;
  connection->deadline = Clock::now() + limits_.requestTime;
}

void ConnectionGuard::working(const SSL* ssl) {
  Connection* connection = find(ssl);
  if (!connection) return;
  std::lock_guard lock(mutex_);
  connection->deadline = Clock::time_point::max();
}

void ConnectionGuard::answered(const SSL* ssl, bool close) {
  Connection* connection = find(ssl);
  if (!connection) return;
  std::lock_guard lock(mutex_);
  connection->busy = false;
  answered_.notify_all();
  if (close) return cut(*connection);
  connection->awaiting = true;
  connection->bytes = 0;
  connection->limit = limits_.headerBytes;
  connection->deadline = Clock::now() + limits_.requestTime;
}

void ConnectionGuard::cutAll() {
  std::lock_guard lock(mutex_);
  for (Connection* connection : connections_) cut(*connection);
}

void ConnectionGuard::closeAwaiting() {
  std::unique_lock lock(mutex_);
  // The server marks a connection as awaiting only after its answer is
  // written, so the client may hold the answer a moment before the mark:
  // wait (bounded) for every answer under way, so that a connection just
  // answered is closed too rather than missed.
  answered_.wait_for(lock, std::chrono::seconds(10), [this] {
    for (const Connection* connection : connections_) {
      if (connection->busy && !connection->cut) return false;
    }
    return true;
  });
  for (Connection* connection : connections_) {
    if (connection->awaiting && !connection->cut && connection->fd >= 0) {
      connection->cut = true;
      shutDown(*connection);
    }
  }
}

std::size_t ConnectionGuard::cutConnections() {
  std::lock_guard lock(mutex_);
  return cut_;
}

std::size_t ConnectionGuard::acceptedConnections() {
  std::lock_guard lock(mutex_);
  return accepted_;
}

// Called with mutex_ held, so the connection's SSL object (and with it the
// descriptor) cannot be released meanwhile.
void ConnectionGuard::cut(Connection& connection) {
  if (connection.cut || connection.fd < 0) return;
  connection.cut = true;
  ++cut_;
  shutDown(connection);
}

void ConnectionGuard::shutDown(Connection& connection) {
  ::shutdown(connection.fd, SHUT_RDWR);
  // A socket whose peer is gone: reads end at once (an unconnected TCP
  // socket would not do: TLS takes its ENOTCONN for "try again").
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
    ::close(ends[1]);
    ::dup2(ends[0], connection.fd);
    ::close(ends[0]);
  }
}

void ConnectionGuard::watchDeadlines() {
  std::unique_lock lock(mutex_);
  while (!stopping_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stopped_; })) {
    const auto now = Clock::now();
    for (Connection* connection : connections_) {
      if (now > connection->deadline) cut(*connection);
    }
  }
}

namespace {

class ConnectionPool : public httplib::TaskQueue {
 public:
  explicit ConnectionPool(std::size_t maximumThreads) : maximum_(maximumThreads) {}

  void enqueue(std::function<void()> job) override {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (jobs_.size() > idle_ && threads_.size() < maximum_)
      threads_.emplace_back([this] { work(); });
    else
      wake_.notify_one();
  }

  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      --idle_;
      if (jobs_.empty()) return;  // stopping, nothing left to serve
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  const std::size_t maximum_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  std::size_t idle_ = 0;
  bool stopping_ = false;
};

}  // namespace

httplib::TaskQueue* newConnectionPool(std::size_t maximumThreads) {
  return new ConnectionPool(maximumThreads);
}

}  // namespace tavro::reference
