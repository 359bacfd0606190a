#include "ServiceFixture.h"

#include "ReferenceAccountService/DevelopmentCertificates.h"
#include "TavroCore/Configuration.h"

#include <boost/url/url_view.hpp>

#include <stdexcept>

namespace tavro::testing {

namespace {

boost::urls::url_view origin() {
  return boost::urls::url_view(configuration::accountServiceOrigin());
}

}  // namespace

ServiceFixture::ServiceFixture() {
  reference::makeDevelopmentCertificates(folder(), std::string(origin().host()));
  reference::ReferenceAccountService::Options options;
  options.database = folder() / "service.sqlite";
  options.certificate = folder() / "server.pem";
  options.privateKey = folder() / "server.key";
  // A test that hangs must not leave a service behind.
  options.lifetime = std::chrono::seconds(300);
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

}  // namespace tavro::testing
