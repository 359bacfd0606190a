#include "TavroCore/account/AccountService.h"

#include "AccountTestSupport.h"
#include "Support/Text.h"
#include "TavroCore/Configuration.h"

#include <gtest/gtest.h>

#include <boost/url/url_view.hpp>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <random>
#include <string>

namespace tavro {
namespace {

using accounttest::identityToken;
using accounttest::now;
using accounttest::token;

// What a decoder gave: a value, or the message of its failure.
template <typename Decode>
std::string failureOf(Decode decode) {
  try {
    decode();
    return "";
  } catch (const AccountServiceFailure& failure) {
    EXPECT_EQ(failure.httpStatus(), std::nullopt);
    EXPECT_FALSE(failure.isSessionUnauthorized());
    return failure.message();
  }
}

TEST(AccountServiceFailure, IsItsMessageAndComparesFieldByField) {
  AccountServiceFailure failure("HTTP 401 /p: x", 401, true);
  EXPECT_STREQ(failure.what(), "HTTP 401 /p: x");
  EXPECT_EQ(failure, AccountServiceFailure("HTTP 401 /p: x", 401, true));
  EXPECT_NE(failure, AccountServiceFailure("HTTP 401 /p: y", 401, true));
  EXPECT_NE(failure, AccountServiceFailure("HTTP 401 /p: x", 403, true));
  EXPECT_NE(failure, AccountServiceFailure("HTTP 401 /p: x", std::nullopt, true));
  EXPECT_NE(failure, AccountServiceFailure("HTTP 401 /p: x", 401, false));
  EXPECT_EQ(AccountServiceFailure("Sign in first."), AccountServiceFailure("Sign in first.", std::nullopt, false));
}

TEST(AccountServiceValidToken, TakesOnly64LowerCaseHexDigits) {
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {accounttest::otherToken, true},
      {std::string(64, '0'), true},
      {std::string(63, 'a') + "A", false},
      {std::string(63, 'a'), false},
      {std::string(65, 'a'), false},
      {std::string(63, 'a') + "g", false},
      {" " + std::string(63, 'a'), false},
      {std::string(63, 'a') + "\n", false},
      {std::string(62, 'a') + "\xef\xbc\x90", false},  // a full-width digit
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AccountService::validToken(c.text), c.valid);
  }
}

TEST(AccountServiceObject, RefusesEverythingButAnAccountObjectOfAtMost128000Bytes) {
  std::string deep = std::string(10000, '[') + std::string(10000, ']');
  std::string padded = R"({"pad":")" + std::string(AccountService::maximumReplyBytes - 10, 'x') + "\"}";
  ASSERT_EQ(padded.size(), AccountService::maximumReplyBytes);
  const std::string refused[] = {
      "",
      "not json",
      "[]",
      "\"text\"",
      "null",
      deep,
      R"({"a":)" + std::string(10000, '[') + std::string(10000, ']') + "}",
      R"({"error":null})",
      R"({"error":"x","token":"t"})",
      R"({"a":1})" "x",
      "{\"a\":\"\xff\"}",
      R"({"a":123456789012345678901234567890})",
      padded.substr(0, padded.size() - 2) + "x\"}",  // one byte too many
  };
  for (const std::string& data : refused) {
    SCOPED_TRACE(data.substr(0, 40));
    EXPECT_EQ(failureOf([&] { AccountService::object(data); }), AccountService::invalidObjectMessage);
  }
  json::Document document = AccountService::object(padded);
  EXPECT_EQ(document.root().object().string("pad").size(), padded.size() - 10);
  EXPECT_NO_THROW(AccountService::object(std::string("{\"a\":\"x\\u0000y\"}")));
}

