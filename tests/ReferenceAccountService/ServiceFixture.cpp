#include "ServiceFixture.h"

#include "ReferenceAccountService/DevelopmentCertificates.h"
#include "TavroCore/Configuration.h"

#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <boost/url/url_view.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

namespace tavro::testing {

namespace {

boost::urls::url_view origin() {
  return boost::urls::url_view(configuration::accountServiceOrigin());
}

}  // namespace

ServiceFixture::ServiceFixture(
    const std::function<void(reference::ReferenceAccountService::Options&)>& adjust) {
  reference::makeDevelopmentCertificates(folder(), std::string(origin().host()));
  reference::ReferenceAccountService::Options options;
  options.database = folder() / "service.sqlite";
  options.certificate = folder() / "server.pem";
  options.privateKey = folder() / "server.key";
  // A test that hangs must not leave a service behind.
  options.lifetime = std::chrono::seconds(300);
  if (adjust) adjust(options);
  service_ = std::make_unique<reference::ReferenceAccountService>(options);
  port_ = service_->start();
}

ServiceFixture::~ServiceFixture() {
  service_->stop();
}

platform::HTTPTransport::Options ServiceFixture::transportOptions(bool trustTestAuthority) const {
  platform::HTTPTransport::Options options;
  std::string host(origin().host());
  std::string originPort = origin().has_port() ? std::string(origin().port()) : "443";
  options.connectTo = {host + ":" + originPort + ":127.0.0.1:" + std::to_string(port_)};
  if (trustTestAuthority) options.certificateAuthorities = folder() / "ca.pem";
  return options;
}

RawConnection::RawConnection(int port, bool tls) : tls_(tls) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  timeval limit{60, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  if (!tls) return;
  context_ = SSL_CTX_new(TLS_client_method());
  SSL* ssl = context_ ? SSL_new(context_) : nullptr;
  if (ssl && SSL_set_fd(ssl, fd_) == 1 && SSL_connect(ssl) == 1)
    ssl_ = ssl;
  else
    SSL_free(ssl);
}

RawConnection::~RawConnection() {
  SSL_free(ssl_);
  SSL_CTX_free(context_);
  if (fd_ >= 0) ::close(fd_);
}

bool RawConnection::send(std::string_view bytes) {
  if (!open()) return false;
  while (!bytes.empty()) {
    int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 16));
    int sent = tls_ ? SSL_write(ssl_, bytes.data(), chunk)
                    : static_cast<int>(::send(fd_, bytes.data(), chunk, MSG_NOSIGNAL));
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::string RawConnection::receiveAll(std::size_t limit) {
  std::string received;
  if (!open()) return received;
  char buffer[16384];
  while (received.size() < limit) {
    int count = tls_ ? SSL_read(ssl_, buffer, sizeof buffer)
                     : static_cast<int>(::recv(fd_, buffer, sizeof buffer, 0));
    if (count <= 0) break;
    received.append(buffer, static_cast<std::size_t>(count));
  }
  return received;
}

std::size_t residentBytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(std::string(field) + ":", 0) == 0)
      return std::stoull(line.substr(field.size() + 1)) * 1024;
  }
  throw std::runtime_error("no " + std::string(field) + " in /proc/self/status");
}

void resetPeakResident() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

std::optional<std::string> BrowserReply::header(std::string_view name) const {
  std::size_t line = head.find("\r\n");
  while (line != std::string::npos && line + 2 < head.size()) {
    const std::size_t start = line + 2;
    const std::size_t end = head.find("\r\n", start);
    const std::string field = head.substr(start, end - start);
    const std::size_t colon = field.find(':');
    if (colon == name.size() &&
        std::equal(name.begin(), name.end(), field.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      std::size_t value = field.find_first_not_of(' ', colon + 1);
      return value == std::string::npos ? std::string() : field.substr(value);
    }
    line = end;
  }
  return std::nullopt;
}

BrowserReply browserRequest(int port, const std::string& method, const std::string& target,
                            const std::optional<std::string>& form, const std::string& type) {
  RawConnection connection(port, true);
  EXPECT_TRUE(connection.open());
  std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  if (form)
    request +=
        "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(form->size()) + "\r\n";
  request += "Connection: close\r\n\r\n";
  if (form) request += *form;
  connection.send(request);  // a refusal may close before the whole body is sent
  const std::string answer = connection.receiveAll();
  BrowserReply reply;
  const std::size_t split = answer.find("\r\n\r\n");
  if (answer.rfind("HTTP/1.1 ", 0) != 0 || split == std::string::npos) {
    ADD_FAILURE() << "not an HTTP answer: " << answer.substr(0, 200);
    return reply;
  }
  reply.status = std::stoi(answer.substr(9, 3));
  reply.head = answer.substr(0, split);
  reply.body = answer.substr(split + 4);
  return reply;
}

}  // namespace tavro::testing
