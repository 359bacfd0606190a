// Speaking to the account service without doing any transport: the requests
// of sign-in (code exchange, profile fetch), the checks that turn a reply into
// a session token and an AccountProfile, and the conversion of an error reply
// into an AccountServiceFailure whose message is safe to show. The host sends
// each request and hands back the status and the body.
//
// Every reply is untrusted: documents over 128,000 bytes are refused before
// parsing, identity tokens over 16,384 bytes are ignored before splitting,
// and only JSON strings are ever taken for the members read here.
#pragma once

#include "Platform/HTTPRequest.h"
#include "Support/Date.h"
#include "Support/Json.h"
#include "TavroCore/account/AccountProfile.h"
#include "TavroCore/account/AccountServiceFailure.h"

#include <boost/url/url.hpp>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::AccountService {

inline constexpr std::size_t maximumReplyBytes = 128000;
inline constexpr std::size_t maximumIdentityTokenBytes = 16384;
inline constexpr std::size_t maximumDetailCharacters = 600;

inline constexpr std::string_view exchangePath = "/api/downloader/auth";
inline constexpr std::string_view profilePath = "/api/downloader/profile";
inline constexpr std::string_view securityPath = "/api/downloader/security";

// The messages of failures made from a decoded reply.
inline constexpr std::string_view invalidObjectMessage =
    "Invalid account JSON response: expected an account object.";
inline constexpr std::string_view invalidTokenMessage =
    "Invalid account response: token must be 64 lowercase hexadecimal characters.";
inline constexpr std::string_view invalidExpiryMessage = "Invalid account response: expiresAt is invalid or expired.";
inline constexpr std::string_view missingIdentifierMessage =
    "Invalid account response: missing user identifier (id, uid, sub or email).";
inline constexpr std::string_view invalidIdentifierMessage = "Invalid account response: user identifier is invalid.";
inline constexpr std::string_view nonJSONErrorDetail = "The service returned a non-JSON error response.";
inline constexpr std::string_view wrongSecurityCodeError = "Invalid or expired security code.";

// The answer to the code exchange.
struct ExchangeReply {
  std::string token;                         // the session token; passes validToken
  AccountProfile user;                       // passes valid()
  std::optional<std::string> expiresAt;      // the reply's expiry text, trimmed, as received
  std::optional<std::string> claimsToken;    // the reply's identity token, trimmed, as received

  friend bool operator==(const ExchangeReply&, const ExchangeReply&) = default;
};

// The URL of `path` (which starts with "/") on the account service origin.
boost::urls::url serviceURL(std::string_view path);

// POST origin/api/downloader/auth with the compact JSON body {"code",
// "verifier"}, "Content-Type" and "Accept" application/json, cookies off,
// time-out 60 seconds. Throws nlohmann's type_error when a text is not
// well-formed UTF-8.
platform::HTTPRequest exchangeRequest(std::string_view code, std::string_view verifier);

// GET origin/api/downloader/profile with "Accept" application/json and
// "Authorization: Bearer <token>", cookies off, time-out 60 seconds. The token's
// form is not checked, but one holding a line break or another control
// character cannot enter a header: that throws std::invalid_argument.
platform::HTTPRequest profileRequest(std::string_view token);

// The session token and profile of an exchange reply. Throws
// AccountServiceFailure (no status) for, in this order: a document that is
// not an account object, a missing or malformed token, an "expiresAt" that is
// present, not null, and not an internet date-time later than `now`, and a
// profile that cannot be derived (see profile()).
ExchangeReply decodeExchange(std::string_view data, Date now);

// The profile of a profile reply; `idToken` is an identity token the caller
// holds, used only when the reply carries none. Throws AccountServiceFailure.
AccountProfile decodeProfile(std::string_view data, const std::optional<std::string>& idToken, Date now);

// True when `text` is exactly 64 characters, each 0-9 or a-f.
bool validToken(std::string_view text);

// The failure for an error reply: "HTTP <status> <path>: <detail>", the
// detail being the reply's string "error" (or a fixed text when there is
// none), then " Reference: <code>" when the reply has a string "code", then
// for status 428 the sentence asking for the security check. Both service
// texts pass through safeDetail. isSessionUnauthorized is true for 401,
// except a wrong security code on the security path.
AccountServiceFailure httpFailure(std::int64_t status, std::string_view path, std::string_view data);

// A service text made safe to show: line breaks and ASCII control characters
// dropped, then web and callback links replaced by "[URL redacted]", then
// runs of 43 or more token-like characters (A-Z a-z 0-9 _ + / = -) by
// "[secret redacted]", then cut to 600 characters. Dropping the line breaks
// first means a link or token split across lines is redacted whole.
std::string safeDetail(std::string_view text);

// Two profiles are one identity when their identifiers are equal and their
// addresses do not conflict (two non-empty addresses that differ ignoring
// case), or when both carry the same non-empty address ignoring case.
bool sameIdentity(const AccountProfile& a, const AccountProfile& b);

// --- The reading steps the decoders share (sync reads its pages with them).

// A reply document: at most 128,000 bytes, valid JSON, an object, and without
// a member "error". The returned document's root is that object. Throws
// AccountServiceFailure(invalidObjectMessage) otherwise.
json::Document object(std::string_view data);

// The first of `keys` whose member is a JSON string that, trimmed of white
// space and line breaks, is not empty and holds no control or format
// character; that trimmed text. No value when no key gives one.
std::optional<std::string> string(const json::Object& object, std::initializer_list<std::string_view> keys);

// The user's profile derived from a reply document (candidates "user" and
// "profile" at the top and in "data", then "data", then the document, then
// the claims of the identity token). Throws AccountServiceFailure with
// missingIdentifierMessage or invalidIdentifierMessage.
AccountProfile profile(const json::Object& top, const std::optional<std::string>& idToken, Date now);

// The payload of an identity token (a JSON Web Token, signature not
// verified) whose header names an algorithm other than "none", whose "exp"
// is a number later than `now` and whose "nbf", if numeric, is not later
// than `now`. No value for anything else; never throws. The returned
// document's root is the payload object.
std::optional<json::Document> jwtMetadata(std::string_view token, Date now);

}  // namespace tavro::AccountService
