#include "ReferenceAccountService/ServiceRequests.h"

#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountProfile.h"
#include "TavroCore/account/TavroBackup.h"

#include <boost/url/params_view.hpp>
#include <boost/url/parse_query.hpp>

#include <array>
#include <optional>

namespace tavro::reference {
namespace {

// The items the page and its form know, in the order of their slots below.
constexpr std::array<std::string_view, 6> pageItemNames = {"app",          "state", "challenge",
                                                           "redirect_uri", "email", "name"};
constexpr std::size_t pageQueryItems = 4;

// The values of a form-encoded text by slot, when every item is one of the
// first `known` names and appears once with a value; a refusal otherwise.
// Items missing are left empty-handed (nullopt).
using PageItems = std::array<std::optional<std::string>, pageItemNames.size()>;
std::variant<PageItems, SignInPageRefusal> decodePageItems(std::string_view text,
                                                           std::size_t known) {
  // Boost.URL 1.81's parse_query reads its text up to a NUL, whatever the
  // view's length (found by fuzzing): it gets a NUL-terminated copy, and a
  // text holding a NUL (never a valid query) is refused before.
  if (text.empty() || text.find('\0') != std::string_view::npos)
    return SignInPageRefusal::malformed;
  const std::string terminated(text);
  if (!boost::urls::parse_query(terminated)) return SignInPageRefusal::malformed;
  // A form writes blanks as "+".
  boost::urls::params_view items(terminated, boost::urls::encoding_opts(true, false, false));
  PageItems values;
  bool unknown = false;
  for (const boost::urls::param& item : items) {
    std::size_t slot = 0;
    while (slot < known && pageItemNames[slot] != item.key) ++slot;
    if (slot == known || !item.has_value) {
      unknown = true;
      continue;
    }
    if (values[slot]) return SignInPageRefusal::repeatedItem;
    values[slot] = item.value;
  }
  if (unknown) return SignInPageRefusal::malformed;
  for (std::size_t slot = 0; slot < known; ++slot) {
    if (!values[slot]) return SignInPageRefusal::malformed;
  }
  return values;
}

// The state goes back out in a Location header and into the page: it must
// be text, and text without line breaks or invisible characters.
bool validState(std::string_view state) {
  if (state.empty() || state.size() > limits::maximumStateBytes || !text::isValidUtf8(state))
    return false;
  for (char32_t codePoint : text::codePoints(state)) {
    if (text::isControlOrFormat(codePoint)) return false;
  }
  return true;
}

// An S256 challenge: a SHA-256 digest in base64url without padding.
bool validChallenge(std::string_view challenge) {
  if (challenge.size() != 43) return false;
  for (char c : challenge) {
    const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!alphabet) return false;
  }
  return true;
}

std::variant<SignInPageRequest, SignInPageRefusal> pageRequest(const PageItems& values) {
  if (*values[0] != "tavro") return SignInPageRefusal::unknownApp;
  if (*values[3] != AccountBrowserLogin::callbackURL) return SignInPageRefusal::foreignRedirect;
  if (!validState(*values[1])) return SignInPageRefusal::invalidState;
  if (!validChallenge(*values[2])) return SignInPageRefusal::invalidChallenge;
  return SignInPageRequest{*values[1], *values[2]};
}

}  // namespace

std::variant<SignInPageRequest, SignInPageRefusal> parseSignInPageQuery(std::string_view query) {
  // The service's header bound already caps a query; the page's own is
  // far below it.
  if (query.size() > limits::maximumSignInFormBytes) return SignInPageRefusal::malformed;
  auto decoded = decodePageItems(query, pageQueryItems);
  if (const SignInPageRefusal* refusal = std::get_if<SignInPageRefusal>(&decoded)) return *refusal;
  return pageRequest(std::get<PageItems>(decoded));
}

std::variant<SignInApproval, SignInPageRefusal> parseSignInApprovalForm(std::string_view form) {
  if (form.size() > limits::maximumSignInFormBytes) return SignInPageRefusal::malformed;
  auto decoded = decodePageItems(form, pageItemNames.size());
  if (const SignInPageRefusal* refusal = std::get_if<SignInPageRefusal>(&decoded)) return *refusal;
  const PageItems& values = std::get<PageItems>(decoded);
  auto page = pageRequest(values);
  if (const SignInPageRefusal* refusal = std::get_if<SignInPageRefusal>(&page)) return *refusal;
  const std::string& email = *values[4];
  const std::string& name = *values[5];
  // Stored texts are encoded as JSON in every reply about the account, so
  // they must be UTF-8; an account found by its address needs one.
  if (email.empty() || !text::isValidUtf8(email) || !text::isValidUtf8(name) ||
      !AccountProfile("approval", name, email).valid())
    return SignInPageRefusal::invalidAccount;
  return SignInApproval{std::get<SignInPageRequest>(page), email, name};
}

std::optional<SignInBody> parseSignInBody(std::string_view body) {
  if (body.size() > limits::maximumSignInBytes) return std::nullopt;
  try {
    json::Document document = json::Document::parse(body);
    json::Object object = document.root().object();
    return SignInBody{object.string("code"), object.string("verifier")};
  } catch (const json::DecodingError&) {
    return std::nullopt;
  }
}

std::variant<std::vector<Attempt>, UploadRefusal> parseUploadBody(std::string_view body,
                                                                  const std::string& accountID) {
  if (body.size() > limits::maximumUploadBytes) return UploadRefusal::malformed;
  std::vector<Attempt> attempts;
  try {
    json::Document document = json::Document::parse(body);
    json::Object object = document.root().object();
    json::Array list = object.array("attempts");
    if (object.integer("schemaVersion") != 1 || list.size() > limits::maximumUploadAttempts)
      return UploadRefusal::malformed;
    attempts.reserve(list.size());
    for (const json::Value& value : list.elements()) attempts.push_back(Attempt::decode(value));
  } catch (const json::DecodingError&) {
    return UploadRefusal::malformed;
  }
  try {
    TavroBackup(accountID, attempts, JLPTLevel::n5, false, Date{}).validated(accountID);
  } catch (const BackupFailure&) {
    return UploadRefusal::outsideLimits;
  }
  // An attempt that cannot fit an otherwise empty page could never be sent
  // back to any device: storing it would leave every page after it stuck.
  for (const Attempt& attempt : attempts) {
    if (attempt.encode().size() + 1 > limits::maximumPageAttemptBytes)
      return UploadRefusal::outsideLimits;
  }
  return attempts;
}

}  // namespace tavro::reference