TEST(AccountServiceString, TrimsAndSkipsUnusableTexts) {
  json::Document document = json::Document::parse(R"({
    "number": 7, "null": null, "empty": "", "blank": " \u00a0\n\t",
    "control": "a\u0000b", "format": "a\u200bb", "padded": " \u3000 value \r\n", "other": "second"})");
  json::Object object = document.root().object();
  struct Case {
    std::initializer_list<std::string_view> keys;
    std::optional<std::string> result;
  };
  const Case cases[] = {
      {{"padded"}, "value"},
      {{"missing", "number", "null", "empty", "blank", "control", "format"}, std::nullopt},
      {{"number", "other", "padded"}, "second"},
      {{"control", "padded"}, "value"},
  };
  for (std::size_t index = 0; index < std::size(cases); ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(AccountService::string(object, cases[index].keys), cases[index].result);
  }
}

// The claims of `token` as "sub" (or "-" when it gives none).
std::string claimedSubject(const std::string& idToken) {
  std::optional<json::Document> claims = AccountService::jwtMetadata(idToken, now);
  if (!claims) return "-";
  return claims->root().object().optionalString("sub").value_or("?");
}

TEST(AccountServiceJwtMetadata, UsesOnlyWellFormedUnexpiredTokens) {
  const std::string later = std::to_string(static_cast<std::int64_t>(now.unixSeconds()) + 60);
  const std::string earlier = std::to_string(static_cast<std::int64_t>(now.unixSeconds()) - 1);
  const std::string good = R"({"sub":"s1","exp":)" + later + "}";
  const std::string goodToken = identityToken(good);
  // A token of exactly the largest size, with the signature piece padded, and
  // the same one character longer.
  std::string largest;
  for (std::size_t blanks = 0; largest.empty(); ++blanks) {
    std::string prefix = identityToken(good + std::string(blanks, ' '));
    prefix.erase(prefix.rfind('.') + 1);
    std::size_t signature = AccountService::maximumIdentityTokenBytes - prefix.size();
    if (signature % 4 == 2 || signature % 4 == 3) largest = prefix + std::string(signature, 'A');
  }
  ASSERT_EQ(largest.size(), AccountService::maximumIdentityTokenBytes);
  const std::string oversized = largest + "A";
  struct Case {
    const char* name;
    std::string token;
    const char* subject;
  };
  const Case cases[] = {
      {"good", goodToken, "s1"},
      {"fractional exp and past nbf", identityToken(R"({"sub":"s1","exp":)" + later + ".5,\"nbf\":" + earlier + "}"), "s1"},
      {"alg none", identityToken(good, R"({"alg":"none"})"), "-"},
      {"alg NoNe", identityToken(good, R"({"alg":"NoNe"})"), "-"},
      {"alg empty", identityToken(good, R"({"alg":""})"), "-"},
      {"alg a number", identityToken(good, R"({"alg":1})"), "-"},
      {"header not an object", identityToken(good, "[1]"), "-"},
      {"past exp", identityToken(R"({"sub":"s1","exp":)" + earlier + "}"), "-"},
      {"exp now", identityToken(R"({"sub":"s1","exp":)" + std::to_string(static_cast<std::int64_t>(now.unixSeconds())) + "}"), "-"},
      {"exp as text", identityToken(R"({"sub":"s1","exp":")" + later + "\"}"), "-"},
      {"exp true", identityToken(R"({"sub":"s1","exp":true})"), "-"},
      {"no exp", identityToken(R"({"sub":"s1"})"), "-"},
      {"exp beyond 64 bits", identityToken(R"({"sub":"s1","exp":123456789012345678901234567890})"), "-"},
      {"future nbf", identityToken(R"({"sub":"s1","exp":)" + later + ",\"nbf\":" + later + "}"), "-"},
      {"empty signature", goodToken.substr(0, goodToken.rfind('.') + 1), "-"},
      {"two pieces", goodToken.substr(0, goodToken.rfind('.')), "-"},
      {"four pieces", goodToken + ".x", "-"},
      {"padding inside", goodToken.substr(0, 4) + "=" + goodToken.substr(4), "-"},
      {"padding at the end", goodToken + "=", "-"},
      {"standard alphabet", goodToken.substr(0, goodToken.rfind('.')) + ".a+b/", "-"},
      {"a piece of one character", goodToken.substr(0, goodToken.rfind('.')) + ".a", "-"},
      {"largest", largest, "s1"},
      {"one byte over", oversized, "-"},
      {"empty", "", "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(claimedSubject(c.token), c.subject);
  }
}

