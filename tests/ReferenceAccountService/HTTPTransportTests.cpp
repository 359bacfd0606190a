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

#include <set>
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
      TavroCloudSync::fetchThrough(HTTPTransport(fixture.transportOptions()));
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

platform::HTTPRequest uploadOf(const std::string& token, std::uint64_t number) {
  return TavroCloudSync::uploadRequest(
      token, {Attempt(testing::numberedUuid(number), Date{1000.0}, "romaji", 1, 120, 4, 33.5)});
}

TEST_F(HTTPTransportTest, ConsecutiveRequestsAndCopiesShareOneConnection) {
  HTTPTransport transport(fixture.transportOptions());
  EXPECT_EQ(transport.perform(TavroCloudSync::pageRequest(token, std::nullopt)).status, 200);
  EXPECT_EQ(transport.perform(uploadOf(token, 1)).status, 200);
  HTTPTransport copy = transport;
  EXPECT_EQ(copy.perform(AccountService::profileRequest(token)).status, 200);
  EXPECT_EQ(transport.perform(TavroCloudSync::pageRequest(token, std::nullopt)).status, 200);
  EXPECT_EQ(fixture.service().acceptedConnections(), 1u);
  EXPECT_EQ(fixture.service().handledRequests(), 4);
}

TEST_F(HTTPTransportTest, AKeptConnectionTheServiceClosedIsReplacedWithoutResending) {
  HTTPTransport transport(fixture.transportOptions());
  ASSERT_EQ(transport.perform(TavroCloudSync::pageRequest(token, std::nullopt)).status, 200);
  ASSERT_EQ(fixture.service().acceptedConnections(), 1u);

  fixture.service().closeKeptConnections();
  const std::int64_t handled = fixture.service().handledRequests();
  platform::HTTPReply reply = transport.perform(uploadOf(token, 7));
  EXPECT_EQ(reply.status, 200);
  EXPECT_NE(reply.body.find(testing::numberedUuid(7).text()), std::string::npos) << reply.body;
  EXPECT_EQ(fixture.service().handledRequests() - handled, 1);
  EXPECT_EQ(fixture.service().acceptedConnections(), 2u);
  EXPECT_EQ(fixture.service().store().attempts("acct-1").size(), 1u);
}

// Every fault the service can inject, served on a connection kept from an
// earlier request: the request reaches the service once, never again behind
// the caller's back; a broken reply is a reset, never a reply; and the next
// request succeeds, on the same connection unless the fault broke it.
TEST_F(HTTPTransportTest, EveryFaultOverAKeptConnectionIsReportedOnceAndThenRecovered) {
  struct Case {
    const char* name;
    Fault fault;
    Target target;
    long status;  // 0: the transport fails with a reset
  };
  const Case cases[] = {
      {"401 page", Fault::unauthorized, Target::page, 401},
      {"401 upload", Fault::unauthorized, Target::upload, 401},
      {"428 page", Fault::securityCheck, Target::page, 428},
      {"428 upload", Fault::securityCheck, Target::upload, 428},
      {"500 page", Fault::serverErrorHTML, Target::page, 500},
      {"500 upload", Fault::serverErrorHTML, Target::upload, 500},
      {"truncated page", Fault::truncatedBody, Target::page, 0},
      {"truncated acknowledgement", Fault::truncatedBody, Target::upload, 0},
      {"reset page", Fault::connectionReset, Target::page, 0},
      {"reset upload", Fault::connectionReset, Target::upload, 0},
      {"oversized page", Fault::oversizedPage, Target::page, 200},
      {"repeated cursor", Fault::repeatedCursor, Target::page, 200},
      {"acknowledgement missing an identifier", Fault::acknowledgementMissingID, Target::upload,
       200},
      {"page of another account", Fault::foreignPage, Target::page, 200},
  };
  HTTPTransport transport(fixture.transportOptions());
  std::uint64_t number = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(transport.perform(AccountService::profileRequest(token)).status, 200);
    const std::size_t connections = fixture.service().acceptedConnections();
    const std::int64_t handled = fixture.service().handledRequests();

    fixture.service().injectFault(c.fault, c.target);
    const platform::HTTPRequest request = c.target == Target::page
                                              ? TavroCloudSync::pageRequest(token, std::nullopt)
                                              : uploadOf(token, ++number);
    try {
      platform::HTTPReply reply = transport.perform(request);
      EXPECT_EQ(reply.status, c.status);
    } catch (const HTTPTransportFailure& failure) {
      EXPECT_EQ(c.status, 0) << failure.what();
      EXPECT_EQ(failure.cause(), HTTPTransportFailure::Cause::reset) << failure.what();
      EXPECT_EQ(std::string(failure.what()).find(token), std::string::npos);
    }
    EXPECT_EQ(fixture.service().pendingFaults(), 0u);
    EXPECT_EQ(fixture.service().handledRequests() - handled, 1) << "the request was sent again";
    if (c.status != 0) {
      EXPECT_EQ(fixture.service().acceptedConnections(), connections);
    }

    EXPECT_EQ(transport.perform(TavroCloudSync::pageRequest(token, std::nullopt)).status, 200);
  }
  // Uploads cut short or reset were stored once (before the fault), those
  // refused with a status not at all.
  std::set<Uuid> stored;
  for (const Attempt& attempt : fixture.service().store().attempts("acct-1"))
    EXPECT_TRUE(stored.insert(attempt.id()).second);
  EXPECT_EQ(stored, (std::set<Uuid>{testing::numberedUuid(104), testing::numberedUuid(105)}));
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
