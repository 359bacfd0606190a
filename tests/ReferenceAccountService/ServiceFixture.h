// A running reference service for one test: a fresh database and a test
// certificate authority made with OpenSSL in a temporary directory, the
// service on 127.0.0.1 at a port the system picked, and an HTTP transport
// that reaches it under the compiled-in account service origin (libcurl's
// connect-to mapping) trusting only the test authority.
#pragma once

#include "Platform/HTTPTransport.h"
#include "ReferenceAccountService/ReferenceAccountService.h"
#include "common/TestSupport.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace tavro::testing {

class ServiceFixture {
 public:
  // `adjust` may change the service's options before it starts.
  explicit ServiceFixture(
      const std::function<void(reference::ReferenceAccountService::Options&)>& adjust = {});
  ~ServiceFixture();

  reference::ReferenceAccountService& service() { return *service_; }
  int port() const { return port_; }
  const std::filesystem::path& folder() const { return directory_.path(); }

  // Transport options that reach the service; `trustTestAuthority` false
  // leaves the system's authorities, which do not know the test one.
  platform::HTTPTransport::Options transportOptions(bool trustTestAuthority = true) const;

 private:
  TemporaryDirectory directory_;
  std::unique_ptr<reference::ReferenceAccountService> service_;
  int port_ = 0;
};

// A connection to the service that sends exactly the bytes a test gives,
// as a slow, idle or hostile client would: plain TCP, or TLS without
// checking the service's certificate. Reads and writes give up after 60
// seconds, so a test that fails never hangs.
class RawConnection {
 public:
  RawConnection(int port, bool tls);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // False when the connection or the handshake failed.
  bool open() const { return fd_ >= 0 && (!tls_ || ssl_); }
  // Sends all of `bytes`; false once the service has closed or reset the
  // connection.
  bool send(std::string_view bytes);
  // What the service sends until it closes the connection (at most
  // `limit` bytes); empty when it closed without a word.
  std::string receiveAll(std::size_t limit = 1 << 20);

 private:
  bool tls_;
  int fd_ = -1;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

// What the service answered a browser's request: the status, the head
// (status line and header fields) and the body.
struct BrowserReply {
  int status = 0;
  std::string head;
  std::string body;

  // The value of the header field `name` (ASCII case ignored), trimmed.
  std::optional<std::string> header(std::string_view name) const;
};

// One request over its own TLS connection, as a browser sends it (a form
// with its type when given); the answer is read until the service closes
// the connection. A reply that is not HTTP is a test failure.
BrowserReply browserRequest(int port, const std::string& method, const std::string& target,
                            const std::optional<std::string>& form = std::nullopt,
                            const std::string& type = "application/x-www-form-urlencoded");

// The test process's resident size in bytes ("VmRSS") or its peak since the
// last resetPeakResident() ("VmHWM"); the service runs in this process.
std::size_t residentBytes(std::string_view field = "VmRSS");
void resetPeakResident();

}  // namespace tavro::testing
