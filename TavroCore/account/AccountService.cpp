#include "TavroCore/account/AccountService.h"

#include "Support/Base64.h"
#include "Support/JsonEncoding.h"
#include "Support/Text.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/InternetDateTime.h"

#include <boost/url/url_view.hpp>

#include <cmath>
#include <vector>

namespace tavro::AccountService {
namespace {

constexpr std::string_view bearerPrefix = "Bearer ";
constexpr std::string_view urlRedacted = "[URL redacted]";
constexpr std::string_view secretRedacted = "[secret redacted]";
constexpr std::size_t secretRunLength = 43;

[[noreturn]] void fail(std::string_view message) { throw AccountServiceFailure(std::string(message)); }

// "data" of a reply when it is an object.
std::optional<json::Object> innerObject(const json::Object& top) {
  std::optional<json::Value> data = top.field("data");
  if (data && data->kind() == json::Kind::object) return data->object();
  return std::nullopt;
}

std::optional<std::string> lookUp(const json::Object& top, const std::optional<json::Object>& inner,
                                  std::initializer_list<std::string_view> keys) {
  if (auto found = string(top, keys)) return found;
  if (inner) return string(*inner, keys);
  return std::nullopt;
}

std::optional<json::Object> memberObject(const std::optional<json::Object>& object, std::string_view key) {
  if (!object) return std::nullopt;
  std::optional<json::Value> value = object->field(key);
  if (value && value->kind() == json::Kind::object) return value->object();
  return std::nullopt;
}

// base64url without padding, as the pieces of a JSON Web Token are written.
std::optional<std::string> decodeSegment(std::string_view piece) {
  if (piece.empty()) return std::nullopt;
  std::string standard;
  standard.reserve(piece.size() + 3);
  for (char c : piece) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      standard.push_back(c);
    } else if (c == '-') {
      standard.push_back('+');
    } else if (c == '_') {
      standard.push_back('/');
    } else {
      return std::nullopt;
    }
  }
  while (standard.size() % 4 != 0) standard.push_back('=');
  return base64::decode(standard);
}

std::optional<json::Document> parseObject(std::string_view bytes) {
  try {
    json::Document document = json::Document::parse(bytes);
    if (document.root().kind() != json::Kind::object) return std::nullopt;
    return document;
  } catch (const json::DecodingError&) {
    return std::nullopt;
  }
}

std::optional<double> numeric(const json::Object& object, std::string_view key) {
  std::optional<json::Value> value = object.field(key);
  if (!value || (value->kind() != json::Kind::integer && value->kind() != json::Kind::number)) return std::nullopt;
  return value->number();
}

bool isDroppedFromDetail(char32_t c) {
  return c <= 0x1F || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool startsWith(const std::vector<char32_t>& points, std::size_t at, std::size_t end, std::string_view ascii) {
  if (end - at < ascii.size()) return false;
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    if (points[at + i] != static_cast<char32_t>(ascii[i])) return false;
  }
  return true;
}

// Where the first link of the run [begin, end) (no white space inside)
// starts, or `end`. A link runs to the end of its run, so only its start is
// needed: "http://" or "https://" with at least one character after it, or
// "brelva-", at least one character, "://" and at least one character. The
// last "://" of the run is found once, so a run of many "brelva-" pieces
// costs one pass instead of one pass per piece.
std::size_t linkStart(const std::vector<char32_t>& points, std::size_t begin, std::size_t end) {
  std::size_t lastSeparator = end;
  for (std::size_t q = end; q-- > begin;) {
    if (q + 3 < end && startsWith(points, q, end, "://")) {
      lastSeparator = q;
      break;
    }
  }
  for (std::size_t p = begin; p < end; ++p) {
    if (points[p] != U'h' && points[p] != U'b') continue;
    if (startsWith(points, p, end, "https://") && p + 8 < end) return p;
    if (startsWith(points, p, end, "http://") && p + 7 < end) return p;
    if (lastSeparator != end && p + 8 <= lastSeparator && startsWith(points, p, end, "brelva-")) return p;
  }
  return end;
}

bool isSecretCharacter(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'_' ||
         c == U'+' || c == U'/' || c == U'=' || c == U'-';
}

void appendAscii(std::vector<char32_t>& out, std::string_view ascii) {
  for (char c : ascii) out.push_back(static_cast<char32_t>(c));
}

}  // namespace

boost::urls::url serviceURL(std::string_view path) {
  boost::urls::url url(configuration::accountServiceOrigin());
  url.set_encoded_path(path);
  return url;
}

platform::HTTPRequest exchangeRequest(std::string_view code, std::string_view verifier) {
  json::OrderedJson body = json::OrderedJson::object();
  body["code"] = std::string(code);
  body["verifier"] = std::string(verifier);
  std::string encoded = json::encode(body);
  platform::HTTPRequest request(std::string(serviceURL(exchangePath).buffer()));
  request.setMethod("POST");
  request.setHeader("Content-Type", "application/json");
  request.setHeader("Accept", "application/json");
  request.setBody(std::move(encoded));
  return request;
}

