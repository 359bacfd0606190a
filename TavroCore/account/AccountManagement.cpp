#include "TavroCore/account/AccountManagement.h"

#include "Support/JsonEncoding.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/QueryText.h"

#include <algorithm>

namespace tavro::AccountManagement {

std::string_view rawValue(Endpoint endpoint) {
  switch (endpoint) {
    case Endpoint::profile:
      return "profile";
    case Endpoint::security:
      return "security";
    case Endpoint::activity:
      return "activity";
    case Endpoint::logout:
      return "logout";
    case Endpoint::passwordReset:
      return "password-reset";
  }
  return "profile";
}

std::optional<Endpoint> fromRawValue(std::string_view text) {
  for (Endpoint endpoint : {Endpoint::profile, Endpoint::security, Endpoint::activity,
                            Endpoint::logout, Endpoint::passwordReset}) {
    if (rawValue(endpoint) == text) return endpoint;
  }
  return std::nullopt;
}

std::string path(Endpoint endpoint) {
  return "/api/downloader/" + std::string(rawValue(endpoint));
}

platform::HTTPRequest request(Endpoint endpoint, std::string_view token, std::string_view method,
                              const std::optional<std::map<std::string, std::string>>& fields,
                              const std::optional<std::string>& device) {
  if (!AccountService::validToken(token))
    throw AccountServiceFailure(std::string(signInFirstMessage));
  std::optional<std::string> body;
  if (fields) {
    json::OrderedJson object = json::OrderedJson::object();
    for (const auto& [name, value] : *fields) object[name] = value;
    body = json::encode(object);
  }
  boost::urls::url url = AccountService::serviceURL(path(endpoint));
  if (device) url.set_encoded_query(querytext::items({{"device", *device}}));
  platform::HTTPRequest request{std::string(url.buffer())};
  request.setMethod(std::string(method));
  request.setHeader("Authorization", "Bearer " + std::string(token));
  request.setHeader("Content-Type", "application/json");
  request.setBody(std::move(body));
  return request;
}

std::vector<AccountDevice> devices(std::string_view data) {
  if (data.size() > maximumDeviceListBytes) {
    throw json::DecodingError("The device list is larger than 128000 bytes.");
  }
  json::Document document = json::Document::parse(data);
  std::vector<json::Value> entries = document.root().object().array("devices").elements();
  std::vector<AccountDevice> out;
  out.reserve(entries.size());
  for (const json::Value& entry : entries) out.push_back(AccountDevice::decode(entry));
  return out;
}

bool isSixDigitCode(std::string_view text) {
  std::string code = accounttext::trimmed(text);
  return code.size() == 6 &&
         std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

AccountProfile resolveProfile(const AccountProfile& profile,
                              const std::optional<AccountProfile>& previous) {
  if (!profile.email.empty()) return profile;
  if (previous && accounttext::sameText(previous->id, profile.id) &&
      AccountProfile::validEmail(previous->email)) {
    return AccountProfile(profile.id, profile.name, previous->email);
  }
  return profile;
}

}  // namespace tavro::AccountManagement
