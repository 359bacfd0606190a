#include "TavroCore/account/AccountService.h"

#include "AccountTestSupport.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/account/InternetDateTime.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro {
namespace {

using accounttest::identityToken;
using accounttest::now;
using accounttest::token;

TEST(InternetDateTime, ReadsOnlyTheStrictForm) {
  const double base =
      Date::fromUnixSeconds(1'767'225'600).secondsSinceReferenceDate;  // 2026-01-01T00:00:00Z
  struct Case {
    const char* text;
    std::optional<double> secondsAfterBase;
  };
  const Case cases[] = {
      {"2026-01-01T00:00:00Z", 0},
      {"2026-01-01T00:00:00.5Z", 0.5},
      {"2026-01-01T00:00:00.123456789Z", 0.123456789},
      {"2026-01-01T00:00:00.1234567891234Z", 0.123456789},
      {"2026-01-01T01:30:00+01:30", 0},
      {"2025-12-31T23:00:00-01:00", 0},
      {"2026-01-01T00:00:00+00:00", 0},
      {"2026-01-01T23:59:59Z", 86399},
      {"2028-02-29T00:00:00Z", 789 * 86400.0},
      {"2026-01-01T00:00:00", std::nullopt},   // no time zone
      {"2026-01-01t00:00:00Z", std::nullopt},  // lower-case t
      {"2026-01-01T00:00:00z", std::nullopt},  // lower-case z
      {"2026-01-01 00:00:00Z", std::nullopt},
      {"2026-02-30T00:00:00Z", std::nullopt},
      {"2026-02-29T00:00:00Z", std::nullopt},
      {"2026-13-01T00:00:00Z", std::nullopt},
      {"2026-00-01T00:00:00Z", std::nullopt},
      {"2026-12-31T23:59:60Z", std::nullopt},  // leap second
      {"2026-01-01T24:00:00Z", std::nullopt},
      {"2026-01-01T00:60:00Z", std::nullopt},
      {"2026-01-01T00:00:00+24:00", std::nullopt},
      {"2026-01-01T00:00:00+01:60", std::nullopt},
      {"2026-01-01T00:00:00+0100", std::nullopt},
      {"2026-01-01T00:00:00+01", std::nullopt},
      {"2026-01-01T00:00:00ZZ", std::nullopt},  // trailing text
      {"2026-01-01T00:00:00Z ", std::nullopt},
      {" 2026-01-01T00:00:00Z", std::nullopt},
      {"2026-01-01T00:00:00.Z", std::nullopt},
      {"2026-01-01T00:00Z", std::nullopt},
      {"2026-1-01T00:00:00Z", std::nullopt},
      {"+2026-01-01T00:00:00Z", std::nullopt},
      {"20260101T000000Z", std::nullopt},
      {"2026-01-01T00:00:00,5Z", std::nullopt},
      {"２０２６-01-01T00:00:00Z", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<Date> date = InternetDateTime::parse(c.text);
    ASSERT_EQ(date.has_value(), c.secondsAfterBase.has_value());
    if (date) {
      EXPECT_NEAR(date->secondsSinceReferenceDate - base, *c.secondsAfterBase, 1e-6);
    }
  }
}

// The reply, or the message of the failure.
std::string exchange(const std::string& data) {
  try {
    AccountService::ExchangeReply reply = AccountService::decodeExchange(data, now);
    return reply.token + "|" + reply.user.id + "|" + reply.expiresAt.value_or("-") + "|" +
           reply.claimsToken.value_or("-");
  } catch (const AccountServiceFailure& failure) {
    EXPECT_EQ(failure.httpStatus(), std::nullopt);
    EXPECT_FALSE(failure.isSessionUnauthorized());
    return failure.message();
  }
}

TEST(AccountServiceDecodeExchange, ChecksObjectTokenExpiryAndProfileInThatOrder) {
  const std::string tokenMessage(AccountService::invalidTokenMessage);
  const std::string expiryMessage(AccountService::invalidExpiryMessage);
  const std::string user = R"("user":{"id":"u1"})";
  const std::string atNow = "2027-01-15T08:00:00Z";  // `now` itself
  const std::string later = "2030-01-01T00:00:00.250Z";
  const std::string oneSecondAgo = "2027-01-15T07:59:59Z";
  const std::string claims = identityToken(R"({"sub":"jwt","exp":1900000000})");
  struct Case {
    const char* name;
    std::string data;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", R"({"token":")" + token + R"(",)" + user + "}", token + "|u1|-|-"},
      {"token inside data", R"({"data":{"token":")" + token + R"("},)" + user + "}",
       token + "|u1|-|-"},
      {"token with blanks", R"({"token":"  )" + token + R"(\n",)" + user + "}", token + "|u1|-|-"},
      {"top token wins", R"({"token":")" + token + R"(","data":{"token":"bad"},)" + user + "}",
       token + "|u1|-|-"},
      {"unusable top token falls back to data",
       R"({"token":7,"data":{"token":")" + token + R"("},)" + user + "}", token + "|u1|-|-"},
      {"upper-case token", R"({"token":")" + token.substr(0, 63) + R"(A",)" + user + "}",
       tokenMessage},
      {"63 characters", R"({"token":")" + token.substr(0, 63) + R"(",)" + user + "}", tokenMessage},
      {"65 characters", R"({"token":")" + token + R"(a",)" + user + "}", tokenMessage},
      {"no token, no user", R"({"id":"u1"})", tokenMessage},
      {"token check before expiry", R"({"token":"x","expiresAt":5})", tokenMessage},
      {"null expiry", R"({"token":")" + token + R"(","expiresAt":null,)" + user + "}",
       token + "|u1|-|-"},
      {"future expiry",
       R"({"token":")" + token + R"(","expiresAt":" )" + later + R"( ",)" + user + "}",
       token + "|u1|" + later + "|-"},
      {"expiry with offset",
       R"({"token":")" + token + R"(","data":{"expiresAt":"2030-01-01T00:00:00+02:00"},)" + user +
           "}",
       token + "|u1|2030-01-01T00:00:00+02:00|-"},
      {"expiry a second ago",
       R"({"token":")" + token + R"(","expiresAt":")" + oneSecondAgo + R"(",)" + user + "}",
       expiryMessage},
      {"expiry exactly now",
       R"({"token":")" + token + R"(","expiresAt":")" + atNow + R"(",)" + user + "}",
       expiryMessage},
      {"expiry a millisecond on",
       R"({"token":")" + token + R"(","expiresAt":"2027-01-15T08:00:00.001Z",)" + user + "}",
       token + "|u1|2027-01-15T08:00:00.001Z|-"},
      {"expiry a number", R"({"token":")" + token + R"(","expiresAt":1900000000,)" + user + "}",
       expiryMessage},
      {"expiry empty", R"({"token":")" + token + R"(","expiresAt":"",)" + user + "}",
       expiryMessage},
      {"expiry not a date", R"({"token":")" + token + R"(","expiresAt":"tomorrow",)" + user + "}",
       expiryMessage},
      {"expiry check before profile", R"({"token":")" + token + R"(","expiresAt":"x"})",
       expiryMessage},
      {"top-level null hides the inner expiry from the check",
       R"({"token":")" + token + R"(","expiresAt":null,"data":{"expiresAt":")" + oneSecondAgo +
           R"("},)" + user + "}",
       token + "|u1|" + oneSecondAgo + "|-"},
      {"identity token", R"({"token":")" + token + R"(","data":{"id_token":")" + claims + R"("}})",
       token + "|jwt|-|" + claims},
      {"missing identifier", R"({"token":")" + token + R"("})",
       std::string(AccountService::missingIdentifierMessage)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(exchange(c.data), c.expected);
  }
}

