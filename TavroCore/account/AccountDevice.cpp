#include "TavroCore/account/AccountDevice.h"

#include "Support/Text.h"

#include <string_view>
#include <vector>

namespace tavro {
namespace {

bool namesTavro(const std::string& text) {
  constexpr std::string_view name = "brelvatavro";
  // A character counts as a letter by its first code point, so a letter with
  // an accent is kept whole and does not reduce to the bare letter.
  std::string letters;
  for (const std::string& character : text::graphemes(text::lowercased(text))) {
    std::vector<char32_t> points = text::codePoints(character);
    if (points.empty() || !text::isLetter(points.front())) continue;
    letters += character;
    if (letters.size() > name.size()) return false;
  }
  return letters == name;
}

}  // namespace

std::string AccountDevice::clientLabel() const {
  std::string label = client ? *client : device;
  if (appVersion) label += " " + *appVersion;
  return label;
}

std::optional<std::string> AccountDevice::locationLabel() const {
  std::string label;
  if (location && *location != "Unknown" && !location->empty()) label = *location;
  if (maskedIP && !maskedIP->empty()) {
    if (!label.empty()) label += " \u00b7 ";
    label += *maskedIP;
  }
  if (label.empty()) return std::nullopt;
  return label;
}

bool AccountDevice::isTavro() const {
  return (client && namesTavro(*client)) || namesTavro(device);
}

AccountDevice AccountDevice::decode(const json::Value& value) {
  json::Object object = value.object();
  AccountDevice out;
  out.id = object.string("id");
  out.device = object.string("device");
  out.platform = object.string("platform");
  out.current = object.boolean("current");
  out.active = object.boolean("active");
  out.client = object.optionalString("client");
  out.appVersion = object.optionalString("appVersion");
  out.deviceModel = object.optionalString("deviceModel");
  out.location = object.optionalString("location");
  out.maskedIP = object.optionalString("maskedIP");
  out.loginAt = object.optionalString("loginAt");
  out.lastSeen = object.optionalString("lastSeen");
  out.provider = object.optionalString("provider");
  return out;
}

}  // namespace tavro
