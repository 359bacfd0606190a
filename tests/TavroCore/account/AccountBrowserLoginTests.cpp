#include "TavroCore/account/AccountBrowserLogin.h"

#include "AccountTestSupport.h"
#include "TavroCore/Configuration.h"

#include <gtest/gtest.h>

#include <boost/url/parse.hpp>

#include <string>

namespace tavro {
namespace {

const Date started{700'000'000};
const std::string code = accounttest::otherToken;
const AccountBrowserLogin login("state-1", "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk", started);

Date after(double seconds) {
  return Date{started.secondsSinceReferenceDate + seconds};
}

std::string callback(std::string_view query) {
  return "brelva-tavro://auth-callback?" + std::string(query);
}

TEST(AccountBrowserLogin, ChallengeIsTheS256ChallengeOfTheVerifier) {
  // The worked example of the proof-key standard.
  EXPECT_EQ(login.challenge(), "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  for (std::string verifier : {std::string(), std::string("a"), std::string("verifier with blanks"),
                               std::string("\xe3\x81\x82"), std::string(200, 'v')}) {
    SCOPED_TRACE(verifier);
    std::string challenge = AccountBrowserLogin::challenge(verifier);
    EXPECT_EQ(challenge.size(), 43u);
    EXPECT_EQ(challenge.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::string::npos);
  }
}

TEST(AccountBrowserLogin, PageURLCarriesItsFourItemsSoAnyValueComesBackUnchanged) {
  const std::string awkward = "a&b=c+d#e f/g?h%i\u00e9\u3042";
  AccountBrowserLogin tricky(awkward, "v", started);
  boost::urls::url url = tricky.url();
  EXPECT_EQ(std::string(url.buffer()).substr(0, configuration::accountServiceOrigin().size() + 9),
            std::string(configuration::accountServiceOrigin()) + "/account?");
  EXPECT_EQ(url.encoded_path(), "/account");
  EXPECT_EQ(std::string(url.encoded_query()).find('+'), std::string::npos);

  // Read back both as plain query items and as form data (where "+" is a blank).
  for (bool plusIsBlank : {false, true}) {
    SCOPED_TRACE(plusIsBlank);
    std::vector<std::pair<std::string, std::string>> items;
    for (const boost::urls::param& item :
         url.params(boost::urls::encoding_opts(plusIsBlank, false, false))) {
      items.emplace_back(item.key, item.value);
    }
    std::vector<std::pair<std::string, std::string>> expected = {
        {"app", "tavro"},
        {"state", awkward},
        {"challenge", tricky.challenge()},
        {"redirect_uri", "brelva-tavro://auth-callback"}};
    EXPECT_EQ(items, expected);
  }
}

TEST(AccountBrowserLogin, CodeAcceptsOnlyTheExactCallbackInTime) {
  const std::string good = callback("state=state-1&code=" + code);
  struct Case {
    const char* name;
    std::string url;
    double seconds;
    bool accepted;
  };
  const Case cases[] = {
      {"state then code", good, 1, true},
      {"code then state", callback("code=" + code + "&state=state-1"), 1, true},
      {"path of a slash", "brelva-tavro://auth-callback/?state=state-1&code=" + code, 1, true},
      {"percent-escaped names and values", callback("%73tate=state%2D1&code=" + code), 1, true},
      {"at the start", good, 0, true},
      {"599.9 seconds on", good, 599.9, true},
      {"600 seconds on", good, 600, false},
      {"before the start", good, -1, false},
      {"scheme in upper case", "BRELVA-TAVRO://auth-callback?state=state-1&code=" + code, 1, false},
      {"other host", "brelva-tavro://auth-callbacks?state=state-1&code=" + code, 1, false},
      {"host in upper case", "brelva-tavro://AUTH-CALLBACK?state=state-1&code=" + code, 1, false},
      {"longer path", "brelva-tavro://auth-callback/x?state=state-1&code=" + code, 1, false},
      {"port", "brelva-tavro://auth-callback:80?state=state-1&code=" + code, 1, false},
      {"empty port", "brelva-tavro://auth-callback:?state=state-1&code=" + code, 1, false},
      {"user", "brelva-tavro://me@auth-callback?state=state-1&code=" + code, 1, false},
      {"empty user", "brelva-tavro://@auth-callback?state=state-1&code=" + code, 1, false},
      {"fragment", good + "#x", 1, false},
      {"empty fragment", good + "#", 1, false},
      {"no authority", "brelva-tavro:auth-callback?state=state-1&code=" + code, 1, false},
      {"no query", "brelva-tavro://auth-callback", 1, false},
      {"empty query", "brelva-tavro://auth-callback?", 1, false},
      {"third item", good + "&x=1", 1, false},
      {"empty third item", good + "&", 1, false},
      {"state twice", callback("state=state-1&state=state-1&code=" + code), 1, false},
      {"code twice", callback("state=state-1&code=" + code + "&code=" + code), 1, false},
      {"state in other case", callback("state=State-1&code=" + code), 1, false},
      {"state without value", callback("state&code=" + code), 1, false},
      {"code with upper case", callback("state=state-1&code=" + code.substr(0, 63) + "A"), 1,
       false},
      {"code of 63", callback("state=state-1&code=" + code.substr(0, 63)), 1, false},
      {"code of 65", callback("state=state-1&code=" + code + "0"), 1, false},
      {"code with an escaped NUL", callback("state=state-1&code=" + code.substr(0, 63) + "%00"), 1,
       false},
      {"bad escape", callback("state=state-1%zz&code=" + code), 1, false},
      {"blank inside", callback("state=state 1&code=" + code), 1, false},
      {"not a URL", "state-1 " + code, 1, false},
      {"empty", "", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(login.code(c.url, after(c.seconds)),
              c.accepted ? std::optional<std::string>(code) : std::nullopt);
  }
}

// The page may hand back the state in another normalization form than the one
// it was sent in; it is still this attempt's state, as long as no letter
// changed case.
TEST(AccountBrowserLogin, StateComparesCanonicallyWithCaseCounting) {
  struct Case {
    const char* name;
    std::string state;
    std::string escapedReturn;
    bool accepted;
  };
  const Case cases[] = {
      {"composed sent, decomposed back", "\u00e9", "e%CC%81", true},
      {"decomposed sent, composed back", "acct-e\u0301", "acct-%C3%A9", true},
      {"same bytes", "\u00e9", "%C3%A9", true},
      {"upper-case letter back", "\u00e9", "%C3%89", false},
      {"upper-case decomposed back", "\u00e9", "E%CC%81", false},
      {"accent lost", "\u00e9", "e", false},
      {"ill-formed bytes back", "\u00e9", "%C3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AccountBrowserLogin attempt(c.state, login.verifier, started);
    EXPECT_EQ(attempt.code(callback("state=" + c.escapedReturn + "&code=" + code), after(1)),
              c.accepted ? std::optional<std::string>(code) : std::nullopt);
  }
}

TEST(AccountBrowserSession, UsesEachAttemptAtMostOnce) {
  const std::string good = callback("state=state-1&code=" + code);
  AccountBrowserSession session;
  EXPECT_EQ(session.consume(good, after(1)), std::nullopt);  // idle

  session.begin(login);
  EXPECT_EQ(session.consume(callback("state=other&code=" + code), after(1)), std::nullopt);
  EXPECT_EQ(session.pending(), login);  // a wrong callback leaves the attempt waiting
  EXPECT_EQ(session.consume(good, after(2)), (AccountSignInCode{code, login.verifier}));
  EXPECT_EQ(session.pending(), std::nullopt);
  EXPECT_EQ(session.consume(good, after(3)), std::nullopt);  // delivered twice

  // A new attempt replaces the old one: callbacks of the first fail on their state.
  session.begin(login);
  AccountBrowserLogin second("state-2", "verifier-2", after(10));
  session.begin(second);
  EXPECT_EQ(session.consume(good, after(11)), std::nullopt);
  EXPECT_EQ(session.consume(callback("state=state-2&code=" + code), after(11)),
            (AccountSignInCode{code, "verifier-2"}));

  // An expired attempt stays pending until cancelled, but nothing succeeds for it.
  session.begin(login);
  EXPECT_EQ(session.consume(good, after(600)), std::nullopt);
  EXPECT_EQ(session.pending(), login);
  session.cancel();
  EXPECT_EQ(session.pending(), std::nullopt);
  EXPECT_EQ(session.consume(good, after(1)), std::nullopt);
}

}  // namespace
}  // namespace tavro