platform::HTTPRequest profileRequest(std::string_view token) {
  platform::HTTPRequest request(std::string(serviceURL(profilePath).buffer()));
  request.setMethod("GET");
  request.setHeader("Accept", "application/json");
  request.setHeader("Authorization", std::string(bearerPrefix) + std::string(token));
  return request;
}

bool validToken(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

json::Document object(std::string_view data) {
  if (data.size() > maximumReplyBytes) fail(invalidObjectMessage);
  std::optional<json::Document> document = parseObject(data);
  if (!document || document->root().object().field("error")) fail(invalidObjectMessage);
  return std::move(*document);
}

std::optional<std::string> string(const json::Object& object, std::initializer_list<std::string_view> keys) {
  for (std::string_view key : keys) {
    std::optional<json::Value> value = object.field(key);
    if (!value || value->kind() != json::Kind::string) continue;
    std::string text = accounttext::trimmed(value->stringView());
    if (!text.empty() && !accounttext::hasControlOrFormat(text)) return text;
  }
  return std::nullopt;
}

std::optional<json::Document> jwtMetadata(std::string_view token, Date now) {
  if (token.size() > maximumIdentityTokenBytes) return std::nullopt;
  std::size_t first = token.find('.');
  if (first == std::string_view::npos) return std::nullopt;
  std::size_t second = token.find('.', first + 1);
  if (second == std::string_view::npos || token.find('.', second + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  std::optional<std::string> header = decodeSegment(token.substr(0, first));
  if (!header) return std::nullopt;
  std::optional<json::Document> headerDocument = parseObject(*header);
  if (!headerDocument) return std::nullopt;
  std::optional<json::Value> algorithm = headerDocument->root().object().field("alg");
  if (!algorithm || algorithm->kind() != json::Kind::string || algorithm->stringView().empty()) return std::nullopt;
  if (text::lowercased(algorithm->stringView()) == "none") return std::nullopt;
  if (!decodeSegment(token.substr(second + 1))) return std::nullopt;
  std::optional<std::string> payload = decodeSegment(token.substr(first + 1, second - first - 1));
  if (!payload) return std::nullopt;
  std::optional<json::Document> claims = parseObject(*payload);
  if (!claims) return std::nullopt;
  json::Object root = claims->root().object();
  const double nowSeconds = now.unixSeconds();
  std::optional<double> expiry = numeric(root, "exp");
  if (!expiry || !std::isfinite(*expiry) || !(*expiry > nowSeconds)) return std::nullopt;
  std::optional<double> notBefore = numeric(root, "nbf");
  if (notBefore && *notBefore > nowSeconds) return std::nullopt;
  return claims;
}

AccountProfile profile(const json::Object& top, const std::optional<std::string>& idToken, Date now) {
  std::optional<json::Object> inner = innerObject(top);
  std::optional<json::Object> topObject = top;

  std::vector<json::Object> candidates;
  for (const auto& found : {memberObject(topObject, "user"), memberObject(inner, "user"),
                            memberObject(topObject, "profile"), memberObject(inner, "profile")}) {
    if (found) candidates.push_back(*found);
  }
  // An absent "data" reads as an empty object, which offers nothing.
  if (inner) candidates.push_back(*inner);
  candidates.push_back(top);

  std::optional<std::string> token = lookUp(top, inner, {"idToken", "id_token"});
  if (!token) token = idToken;
  std::optional<json::Document> claims;
  if (token) claims = jwtMetadata(*token, now);
  if (claims) candidates.push_back(claims->root().object());

  std::string email;
  for (const json::Object& candidate : candidates) {
    std::optional<std::string> address = string(candidate, {"email"});
    if (address && AccountProfile::validEmail(*address)) {
      email = std::move(*address);
      break;
    }
  }

  std::optional<std::string> id;
  for (const json::Object& candidate : candidates) {
    for (std::string_view key : {"id", "uid", "sub"}) {
      std::optional<std::string> text = string(candidate, {key});
      if (text && text::graphemeCount(*text) <= AccountProfile::maximumIDCharacters) {
        id = std::move(text);
        break;
      }
    }
    if (id) break;
  }
  if (!id) {
    if (email.empty()) fail(missingIdentifierMessage);
    id = text::lowercased(email);
  }

  std::optional<std::string> name;
  for (const json::Object& candidate : candidates) {
    name = string(candidate, {"name", "displayName", "fullName"});
    if (name) break;
  }
  if (!name) name = email.empty() ? std::string("BRELVA member") : email.substr(0, email.find('@'));
  AccountProfile result(std::move(*id), text::graphemePrefix(*name, AccountProfile::maximumNameCharacters),
                        std::move(email));
  if (!result.valid()) fail(invalidIdentifierMessage);
  return result;
}

ExchangeReply decodeExchange(std::string_view data, Date now) {
  json::Document document = object(data);
  json::Object top = document.root().object();
  std::optional<json::Object> inner = innerObject(top);

  std::optional<std::string> token = lookUp(top, inner, {"token"});
  if (!token || !validToken(*token)) fail(invalidTokenMessage);

  std::optional<std::string> expiresAt = lookUp(top, inner, {"expiresAt"});
  std::optional<json::Value> rawExpiry = top.field("expiresAt");
  if (!rawExpiry && inner) rawExpiry = inner->field("expiresAt");
  if (rawExpiry && !rawExpiry->isNull()) {
    if (!expiresAt) fail(invalidExpiryMessage);
    std::optional<Date> expiry = InternetDateTime::parse(*expiresAt);
    if (!expiry || !(*expiry > now)) fail(invalidExpiryMessage);
  }

  std::optional<std::string> identityToken = lookUp(top, inner, {"idToken", "id_token"});
  AccountProfile user = profile(top, identityToken, now);
  return ExchangeReply{std::move(*token), std::move(user), std::move(expiresAt), std::move(identityToken)};
}

AccountProfile decodeProfile(std::string_view data, const std::optional<std::string>& idToken, Date now) {
  json::Document document = object(data);
  return profile(document.root().object(), idToken, now);
}

AccountServiceFailure httpFailure(std::int64_t status, std::string_view path, std::string_view data) {
  std::string detail(nonJSONErrorDetail);
  std::string reference;
  bool wrongSecurityCode = false;
  if (std::optional<json::Document> document = parseObject(data)) {
    json::Object reply = document->root().object();
    std::optional<json::Value> error = reply.field("error");
    if (error && error->kind() == json::Kind::string) {
      detail = safeDetail(error->stringView());
      wrongSecurityCode = error->stringView() == wrongSecurityCodeError;
    }
    std::optional<json::Value> code = reply.field("code");
    if (code && code->kind() == json::Kind::string) reference = " Reference: " + safeDetail(code->stringView());
  }
  std::string suffix;
  if (status == 428) {
    boost::urls::url_view origin(configuration::accountServiceOrigin());
    suffix = " Complete the account security check on " + std::string(origin.encoded_host()) +
             ", then start sign-in again.";
  }
  std::string message = "HTTP " + std::to_string(status) + " " + std::string(path) + ": " + detail + reference + suffix;
  bool unauthorized = status == 401 && !(path == securityPath && wrongSecurityCode);
  return AccountServiceFailure(std::move(message), status, unauthorized);
}

std::string safeDetail(std::string_view text) {
  std::vector<char32_t> points = text::codePoints(text);
  std::erase_if(points, isDroppedFromDetail);

  std::vector<char32_t> linksRedacted;
  linksRedacted.reserve(points.size());
  for (std::size_t at = 0; at < points.size();) {
    if (text::isWhiteSpace(points[at])) {
      linksRedacted.push_back(points[at++]);
      continue;
    }
    std::size_t end = at;
    while (end < points.size() && !text::isWhiteSpace(points[end])) ++end;
    std::size_t link = linkStart(points, at, end);
    linksRedacted.insert(linksRedacted.end(), points.begin() + at, points.begin() + link);
    if (link < end) appendAscii(linksRedacted, urlRedacted);
    at = end;
  }

  std::vector<char32_t> secretsRedacted;
  secretsRedacted.reserve(linksRedacted.size());
  for (std::size_t at = 0; at < linksRedacted.size();) {
    std::size_t end = at;
    while (end < linksRedacted.size() && isSecretCharacter(linksRedacted[end])) ++end;
    if (end - at >= secretRunLength) {
      appendAscii(secretsRedacted, secretRedacted);
    } else {
      secretsRedacted.insert(secretsRedacted.end(), linksRedacted.begin() + at, linksRedacted.begin() + end);
    }
    if (end < linksRedacted.size()) secretsRedacted.push_back(linksRedacted[end]);
    at = end + 1;
  }

  return text::graphemePrefix(text::fromCodePoints(secretsRedacted), maximumDetailCharacters);
}

bool sameIdentity(const AccountProfile& a, const AccountProfile& b) {
  std::string emailA = text::lowercased(a.email);
  std::string emailB = text::lowercased(b.email);
  if (!emailA.empty() && !emailB.empty() && !accounttext::sameText(emailA, emailB)) return false;
  if (accounttext::sameText(a.id, b.id)) return true;
  if (emailA.empty()) return false;
  return accounttext::sameText(emailA, emailB);
}

}  // namespace tavro::AccountService