TEST(AccountServiceDecodeExchange, GivesTheWholeReply) {
  std::string data =
      R"({"data":{"token":")" + token +
      R"(","user":{"id":"u1","name":"Ann","email":"Ann@Example.com"},"expiresAt":"2030-01-01T00:00:00Z"}})";
  AccountService::ExchangeReply reply = AccountService::decodeExchange(data, now);
  EXPECT_EQ(reply,
            (AccountService::ExchangeReply{token, AccountProfile("u1", "Ann", "Ann@Example.com"),
                                           "2030-01-01T00:00:00Z", std::nullopt}));
}

TEST(AccountServiceRequests, BuildTheExchangeAndProfileRequests) {
  const std::string origin(configuration::accountServiceOrigin());
  platform::HTTPRequest exchange = AccountService::exchangeRequest("c0de", "ver\"ifier");
  EXPECT_EQ(exchange.url(), origin + "/api/downloader/auth");
  EXPECT_EQ(exchange.method(), "POST");
  EXPECT_EQ(exchange.headers(),
            (std::vector<platform::HTTPHeader>{{"Content-Type", "application/json"},
                                               {"Accept", "application/json"}}));
  EXPECT_EQ(exchange.body(), R"({"code":"c0de","verifier":"ver\"ifier"})");
  EXPECT_FALSE(exchange.handlesCookies());
  EXPECT_EQ(exchange.timeoutSeconds(), 60);
  EXPECT_EQ(exchange.cachePolicy(), platform::HTTPCachePolicy::useProtocolCachePolicy);
  EXPECT_ANY_THROW(AccountService::exchangeRequest("\xff", "v"));

  platform::HTTPRequest profile = AccountService::profileRequest("not-checked");
  EXPECT_EQ(profile.url(), origin + "/api/downloader/profile");
  EXPECT_EQ(profile.method(), "GET");
  EXPECT_EQ(profile.headers(),
            (std::vector<platform::HTTPHeader>{{"Accept", "application/json"},
                                               {"Authorization", "Bearer not-checked"}}));
  EXPECT_EQ(profile.body(), std::nullopt);
  EXPECT_FALSE(profile.handlesCookies());
  // A token cannot smuggle a line into the request.
  EXPECT_THROW(AccountService::profileRequest(token + "\r\nX-Evil: 1"), std::invalid_argument);
}

}  // namespace
}  // namespace tavro
