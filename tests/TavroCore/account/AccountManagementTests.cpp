#include "TavroCore/account/AccountManagement.h"

#include "AccountTestSupport.h"
#include "Support/Json.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>

#include <boost/url/parse.hpp>

#include <string>

namespace tavro {
namespace {

using AccountManagement::Endpoint;
using accounttest::token;

const std::string origin(configuration::accountServiceOrigin());

TEST(AccountManagementEndpoint, MapsExactRawValuesOnly) {
  EXPECT_EQ(AccountManagement::fromRawValue("password-reset"), Endpoint::passwordReset);
  for (Endpoint endpoint : {Endpoint::profile, Endpoint::security, Endpoint::activity,
                            Endpoint::logout, Endpoint::passwordReset}) {
    EXPECT_EQ(AccountManagement::fromRawValue(AccountManagement::rawValue(endpoint)), endpoint);
  }
  for (const char* text : {"passwordReset", "Profile", "profile ", "", "password_reset"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(AccountManagement::fromRawValue(text), std::nullopt);
  }
  EXPECT_EQ(AccountManagement::path(Endpoint::passwordReset), "/api/downloader/password-reset");
}

TEST(AccountManagementRequest, BuildsAnAuthorisedRequest) {
  platform::HTTPRequest plain = AccountManagement::request(Endpoint::activity, token, "GET");
  EXPECT_EQ(plain.url(), origin + "/api/downloader/activity");
  EXPECT_EQ(plain.method(), "GET");
  EXPECT_EQ(plain.headers(),
            (std::vector<platform::HTTPHeader>{{"Authorization", "Bearer " + token},
                                               {"Content-Type", "application/json"}}));
  EXPECT_EQ(plain.body(), std::nullopt);
  EXPECT_FALSE(plain.handlesCookies());
  EXPECT_EQ(plain.timeoutSeconds(), 60);
  EXPECT_EQ(AccountManagement::request(Endpoint::logout, token, "POST").body(), std::nullopt);

  const std::string device = "id&x=1+2 #\u00e9";
  std::map<std::string, std::string> fields = {{"code", "123456"}, {"note", "a \"b\""}};
  platform::HTTPRequest full =
      AccountManagement::request(Endpoint::security, token, "POST", fields, device);
  boost::urls::url_view url = boost::urls::parse_uri(full.url()).value();
  EXPECT_EQ(url.encoded_path(), "/api/downloader/security");
  std::vector<std::pair<std::string, std::string>> items;
  for (const boost::urls::param& item :
       url.params(boost::urls::encoding_opts(true, false, false))) {
    items.emplace_back(item.key, item.value);
  }
  EXPECT_EQ(items, (std::vector<std::pair<std::string, std::string>>{{"device", device}}));
  ASSERT_TRUE(full.body());
  json::Document body = json::Document::parse(*full.body());
  EXPECT_EQ(body.root().object().size(), 2u);
  EXPECT_EQ(body.root().object().string("code"), "123456");
  EXPECT_EQ(body.root().object().string("note"), "a \"b\"");
}

TEST(AccountManagementRequest, WantsAWellFormedToken) {
  for (std::string bad : {std::string(63, 'a') + "A", std::string(63, 'a'), std::string(),
                          token + "\n", std::string(32, 'a') + "\r\nX: " + std::string(27, 'a')}) {
    SCOPED_TRACE(bad);
    try {
      AccountManagement::request(Endpoint::profile, bad, "GET");
      ADD_FAILURE() << "built";
    } catch (const AccountServiceFailure& failure) {
      EXPECT_EQ(failure, AccountServiceFailure("Sign in first."));
    }
  }
  EXPECT_THROW(AccountManagement::request(Endpoint::profile, token, "GET",
                                          std::map<std::string, std::string>{{"a", "\xff"}}),
               std::exception);
}

TEST(AccountManagementSixDigitCode, TakesSixAsciiDigitsWithBlanksAround) {
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {"123456", true},       {"  123456 ", true},
      {"\n123456\r\n", true}, {"\u3000123456\u0085", true},
      {"12345", false},       {"1234567", false},
      {"123 456", false},     {"\uff11\uff12\uff13\uff14\uff15\uff16", false},
      {"+12345", false},      {"", false},
      {"12345\xff", false},   {std::string("12345\0", 6), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AccountManagement::isSixDigitCode(c.text), c.accepted);
  }
}

std::string deviceJson(std::string_view extra) {
  return R"({"id":"d1","device":"Laptop","platform":"macOS","current":false,"active":true)" +
         std::string(extra) + "}";
}

TEST(AccountManagementDevices, DecodesTheListInOrderOrFailsAsAWhole) {
  std::string reply =
      R"({"other":1,"devices":[)" +
      deviceJson(R"(,"client":null,"appVersion":"2.1","location":"Oslo")") + "," +
      R"({"id":"d2","device":"Phone","platform":"iOS","current":true,"active":true})" + "]}";
  std::vector<AccountDevice> list = AccountManagement::devices(reply);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, "d1");
  EXPECT_EQ(list[0].client, std::nullopt);
  EXPECT_EQ(list[0].appVersion, "2.1");
  EXPECT_EQ(list[0].location, "Oslo");
  EXPECT_EQ(list[1].id, "d2");
  EXPECT_TRUE(list[1].current);
  EXPECT_TRUE(AccountManagement::devices(R"({"devices":[]})").empty());

