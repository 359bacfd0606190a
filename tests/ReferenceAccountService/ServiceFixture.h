// A running reference service for one test: a fresh database and a test
// certificate authority made with OpenSSL in a temporary directory, the
// service on 127.0.0.1 at a port the system picked, and an HTTP transport
// that reaches it under the compiled-in account service origin (libcurl's
// connect-to mapping) trusting only the test authority.
#pragma once

#include "Platform/HTTPTransport.h"
#include "ReferenceAccountService/ReferenceAccountService.h"
#include "common/TestSupport.h"

#include <filesystem>
#include <memory>
#include <string>

namespace tavro::testing {

class ServiceFixture {
 public:
  ServiceFixture();
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

}  // namespace tavro::testing
