#include "Platform/HTTPRequest.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

namespace tavro::platform {
namespace {

const std::string address = "https://account.example/api/items?device=a%20b";

TEST(HTTPRequest, StartsAsAGetWithoutCookiesOrBody) {
  HTTPRequest request(address);
  EXPECT_EQ(request.url(), address);
  EXPECT_EQ(request.method(), "GET");
  EXPECT_TRUE(request.headers().empty());
  EXPECT_EQ(request.body(), std::nullopt);
  EXPECT_EQ(request.timeoutSeconds(), 60);
  EXPECT_FALSE(request.handlesCookies());
  EXPECT_EQ(request.cachePolicy(), HTTPCachePolicy::useProtocolCachePolicy);
}

TEST(HTTPRequest, KeepsHeadersInTheOrderTheyWereFirstSet) {
  HTTPRequest request(address);
  request.setHeader("Content-Type", "text/plain");
  request.setHeader("Authorization", "Bearer one");
  request.setHeader("content-type", "application/json");  // same header, another spelling
  request.setHeader("Accept", "application/json");

  std::vector<HTTPHeader> expected = {{"content-type", "application/json"},
                                      {"Authorization", "Bearer one"},
                                      {"Accept", "application/json"}};
  EXPECT_EQ(request.headers(), expected);
  EXPECT_EQ(request.header("CONTENT-TYPE"), "application/json");
  EXPECT_EQ(request.header("X-Missing"), std::nullopt);

  request.removeHeader("AUTHORIZATION");
  EXPECT_EQ(request.header("Authorization"), std::nullopt);
  EXPECT_EQ(request.headers().size(), 2u);
}

TEST(HTTPRequest, RefusesTextsThatWouldChangeTheRequestsShape) {
  const std::string secret = "0123456789abcdef";
  struct Case {
    const char* name;
    std::function<void(HTTPRequest&)> change;
  };
  const Case cases[] = {
      {"line feed in a value", [&](HTTPRequest& r) { r.setHeader("Authorization", "Bearer " + secret + "\nX-Evil: 1"); }},
      {"carriage return in a value", [&](HTTPRequest& r) { r.setHeader("Authorization", secret + "\r"); }},
      {"NUL in a value", [&](HTTPRequest& r) { r.setHeader("Authorization", secret + std::string(1, '\0')); }},
      {"DEL in a value", [&](HTTPRequest& r) { r.setHeader("Authorization", secret + "\x7f"); }},
      {"colon in a name", [](HTTPRequest& r) { r.setHeader("X-A: b", "c"); }},
      {"empty name", [](HTTPRequest& r) { r.setHeader("", "c"); }},
      {"blank in a method", [](HTTPRequest& r) { r.setMethod("GET /other"); }},
      {"empty method", [](HTTPRequest& r) { r.setMethod(""); }},
      {"zero time-out", [](HTTPRequest& r) { r.setTimeoutSeconds(0); }},
      {"infinite time-out", [](HTTPRequest& r) { r.setTimeoutSeconds(std::numeric_limits<double>::infinity()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HTTPRequest request(address);
    HTTPRequest before = request;
    try {
      c.change(request);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& failure) {
      EXPECT_EQ(std::string(failure.what()).find(secret), std::string::npos);
    }
    EXPECT_EQ(request, before);
  }
  // A tab and text beyond ASCII are fine in a value.
  HTTPRequest request(address);
  request.setHeader("X-Note", "a\tb é");
  EXPECT_EQ(request.header("x-note"), "a\tb é");

  for (const char* url : {"", "https://a.example/x y", "https://a.example/\n", "https://a.example/é"}) {
    SCOPED_TRACE(url);
    EXPECT_THROW(HTTPRequest{url}, std::invalid_argument);
  }
}

TEST(HTTPRequest, IsEqualOnlyWhenEveryFieldIs) {
  HTTPRequest base(address);
  base.setHeader("Accept", "application/json");
  const std::function<void(HTTPRequest&)> changes[] = {
      [](HTTPRequest& r) { r.setMethod("POST"); },
      [](HTTPRequest& r) { r.setHeader("Accept", "text/plain"); },
      [](HTTPRequest& r) { r.setHeader("Content-Type", "application/json"); },
      [](HTTPRequest& r) { r.setHeader("accept", "application/json"); },  // the name's spelling is kept
      [](HTTPRequest& r) { r.setBody(""); },
      [](HTTPRequest& r) { r.setTimeoutSeconds(30); },
      [](HTTPRequest& r) { r.setHandlesCookies(true); },
      [](HTTPRequest& r) { r.setCachePolicy(HTTPCachePolicy::reloadIgnoringLocalCacheData); },
  };
  EXPECT_EQ(base, HTTPRequest(base));
  EXPECT_NE(base, HTTPRequest(address + "x"));
  for (std::size_t index = 0; index < std::size(changes); ++index) {
    SCOPED_TRACE(index);
    HTTPRequest changed = base;
    changes[index](changed);
    EXPECT_NE(changed, base);
  }
  // Header order is part of the request.
  HTTPRequest ab(address), ba(address);
  ab.setHeader("A", "1");
  ab.setHeader("B", "2");
  ba.setHeader("B", "2");
  ba.setHeader("A", "1");
  EXPECT_NE(ab, ba);
}

}  // namespace
}  // namespace tavro::platform
