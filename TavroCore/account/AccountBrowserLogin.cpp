#include "TavroCore/account/AccountBrowserLogin.h"

#include "Support/Base64.h"
#include "Support/Sha256.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/QueryText.h"

#include <boost/url/parse.hpp>

#include <algorithm>
#include <array>

namespace tavro {

std::string AccountBrowserLogin::challenge(std::string_view verifier) {
  std::array<std::uint8_t, 32> digest = sha256::digest(verifier);
  std::string text =
      base64::encode(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '+') {
      out.push_back('-');
    } else if (c == '/') {
      out.push_back('_');
    } else if (c != '=') {
      out.push_back(c);
    }
  }
  return out;
}

boost::urls::url AccountBrowserLogin::url() const {
  boost::urls::url page = AccountService::serviceURL("/account");
  page.set_encoded_query(querytext::items({{"app", "tavro"},
                                           {"state", state},
                                           {"challenge", challenge()},
                                           {"redirect_uri", callbackURL}}));
  return page;
}

std::optional<std::string> AccountBrowserLogin::code(std::string_view callback, Date now) const {
  boost::system::result<boost::urls::url_view> parsed = boost::urls::parse_uri(callback);
  if (!parsed) return std::nullopt;
  const boost::urls::url_view& url = *parsed;
  if (url.scheme() != scheme) return std::nullopt;
  if (!url.has_authority() || url.encoded_host() != "auth-callback") return std::nullopt;
  if (url.host_type() != boost::urls::host_type::name) return std::nullopt;
  if (!url.encoded_path().empty() && url.encoded_path() != "/") return std::nullopt;
  if (url.has_userinfo() || url.has_port() || url.has_fragment()) return std::nullopt;

  const double elapsed = now.secondsSinceReferenceDate - createdAt.secondsSinceReferenceDate;
  if (!(elapsed >= 0 && elapsed < callbackSeconds)) return std::nullopt;

  if (!url.has_query()) return std::nullopt;
  // Plus signs are literal here, as in any URL that is not a form.
  boost::urls::params_view items = url.params(boost::urls::encoding_opts(false, false, false));
  if (items.size() != 2) return std::nullopt;
  std::optional<std::string> stateValue, codeValue;
  int states = 0, codes = 0;
  for (const boost::urls::param& item : items) {
    if (item.key == "state") {
      ++states;
      if (item.has_value) stateValue = item.value;
    } else if (item.key == "code") {
      ++codes;
      if (item.has_value) codeValue = item.value;
    }
  }
  if (states != 1 || codes != 1 || !stateValue || !codeValue) return std::nullopt;
  // The page may hand the state back in another normalization form; that is
  // still our state, as everywhere in the account rules.
  if (!accounttext::sameText(*stateValue, state) || !AccountService::validToken(*codeValue))
    return std::nullopt;
  return codeValue;
}

std::optional<AccountSignInCode> AccountBrowserSession::consume(std::string_view callback,
                                                                Date now) {
  if (!pending_) return std::nullopt;
  std::optional<std::string> code = pending_->code(callback, now);
  if (!code) return std::nullopt;
  AccountSignInCode result{std::move(*code), std::move(pending_->verifier)};
  pending_.reset();
  return result;
}

}  // namespace tavro
