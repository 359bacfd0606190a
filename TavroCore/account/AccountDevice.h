// One sign-in of the account as the activity page lists it, with the labels
// the device list shows. Only decoded, never encoded; texts are taken as they
// come ("loginAt" and "lastSeen" are not parsed).
#pragma once

#include "Support/Json.h"

#include <optional>
#include <string>

namespace tavro {

struct AccountDevice {
  std::string id;                          // the sign-in's identifier; its identity in lists
  std::string device;                      // name of the device or client as the service records it
  std::string platform;                    // operating system or platform
  bool current = false;                    // the service marks this sign-in as the current one
  bool active = false;                     // the service marks this sign-in as active
  std::optional<std::string> client;       // the application that signed in
  std::optional<std::string> appVersion;   // that application's version
  std::optional<std::string> deviceModel;  // hardware model
  std::optional<std::string> location;     // approximate location, or "Unknown"
  std::optional<std::string> maskedIP;     // network address with parts hidden
  std::optional<std::string> loginAt;      // when the sign-in happened, as written
  std::optional<std::string> lastSeen;     // when it was last used, as written
  std::optional<std::string> provider;     // how the user signed in

  // `client` when present (even empty), else `device`; then one blank and
  // `appVersion` when that is present (even empty).
  std::string clientLabel() const;

  // `location` (unless exactly "Unknown") and `maskedIP`, each left out when
  // absent or empty, joined by " · "; absent when neither remains.
  std::optional<std::string> locationLabel() const;

  // True when `client` (if present) or `device`, lower-cased and reduced to
  // its letters (of any script), is "brelvatavro": the application's own
  // name in any case, spacing or punctuation, with or without a version.
  bool isTavro() const;

  // Active and not the current sign-in.
  bool canSignOut() const { return active && !current; }

  // One device object: "id", "device", "platform" (strings), "current",
  // "active" (booleans) required; the other keys optional strings, null
  // meaning absent. Throws json::DecodingError otherwise.
  static AccountDevice decode(const json::Value& value);

  friend bool operator==(const AccountDevice&, const AccountDevice&) = default;
};

}  // namespace tavro
