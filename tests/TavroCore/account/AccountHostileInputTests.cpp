// Every decoder of outside bytes gets the same hostile inputs and must answer
// with its documented failure or "no result": never a crash and never a
// partly filled value.
#include "AccountTestSupport.h"
#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountManagement.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro {
namespace {

using accounttest::now;
using accounttest::token;

std::vector<std::pair<std::string, std::string>> hostileInputs() {
  const std::string deep = std::string(10000, '{') + std::string(10000, '}');
  const std::string later = std::to_string(static_cast<std::int64_t>(now.unixSeconds()) + 60);
  const std::string claims = R"({"sub":"s","exp":)" + later + "}";
  std::string bigToken = accounttest::identityToken(claims);
  bigToken.insert(bigToken.rfind('.') + 1, std::string(16385 - bigToken.size(), 'A'));
  std::string paddedInside = accounttest::identityToken(claims);
  paddedInside.insert(paddedInside.find('.'), "==");
  const std::string prefix = R"({"token":")" + token + R"(",)";
  return {
      {"not JSON", "\x01\x02 not json"},
      {"nested 10,000 levels", deep},
      {"nested inside the user",
       prefix + R"("user":)" + std::string(10000, '[') + std::string(10000, ']') + "}"},
      {"number beyond 64 bits", prefix + R"("user":{"id":"u"},"n":184467440737095516160})"},
      {"invalid UTF-8", prefix + "\"user\":{\"id\":\"u\xc3\x28\"}}"},
      {"NUL inside the id", prefix + R"("user":{"id":"u\u0000v"}})"},
      {"16,385-byte identity token", prefix + R"("idToken":")" + bigToken + R"("})"},
      {"padding inside the identity token", prefix + R"("idToken":")" + paddedInside + R"("})"},
      {"devices of hostile entries", R"({"devices":[{"id":"\u0000","device":)" + deep + "}]}"},
      {"empty", ""},
  };
}

TEST(AccountHostileInput, EveryDecoderGivesItsDocumentedAnswer) {
  const AccountBrowserLogin login("s", "v", now);
  for (const auto& [name, bytes] : hostileInputs()) {
    SCOPED_TRACE(name);
    try {
      AccountService::ExchangeReply reply = AccountService::decodeExchange(bytes, now);
      // Only a reply whose parts all hold may come back.
      EXPECT_TRUE(AccountService::validToken(reply.token));
      EXPECT_TRUE(reply.user.valid());
      EXPECT_EQ(reply.user.id.find('\0'), std::string::npos);
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(failure.httpStatus(), std::nullopt);
    }
    try {
      EXPECT_TRUE(AccountService::decodeProfile(bytes, bytes, now).valid());
    } catch (const AccountServiceFailure&) {
    }
    EXPECT_THROW(AccountManagement::devices(bytes), json::DecodingError);
    EXPECT_EQ(login.code(bytes, now), std::nullopt);
    AccountService::httpFailure(500, "/api/downloader/auth", bytes);
    platform::InMemoryUserDefaults defaults;
    defaults.set("tavroAccountState", platform::DefaultsData(bytes.begin(), bytes.end()));
    EXPECT_EQ(AccountState::load(defaults), AccountState());
  }
}

TEST(AccountHostileInput, AnEmptyViewWithoutStorageIsJustEmpty) {
  const std::string_view nothing;
  EXPECT_THROW(AccountService::decodeExchange(nothing, now), AccountServiceFailure);
  EXPECT_THROW(AccountService::decodeProfile(nothing, std::nullopt, now), AccountServiceFailure);
  EXPECT_THROW(AccountManagement::devices(nothing), json::DecodingError);
  EXPECT_EQ(AccountService::httpFailure(500, "/p", nothing).message(),
            "HTTP 500 /p: The service returned a non-JSON error response.");
  EXPECT_EQ(AccountService::safeDetail(nothing), "");
  EXPECT_EQ(AccountBrowserLogin("s", "v", now).code(nothing, now), std::nullopt);
  EXPECT_FALSE(AccountService::jwtMetadata(nothing, now));
  platform::InMemoryUserDefaults defaults;
  defaults.set("tavroAccountState", platform::DefaultsData());
  EXPECT_EQ(AccountState::load(defaults), AccountState());
}

TEST(AccountHostileInput, UnusableIdentityTokensAddNoClaims) {
  for (const auto& [name, bytes] : hostileInputs()) {
    SCOPED_TRACE(name);
    if (name.find("identity token") == std::string::npos) continue;
    // The token is the only source of an identifier, so ignoring it fails.
    EXPECT_THROW(AccountService::decodeExchange(bytes, now), AccountServiceFailure);
  }
}

}  // namespace
}  // namespace tavro
