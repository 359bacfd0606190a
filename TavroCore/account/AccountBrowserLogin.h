// Browser sign-in. The tutor opens the account page with a one-time `state`
// and the S256 code challenge of a secret `verifier` (RFC 7636); after the
// user signs in, the page sends the browser to the tutor's callback URL,
// which the host hands to AccountBrowserSession::consume. A callback that is
// not exactly the one this attempt expects gives nothing, and no part of it
// is ever reported back.
#pragma once

#include "Support/Date.h"

#include <boost/url/url.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// One sign-in attempt.
struct AccountBrowserLogin {
  static constexpr std::string_view scheme = "brelva-tavro";
  static constexpr std::string_view callbackURL = "brelva-tavro://auth-callback";
  // A callback must arrive less than this many seconds after createdAt.
  static constexpr double callbackSeconds = 600;

  std::string state;     // handed back unchanged by the page
  std::string verifier;  // secret; leaves the tutor only in the code exchange
  Date createdAt;

  AccountBrowserLogin() = default;
  // Stores the three values; no checks.
  AccountBrowserLogin(std::string state, std::string verifier, Date createdAt)
      : state(std::move(state)), verifier(std::move(verifier)), createdAt(createdAt) {}

  // The S256 code challenge of a verifier: SHA-256 of its UTF-8 bytes in
  // base64url without padding, 43 characters of A-Z a-z 0-9 "-" "_".
  static std::string challenge(std::string_view verifier);
  std::string challenge() const { return challenge(verifier); }

  // The sign-in page: origin + "/account" with the query items "app" (tavro),
  // "state", "challenge" and "redirect_uri" (the callback URL), in that
  // order. Every value is percent-escaped except A-Z a-z 0-9 "-" "." "_" "~",
  // so "&", "=", "+", "#", blanks and non-ASCII text come back unchanged
  // through any query decoder, form decoders included.
  boost::urls::url url() const;

  // The sign-in code of `callback`, or nothing unless all of these hold: the
  // scheme is "brelva-tavro" and the host "auth-callback" exactly; the path
  // is empty or "/"; there is no user, password, port or fragment (empty
  // ones count); `now` is 0 to less than 600 seconds after createdAt; and the
  // query is exactly the items "state" (canonically equivalent to this
  // attempt's state, letter case counting) and
  // "code" (64 characters of 0-9 a-f), once each, in either order.
  std::optional<std::string> code(std::string_view callback, Date now) const;

  friend bool operator==(const AccountBrowserLogin&, const AccountBrowserLogin&) = default;
};

// What a consumed callback yields: the code to exchange and the verifier of
// the attempt it belongs to.
struct AccountSignInCode {
  std::string code;
  std::string verifier;

  friend bool operator==(const AccountSignInCode&, const AccountSignInCode&) = default;
};

// At most one pending attempt; each is used at most once.
class AccountBrowserSession {
 public:
  AccountBrowserSession() = default;

  const std::optional<AccountBrowserLogin>& pending() const { return pending_; }

  // Makes `login` the pending attempt, replacing any earlier one.
  void begin(AccountBrowserLogin login) { pending_ = std::move(login); }

  // Forgets the pending attempt.
  void cancel() { pending_.reset(); }

  // The code and verifier when `callback` is valid for the pending attempt
  // at `now`; the attempt is then cleared. Otherwise nothing, and the
  // attempt stays pending so the right callback can still arrive in time.
  std::optional<AccountSignInCode> consume(std::string_view callback, Date now);

  friend bool operator==(const AccountBrowserSession&, const AccountBrowserSession&) = default;

 private:
  std::optional<AccountBrowserLogin> pending_;
};

}  // namespace tavro
