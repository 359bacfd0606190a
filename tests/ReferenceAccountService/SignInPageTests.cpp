// The development sign-in page the tutor opens in the browser: it shows
// what it was given only escaped, refuses anything but the tutor's own
// request (never redirecting a browser where a link said), and its approval
// sends the browser to a callback the tutor accepts with a code that signs
// in the approved account, for the verifier of the page's challenge only.
#include "ServiceFixture.h"

#include "ReferenceAccountService/ServiceRequests.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavro {
namespace {

const std::string verifier = "page-verifier-" + std::string(40, 'k');
const std::string challenge = AccountBrowserLogin::challenge(verifier);
const std::string callback = "brelva-tavro%3A%2F%2Fauth-callback";

// The query of the page the tutor opens for `login`.
std::string pageQuery(const AccountBrowserLogin& login) {
  return std::string(login.url().encoded_query());
}

TEST(SignInPage, ShowsTheTutorsValuesOnlyEscapedAndRunsNothing) {
  testing::ServiceFixture fixture;
  const AccountBrowserLogin login("\"><script>alert('x')</script>&amp;", verifier, Date::now());
  const testing::BrowserReply page =
      testing::browserRequest(fixture.port(), "GET", "/account?" + pageQuery(login));
  ASSERT_EQ(page.status, 200) << page.body;
  EXPECT_EQ(page.header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(page.header("X-Frame-Options"), "DENY");
  EXPECT_NE(page.header("Content-Security-Policy").value_or("").find("default-src 'none'"),
            std::string::npos);
  // The state comes back in the form exactly, as an attribute it cannot leave.
  EXPECT_NE(page.body.find("name=\"state\" value=\"&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)"
                           "&lt;/script&gt;&amp;amp;\""),
            std::string::npos)
      << page.body;
  EXPECT_NE(page.body.find("name=\"challenge\" value=\"" + challenge + "\""), std::string::npos);
  EXPECT_EQ(page.body.find("<script"), std::string::npos) << page.body;
  EXPECT_NE(page.body.find("<form method=\"post\" action=\"/account\">"), std::string::npos);
  EXPECT_NE(page.body.find("name=\"email\""), std::string::npos);
}

TEST(SignInPage, RefusesAnythingButTheTutorsOwnRequest) {
  testing::ServiceFixture fixture;
  const std::string state = "state=s-1";
  const std::string good =
      "app=tavro&" + state + "&challenge=" + challenge + "&redirect_uri=" + callback;
  const std::string account = "&email=aiko%40example.com&name=Aiko";
  struct Case {
    const char* name;
    const char* method;
    std::string query;  // the query of a GET, the form of a POST
    int status;
    std::string message;  // a part of the plain answer
    std::string type = "application/x-www-form-urlencoded";
  };
  const Case cases[] = {
      {"another app", "GET",
       "app=other&" + state + "&challenge=" + challenge + "&redirect_uri=" + callback, 400,
       "not for Tavro"},
      {"a foreign redirect", "GET",
       "app=tavro&" + state + "&challenge=" + challenge +
           "&redirect_uri=https%3A%2F%2Fevil.example%2Fsteal",
       400, "not the Tavro callback"},
      {"the callback with a path", "GET", good + "%2Fx", 400, "not the Tavro callback"},
      {"the callback in capitals", "GET",
       "app=tavro&" + state + "&challenge=" + challenge +
           "&redirect_uri=BRELVA-TAVRO%3A%2F%2Fauth-callback",
       400, "not the Tavro callback"},
      {"a short challenge", "GET",
       "app=tavro&" + state + "&challenge=" + challenge.substr(1) + "&redirect_uri=" + callback,
       400, "challenge is not valid"},
      {"a padded challenge", "GET",
       "app=tavro&" + state + "&challenge=" + challenge.substr(1) + "%3D&redirect_uri=" + callback,
       400, "challenge is not valid"},
      {"a base64 challenge", "GET",
       "app=tavro&" + state + "&challenge=%2B" + challenge.substr(1) + "&redirect_uri=" + callback,
       400, "challenge is not valid"},
      {"no state", "GET", "app=tavro&challenge=" + challenge + "&redirect_uri=" + callback, 400,
       "not valid"},
      {"an empty state", "GET",
       "app=tavro&state=&challenge=" + challenge + "&redirect_uri=" + callback, 400,
       "state is not valid"},
      {"a state with a line break", "GET",
       "app=tavro&state=a%0D%0ALocation%3A%20x&challenge=" + challenge +
           "&redirect_uri=" + callback,
       400, "state is not valid"},
      {"a state that is not UTF-8", "GET",
       "app=tavro&state=%FF&challenge=" + challenge + "&redirect_uri=" + callback, 400,
       "state is not valid"},
      {"a repeated state", "GET", good + "&state=s-2", 400, "an item twice"},
      {"a repeated redirect", "GET", good + "&redirect_uri=https%3A%2F%2Fevil.example", 400,
       "an item twice"},
      {"an unknown item", "GET", good + "&next=https%3A%2F%2Fevil.example", 400, "not valid"},
      {"a broken escape", "GET", good + "%G1", 400, "not valid"},
      {"a form for another app", "POST",
       "app=other&" + state + "&challenge=" + challenge + "&redirect_uri=" + callback + account,
       400, "not for Tavro"},
      {"a form with a foreign redirect", "POST",
       "app=tavro&" + state + "&challenge=" + challenge +
           "&redirect_uri=https%3A%2F%2Fevil.example" + account,
       400, "not the Tavro callback"},
      {"a form with a repeated challenge", "POST", good + account + "&challenge=" + challenge, 400,
       "an item twice"},
      {"a form with a repeated address", "POST", good + account + "&email=eve%40example.com", 400,
       "an item twice"},
      {"a form without an address", "POST", good + "&name=Aiko", 400, "not valid"},
      {"a form with no address in it", "POST", good + "&email=aiko&name=Aiko", 400,
       "e-mail address"},
      {"a form with an empty name", "POST", good + "&email=aiko%40example.com&name=", 400,
       "e-mail address"},
      {"a form that is not form-encoded", "POST", good + account, 400, "not valid",
       "application/json"},
      {"an over-long form", "POST",
       good + account + "&pad=" + std::string(reference::limits::maximumSignInFormBytes, 'x'), 413,
       "too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool post = std::string(c.method) == "POST";
    const testing::BrowserReply reply =
        post ? testing::browserRequest(fixture.port(), "POST", "/account", c.query, c.type)
             : testing::browserRequest(fixture.port(), "GET", "/account?" + c.query);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    EXPECT_NE(reply.body.find(c.message), std::string::npos) << reply.body;
    EXPECT_EQ(reply.header("Location"), std::nullopt);
    // A refusal repeats nothing it was sent.
    EXPECT_EQ(reply.body.find("evil"), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find("<"), std::string::npos) << reply.body;
  }
}

// The decoders read their text and not a byte past it: each text here ends
// where its allocation does, with no NUL after it, so a read beyond it (as
// Boost.URL 1.81's parse_query makes) shows in the sanitizer build.
TEST(SignInPageDecoding, ReadsNotAByteBeyondItsText) {
  const std::string query =
      "app=tavro&state=s&challenge=" + challenge + "&redirect_uri=" + callback;
  const std::vector<char> page(query.begin(), query.end());
  auto request = reference::parseSignInPageQuery(std::string_view(page.data(), page.size()));
  ASSERT_TRUE(std::holds_alternative<reference::SignInPageRequest>(request));
  EXPECT_EQ(std::get<reference::SignInPageRequest>(request).state, "s");

  const std::string text = query + "&email=a%40b&name=A";
  const std::vector<char> form(text.begin(), text.end());
  auto approval = reference::parseSignInApprovalForm(std::string_view(form.data(), form.size()));
  ASSERT_TRUE(std::holds_alternative<reference::SignInApproval>(approval));
  EXPECT_EQ(std::get<reference::SignInApproval>(approval).name, "A");
  // A query cut short of its last item lacks it.
  EXPECT_EQ(std::get<reference::SignInPageRefusal>(reference::parseSignInPageQuery(
                std::string_view(page.data(), query.find("&redirect_uri")))),
            reference::SignInPageRefusal::malformed);
}

TEST(SignInPage, ApprovalSendsTheBrowserToACallbackWhoseCodeSignsInTheAccount) {
  testing::ServiceFixture fixture;
  platform::HTTPTransport transport(fixture.transportOptions());
  // A state with the characters a form or a query could take apart.
  const AccountBrowserLogin login("st é&=#+1 %2B", verifier, Date::now());

  // The form the page posts: its hidden items as the tutor gave them, and
  // who signs in, typed with a blank that the form sends as "+".
  auto approve = [&](const AccountBrowserLogin& attempt, const std::string& email,
                     const std::string& name) {
    return testing::browserRequest(fixture.port(), "POST", "/account",
                                   pageQuery(attempt) + "&email=" + email + "&name=" + name);
  };
  const testing::BrowserReply approved = approve(login, "aiko%40example.com", "Aiko+Tanaka");
  ASSERT_EQ(approved.status, 303) << approved.body;
  const std::string location = approved.header("Location").value_or("");
  ASSERT_EQ(location.rfind("brelva-tavro://auth-callback?state=", 0), 0u) << location;
  // The page also links the callback, for a browser that does not follow it.
  std::string linked = location;
  linked.replace(linked.find("&code="), 1, "&amp;");
  EXPECT_NE(approved.body.find("href=\"" + linked + "\""), std::string::npos) << approved.body;

  std::optional<std::string> code = login.code(location, Date::now());
  ASSERT_TRUE(code) << location;
  platform::HTTPReply signIn = transport.perform(AccountService::exchangeRequest(*code, verifier));
  ASSERT_EQ(signIn.status, 200) << signIn.body;
  const AccountService::ExchangeReply reply =
      AccountService::decodeExchange(signIn.body, Date::now());
  EXPECT_EQ(reply.user.email, "aiko@example.com");
  EXPECT_EQ(reply.user.name, "Aiko Tanaka");
  platform::HTTPReply profile = transport.perform(AccountService::profileRequest(reply.token));
  ASSERT_EQ(profile.status, 200);
  EXPECT_EQ(AccountService::decodeProfile(profile.body, std::nullopt, Date::now()), reply.user);

  // The same address later is the same account, whatever name is typed;
  // its code is bound to that page's challenge, so another verifier gets
  // nothing and uses the code up.
  const AccountBrowserLogin again("second", verifier, Date::now());
  const testing::BrowserReply second = approve(again, "aiko%40example.com", "Someone+Else");
  ASSERT_EQ(second.status, 303) << second.body;
  std::optional<std::string> secondCode =
      again.code(second.header("Location").value_or(""), Date::now());
  ASSERT_TRUE(secondCode);
  EXPECT_NE(*secondCode, *code);
  EXPECT_EQ(transport.perform(AccountService::exchangeRequest(*secondCode, verifier + "x")).status,
            400);
  EXPECT_EQ(transport.perform(AccountService::exchangeRequest(*secondCode, verifier)).status, 400);

  const AccountBrowserLogin third("third", verifier, Date::now());
  const testing::BrowserReply thirdReply = approve(third, "aiko%40example.com", "Someone+Else");
  std::optional<std::string> thirdCode =
      third.code(thirdReply.header("Location").value_or(""), Date::now());
  ASSERT_TRUE(thirdCode);
  platform::HTTPReply thirdSignIn =
      transport.perform(AccountService::exchangeRequest(*thirdCode, verifier));
  ASSERT_EQ(thirdSignIn.status, 200) << thirdSignIn.body;
  EXPECT_EQ(AccountService::decodeExchange(thirdSignIn.body, Date::now()).user, reply.user);

  // Another address is another account.
  const AccountBrowserLogin other("other", verifier, Date::now());
  const testing::BrowserReply otherReply = approve(other, "ken%40example.com", "Ken");
  std::optional<std::string> otherCode =
      other.code(otherReply.header("Location").value_or(""), Date::now());
  ASSERT_TRUE(otherCode);
  platform::HTTPReply otherSignIn =
      transport.perform(AccountService::exchangeRequest(*otherCode, verifier));
  ASSERT_EQ(otherSignIn.status, 200) << otherSignIn.body;
  const AccountProfile ken = AccountService::decodeExchange(otherSignIn.body, Date::now()).user;
  EXPECT_EQ(ken.email, "ken@example.com");
  EXPECT_NE(ken.id, reply.user.id);
}

}  // namespace
}  // namespace tavro
