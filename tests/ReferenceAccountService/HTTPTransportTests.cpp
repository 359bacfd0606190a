// The libcurl transport against the reference service over loopback TLS.
#include "ServiceFixture.h"

#include "TavroCore/Configuration.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <gtest/gtest.h>
#include <boost/url/url_view.hpp>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace tavro {
namespace {

using platform::HTTPTransport;
using platform::HTTPTransportFailure;
using reference::ReferenceAccountService;
using Fault = ReferenceAccountService::Fault;
using Target = ReferenceAccountService::Target;

class HTTPTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.service().store().addAccount(AccountProfile("acct-1", "Aiko", "aiko@example.com"));
    token = fixture.service().store().issueToken("acct-1", "Test Mac");
  }

  std::string syncURL() const { return std::string(TavroCloudSync::endpoint().buffer()); }

  testing::ServiceFixture fixture;
  std::string token;
};

TEST_F(HTTPTransportTest, SignsInAndReadsTheAccountOverTLS) {
  HTTPTransport transport(fixture.transportOptions());
  std::string code = fixture.service().store().addSignInCode("acct-1", "verifier-1");
  platform::HTTPReply exchange =
      transport.perform(AccountService::exchangeRequest(code, "verifier-1"));
  ASSERT_EQ(exchange.status, 200);
  AccountService::ExchangeReply reply = AccountService::decodeExchange(exchange.body, Date::now());
  EXPECT_EQ(reply.user, AccountProfile("acct-1", "Aiko", "aiko@example.com"));

  platform::HTTPReply profile = transport.perform(AccountService::profileRequest(reply.token));
  ASSERT_EQ(profile.status, 200);
  EXPECT_EQ(AccountService::decodeProfile(profile.body, std::nullopt, Date::now()).id, "acct-1");

  // The code is used up; a second exchange is an error reply, returned as such.
  platform::HTTPReply again =
      transport.perform(AccountService::exchangeRequest(code, "verifier-1"));
  EXPECT_EQ(again.status, 400);
}

TEST_F(HTTPTransportTest, ErrorStatusesBecomeAccountFailuresWithTheRequestPath) {
  TavroCloudSync::Fetch fetch =
      TavroCloudSync::fetchOver(HTTPTransport(fixture.transportOptions()));
  struct Case {
    Fault fault;
    AccountServiceFailure expected;
  };
  const std::string path(TavroCloudSync::path);
  const std::string host(boost::urls::url_view(configuration::accountServiceOrigin()).host());
  const Case cases[] = {
      {Fault::unauthorized,
       AccountServiceFailure("HTTP 401 " + path + ": The session has expired. Sign in again.", 401,
                             true)},
      {Fault::securityCheck,
       AccountServiceFailure(
           "HTTP 428 " + path +
               ": A security check is required. Reference: SEC-428 Complete the account "
               "security check on " +
               host + ", then start sign-in again.",
           428, false)},
      {Fault::serverErrorHTML,
       AccountServiceFailure(
           "HTTP 500 " + path + ": The service returned a non-JSON error response.", 500, false)},
  };
  for (const Case& c : cases) {
    fixture.service().injectFault(c.fault, Target::page);
    try {
      fetch(TavroCloudSync::pageRequest(token, std::nullopt));
      ADD_FAILURE() << "no failure";
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(failure, c.expected);
    }
  }
  // A token the service does not know: its own 401.
  try {
    fetch(TavroCloudSync::pageRequest(std::string(64, 'f'), std::nullopt));
    ADD_FAILURE() << "no failure";
  } catch (const AccountServiceFailure& failure) {
    EXPECT_TRUE(failure.isSessionUnauthorized());
  }
  EXPECT_NO_THROW(fetch(TavroCloudSync::pageRequest(token, std::nullopt)));
}

// Transport failures name their cause and never the token.
TEST_F(HTTPTransportTest, TransportFailuresNameTheCauseNotTheToken) {
  auto expectFailure = [&](const HTTPTransport& transport, HTTPTransportFailure::Cause cause) {
    try {
      transport.perform(TavroCloudSync::pageRequest(token, std::nullopt));
      ADD_FAILURE() << "no failure";
    } catch (const HTTPTransportFailure& failure) {
      EXPECT_EQ(failure.cause(), cause) << failure.what();
      EXPECT_EQ(std::string(failure.what()).find(token), std::string::npos);
    }
  };
  HTTPTransport transport(fixture.transportOptions());

  fixture.service().injectFault(Fault::truncatedBody, Target::page);
  expectFailure(transport, HTTPTransportFailure::Cause::reset);
  fixture.service().injectFault(Fault::connectionReset, Target::page);
  expectFailure(transport, HTTPTransportFailure::Cause::reset);

  // A bound smaller than the page stops the read.
  platform::HTTPTransport::Options small = fixture.transportOptions();
  small.maximumBodyBytes = 64;
  expectFailure(HTTPTransport(small), HTTPTransportFailure::Cause::tooLarge);

  // Without the test authority the service's certificate is not trusted.
  expectFailure(HTTPTransport(fixture.transportOptions(false)),
                HTTPTransportFailure::Cause::insecure);

  // A loopback port with nothing listening.
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size), 0);
  int freePort = ntohs(address.sin_port);
  platform::HTTPTransport::Options refused = fixture.transportOptions();
  refused.connectTo = {"::127.0.0.1:" + std::to_string(freePort)};
  expectFailure(HTTPTransport(refused), HTTPTransportFailure::Cause::refused);

  // A peer that accepts the connection and never answers: the request's
  // time-out ends it.
  ASSERT_EQ(::listen(probe, 4), 0);
  platform::HTTPTransport::Options silent = fixture.transportOptions();
  silent.connectTo = refused.connectTo;
  platform::HTTPRequest request = TavroCloudSync::pageRequest(token, std::nullopt);
  request.setTimeoutSeconds(0.5);
  try {
    HTTPTransport(silent).perform(request);
    ADD_FAILURE() << "no failure";
  } catch (const HTTPTransportFailure& failure) {
    EXPECT_EQ(failure.cause(), HTTPTransportFailure::Cause::timedOut) << failure.what();
  }
  ::close(probe);

  // Cancellation abandons a request in flight.
  platform::HTTPTransport::Options cancelling = fixture.transportOptions();
  cancelling.cancelled = [] { return true; };
  expectFailure(HTTPTransport(cancelling), HTTPTransportFailure::Cause::cancelled);
}

TEST_F(HTTPTransportTest, RefusesWhatItCannotPerformAsWritten) {
  HTTPTransport transport(fixture.transportOptions());
  platform::HTTPRequest cookies = TavroCloudSync::pageRequest(token, std::nullopt);
  cookies.setHandlesCookies(true);
  EXPECT_THROW(transport.perform(cookies), std::invalid_argument);
  EXPECT_THROW(transport.perform(platform::HTTPRequest("http://account.brelva.example/")),
               std::invalid_argument);
}

}  // namespace
}  // namespace tavro