  const std::string refused[] = {
      R"({"devices":[{"id":"d1","device":"Laptop","current":false,"active":true}]})",  // no
                                                                                       // platform
      "{\"devices\":[" + deviceJson("") +
          R"(,{"id":"d2","device":"P","platform":"p","current":null,"active":true}]})",
      "{\"devices\":[" + deviceJson(R"(,"client":7)") + "]}",
      R"({"devices":[{"id":1,"device":"L","platform":"p","current":false,"active":true}]})",
      R"({"devices":[{"id":"d","device":"L","platform":"p","current":"false","active":true}]})",
      R"({"devices":{}})",
      R"({"devices":null})",
      R"({"list":[]})",
      R"([])",
      "not json",
      std::string(10000, '[') + std::string(10000, ']'),
      R"({"devices":[], "pad":")" + std::string(AccountManagement::maximumDeviceListBytes, 'x') +
          "\"}",
  };
  for (const std::string& data : refused) {
    SCOPED_TRACE(data.substr(0, 80));
    EXPECT_THROW(AccountManagement::devices(data), json::DecodingError);
  }
}

TEST(AccountDevice, DerivesItsLabels) {
  AccountDevice device;
  device.device = "Laptop";
  device.appVersion = "2.1";
  EXPECT_EQ(device.clientLabel(), "Laptop 2.1");
  device.client = "BRELVA Tavro";
  EXPECT_EQ(device.clientLabel(), "BRELVA Tavro 2.1");
  device.appVersion.reset();
  EXPECT_EQ(device.clientLabel(), "BRELVA Tavro");
  device.client = "";
  device.appVersion = "";
  EXPECT_EQ(device.clientLabel(), " ");

  struct Location {
    std::optional<std::string> location, maskedIP, label;
  };
  const Location locations[] = {
      {"Unknown", std::nullopt, std::nullopt},      {"Unknown", "10.0.*.*", "10.0.*.*"},
      {"Oslo", "10.0.*.*", "Oslo \u00b7 10.0.*.*"}, {"", "10.0.*.*", "10.0.*.*"},
      {"unknown", std::nullopt, "unknown"},         {"Oslo", "", "Oslo"},
      {std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Location& l : locations) {
    SCOPED_TRACE(l.location.value_or("-") + " " + l.maskedIP.value_or("-"));
    AccountDevice d;
    d.location = l.location;
    d.maskedIP = l.maskedIP;
    EXPECT_EQ(d.locationLabel(), l.label);
  }

  struct Name {
    std::optional<std::string> client;
    std::string device;
    bool tavro;
  };
  const Name names[] = {
      {std::nullopt, "BRELVA Tavro", true},
      {std::nullopt, "brelva-tavro", true},
      {std::nullopt, "BRELVA Tavro 2.4.1 (25)", true},
      {std::nullopt, "BRELVA Tavro 2.4.1 (arm64)", false},  // "arm" adds letters
      {std::nullopt, "  B.R.E.L.V.A. t_a_v_r_o!", true},
      {"Brelva Tavro", "Some Laptop", true},
      {"Browser", "BRELVA Tavro", true},
      {std::nullopt, "BRELVA Tavro Beta", false},
      {std::nullopt, "BRELVA Tavro\u0301", false},  // the accent belongs to the letter
      {std::nullopt, "Tavro", false},
  };
  for (const Name& n : names) {
    SCOPED_TRACE(n.device);
    AccountDevice d;
    d.client = n.client;
    d.device = n.device;
    EXPECT_EQ(d.isTavro(), n.tavro);
  }

  for (auto [current, active, canSignOut] :
       {std::tuple{false, true, true}, std::tuple{true, true, false},
        std::tuple{false, false, false}, std::tuple{true, false, false}}) {
    AccountDevice d;
    d.current = current;
    d.active = active;
    EXPECT_EQ(d.canSignOut(), canSignOut);
  }
}

}  // namespace
}  // namespace tavro