// The profile a document yields, or the failure message.
std::string profileOf(const std::string& data, const std::optional<std::string>& idToken = std::nullopt) {
  try {
    AccountProfile profile = AccountService::decodeProfile(data, idToken, now);
    return profile.id + "|" + profile.name + "|" + profile.email;
  } catch (const AccountServiceFailure& failure) {
    return failure.message();
  }
}

TEST(AccountServiceProfile, DerivesTheProfileFromTheCandidatesInOrder) {
  const std::string later = std::to_string(static_cast<std::int64_t>(now.unixSeconds()) + 60);
  const std::string claims =
      identityToken(R"({"sub":"jwt-sub","name":"Jwt Name","email":"jwt@example.com","exp":)" + later + "}");
  const std::string expired = identityToken(R"({"sub":"jwt-sub","exp":1})");
  const std::string long300(300, 'i');
  struct Case {
    const char* name;
    std::string data;
    std::optional<std::string> idToken;
    std::string expected;
  };
  const Case cases[] = {
      {"user before everything", R"({"id":"top","user":{"id":"u1","name":"Ann","email":"ann@example.com"},"data":{"user":{"id":"du"}}})",
       {}, "u1|Ann|ann@example.com"},
      {"data's user before top profile", R"({"profile":{"id":"p1"},"data":{"user":{"id":"du","name":"D"}}})", {}, "du|D|"},
      {"fields from different candidates",
       R"({"user":{"name":"From User"},"profile":{"email":"p@example.com"},"data":{"uid":"data-uid"}})", {},
       "data-uid|From User|p@example.com"},
      {"id before uid before sub", R"({"user":{"sub":"s","uid":"u","id":"i"}})", {}, "i|BRELVA member|"},
      {"an overlong id gives way to uid", R"({"user":{"id":")" + long300 + R"(","uid":"u10"}})", {}, "u10|BRELVA member|"},
      {"an id that is a number counts as missing", R"({"id":42,"name":"N"})", {}, std::string(AccountService::missingIdentifierMessage)},
      {"address alone", R"({"user":{"email":"Ann.Lee@Example.COM"}})", {}, "ann.lee@example.com|Ann.Lee|Ann.Lee@Example.COM"},
      {"an invalid address is passed over", R"({"user":{"email":"no at sign","id":"x"},"email":"b@c"})", {}, "x|b|b@c"},
      {"no name, no address", R"({"data":{"id":"only-id"}})", {}, "only-id|BRELVA member|"},
      {"displayName and fullName", R"({"user":{"id":"i","fullName":"F","displayName":"D"}})", {}, "i|D|"},
      {"trimmed texts", R"({"user":{"id":"  i \n","name":"\tN "}})", {}, "i|N|"},
      {"the reply's token wins over the argument", R"({"idToken":")" + claims + R"("})", expired,
       "jwt-sub|Jwt Name|jwt@example.com"},
      {"the argument when the reply has none", "{}", claims, "jwt-sub|Jwt Name|jwt@example.com"},
      {"id_token inside data", R"({"data":{"id_token":")" + claims + R"("}})", {}, "jwt-sub|Jwt Name|jwt@example.com"},
      {"claims come last", R"({"user":{"id":"u"},"idToken":")" + claims + R"("})", {}, "u|Jwt Name|jwt@example.com"},
      {"an expired token adds nothing", "{}", expired, std::string(AccountService::missingIdentifierMessage)},
      {"nothing at all", R"({"user":{"name":"N"}})", {}, std::string(AccountService::missingIdentifierMessage)},
      {"an address too long for an id", R"({"email":")" + std::string(250, 'a') + "@" + std::string(10, 'b') + R"("})", {},
       std::string(AccountService::invalidIdentifierMessage)},
      {"a name cut to 256 characters", R"({"id":"i","name":")" + std::string(300, 'n') + R"("})", {},
       "i|" + std::string(256, 'n') + "|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(profileOf(c.data, c.idToken), c.expected);
  }
}

TEST(AccountServiceHttpFailure, BuildsTheMessageAndTheSessionFlag) {
  const std::string host(boost::urls::url_view(configuration::accountServiceOrigin()).encoded_host());
  const std::string wrongCode = R"({"error":"Invalid or expired security code."})";
  struct Case {
    std::int64_t status;
    std::string path;
    std::string data;
    std::string message;
    bool unauthorized;
  };
  const Case cases[] = {
      {401, "/api/downloader/security", wrongCode,
       "HTTP 401 /api/downloader/security: Invalid or expired security code.", false},
      {401, "/api/downloader/profile", wrongCode, "HTTP 401 /api/downloader/profile: Invalid or expired security code.",
       true},
      {401, "/api/downloader/security", R"({"error":"Session expired."})",
       "HTTP 401 /api/downloader/security: Session expired.", true},
      {403, "/api/downloader/profile", R"({"error":"Forbidden."})", "HTTP 403 /api/downloader/profile: Forbidden.", false},
      {500, "/api/downloader/auth", "<html><body>Oops</body></html>",
       "HTTP 500 /api/downloader/auth: The service returned a non-JSON error response.", false},
      {400, "/api/downloader/auth", R"({"message":"no error member","code":"E1"})",
       "HTTP 400 /api/downloader/auth: The service returned a non-JSON error response. Reference: E1", false},
      {400, "/api/downloader/auth", R"({"error":7,"code":7})",
       "HTTP 400 /api/downloader/auth: The service returned a non-JSON error response.", false},
      {400, "/api/downloader/auth", R"(["error"])",
       "HTTP 400 /api/downloader/auth: The service returned a non-JSON error response.", false},
      {428, "/api/downloader/auth", R"({"error":"Check needed.","code":"R-9"})",
       "HTTP 428 /api/downloader/auth: Check needed. Reference: R-9 Complete the account security check on " + host +
           ", then start sign-in again.",
       false},
      {428, "/api/downloader/auth", "",
       "HTTP 428 /api/downloader/auth: The service returned a non-JSON error response. Complete the account security "
       "check on " + host + ", then start sign-in again.",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    AccountServiceFailure failure = AccountService::httpFailure(c.status, c.path, c.data);
    EXPECT_EQ(failure.message(), c.message);
    EXPECT_STREQ(failure.what(), c.message.c_str());
    EXPECT_EQ(failure.httpStatus(), c.status);
    EXPECT_EQ(failure.isSessionUnauthorized(), c.unauthorized);
  }
}

TEST(AccountServiceSafeDetail, RedactsLinksAndSecretsAfterDroppingLineBreaks) {
  const std::string run43(43, 'Q'), run42(42, 'Q');
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"a link and a run", "See https://x.example/a?t=1 and " + run43 + ".",
       "See [URL redacted] and [secret redacted]."},
      {"a run of 42 is kept", "k: " + run42, "k: " + run42},
      {"token characters", "t " + std::string(20, 'a') + "+/=-_" + std::string(18, '9'), "t [secret redacted]"},
      {"callback links", "go brelva-tavro://auth-callback?code=1 now", "go [URL redacted] now"},
      {"a link without anything after the scheme", "http:// x", "http:// x"},
      {"no letters between brelva- and ://", "brelva-://x", "brelva-://x"},
      {"link inside a word", "see:https://x.example", "see:[URL redacted]"},
      {"line breaks vanish", "one\r\ntwo\nthree\u2028four\u0085five", "onetwothreefourfive"},
      {"controls vanish, other characters stay", "a\tb\x01" "c\x7f" "d\u200b\u00a0e", "abcd\u200b\u00a0e"},
      {"a link split by CR LF", "at https://x.exa\r\nmple/s?token=1 ok", "at [URL redacted] ok"},
      {"a scheme split by a line break", "at htt\nps://x.example ok", "at [URL redacted] ok"},
      {"a token split by CR LF", "key " + run42.substr(0, 20) + "\r\n" + run42.substr(20) + "Q", "key [secret redacted]"},
      {"a blank ends a link", "https://a.example/x b", "[URL redacted] b"},
      {"a no-break space ends a link", "https://a.example/x\u00a0b", "[URL redacted]\u00a0b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AccountService::safeDetail(c.text), c.expected);
  }
  std::string long700;
  for (int index = 0; index < 350; ++index) long700 += "é ";
  EXPECT_EQ(AccountService::safeDetail(long700), long700.substr(0, 300 * 3));
  EXPECT_EQ(text::graphemeCount(AccountService::safeDetail(long700)), 600u);
}

// The same redaction written with ICU's regular expressions, applied after
// the line breaks and control characters are gone.
std::string referenceDetail(const std::string& text) {
  std::string cleaned;
  for (char32_t c : text::codePoints(text)) {
    if (c <= 0x1F || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029) continue;
    cleaned += text::fromCodePoint(c);
  }
  auto replaceAll = [](const std::string& subject, const char* pattern, const char* replacement) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(subject);
    icu::RegexMatcher matcher(icu::UnicodeString::fromUTF8(pattern), unicode, 0, status);
    icu::UnicodeString out = matcher.replaceAll(icu::UnicodeString::fromUTF8(replacement), status);
    EXPECT_TRUE(U_SUCCESS(status));
    std::string result;
    out.toUTF8String(result);
    return result;
  };
  std::string links = replaceAll(cleaned, R"(https?://[^\s]+|brelva-[^\s]+://[^\s]+)", "[URL redacted]");
  std::string secrets = replaceAll(links, "[A-Za-z0-9_+/=-]{43,}", "[secret redacted]");
  return text::graphemePrefix(secrets, 600);
}

TEST(AccountServiceSafeDetail, AgreesWithTheRegularExpressionsOnRandomTexts) {
  const std::string pieces[] = {"http://", "https://", "brelva-", "://", "http", "s", ":", "/", " ", "\u00a0",
                                "\u3000", "\r\n", "\n", "\t", "a", "Z", "9", "+", "=", "-", "_", "é", "[", "x.y",
                                std::string(20, 'k'), std::string(41, 'm'), "\u2028", "\u200b"};
  std::mt19937 random(13);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    std::size_t count = random() % 24;
    for (std::size_t index = 0; index < count; ++index) text += pieces[random() % std::size(pieces)];
    SCOPED_TRACE(text);
    ASSERT_EQ(AccountService::safeDetail(text), referenceDetail(text));
  }
}

TEST(AccountServiceFailureMessages, NeverCarryATokenVerifierOrLink) {
  const std::string verifier = "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk";
  const std::string link = "https://account.example/reset?key=abc";
  const std::string callback = "brelva-tavro://auth-callback?state=s&code=" + token;
  const std::string secrets[] = {token, verifier, link, callback};
  const std::string bodies[] = {
      R"({"error":"Token )" + token + R"( is bad","code":")" + verifier + R"("})",
      R"({"error":"Open )" + link + R"( now","code":")" + callback + R"("})",
      R"({"error":"Verifier:\r\n)" + verifier.substr(0, 20) + R"(\r\n)" + verifier.substr(20) + R"("})",
      R"({"error":"split link )" + link.substr(0, 10) + R"(\n)" + link.substr(10) + R"("})",
      R"({"error":"bearer )" + token + R"("})",
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    for (std::int64_t status : {400, 401, 428, 500}) {
      std::string message = AccountService::httpFailure(status, "/api/downloader/auth", body).message();
      for (const std::string& secret : secrets) EXPECT_EQ(message.find(secret), std::string::npos) << message;
      EXPECT_EQ(message.find(verifier.substr(0, 20)), std::string::npos) << message;
    }
  }
  // Decoding failures carry fixed texts only, whatever the reply holds.
  for (const std::string& data : {R"({"token":")" + verifier + R"("})", R"({"token":")" + token +
                                      R"(","expiresAt":")" + link + R"("})"}) {
    std::string message = failureOf([&] { AccountService::decodeExchange(data, now); });
    EXPECT_FALSE(message.empty());
    for (const std::string& secret : secrets) EXPECT_EQ(message.find(secret), std::string::npos);
  }
}

}  // namespace
}  // namespace tavro
