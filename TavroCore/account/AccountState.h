// The part of the account connection that survives a restart: the signed-in
// profile and when the last cloud sync finished. The session token is never
// part of it (the host keeps that in its credential store). The state is kept
// as one data value, its JSON form, under "tavroAccountState" in the
// user-defaults store the host passes in.
#pragma once

#include "Platform/UserDefaults.h"
#include "Support/Date.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/account/AccountProfile.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

struct AccountState {
  static constexpr std::string_view defaultsKey = "tavroAccountState";

  std::optional<AccountProfile> profile;  // absent when signed out
  std::optional<Date> lastSync;           // when the last cloud sync finished; set by the host

  AccountState() = default;
  explicit AccountState(std::optional<AccountProfile> profile,
                        std::optional<Date> lastSync = std::nullopt)
      : profile(std::move(profile)), lastSync(lastSync) {}

  // The state stored in `defaults`, or a new (signed-out) state when there is
  // no data value under the key or it does not decode. Never fails; valid()
  // is not applied, so a stored profile comes back as it was written.
  static AccountState load(const platform::UserDefaults& defaults);

  // Stores the JSON form under the key, replacing any earlier value. When
  // encoding fails (a non-finite lastSync, a text that is not UTF-8) the
  // failure passes on and the stored value is left as it was.
  void save(platform::UserDefaults& defaults) const;

  // Takes a profile the service has confirmed. Throws BackupFailure.invalid,
  // changing nothing, when it fails valid(). lastSync is kept only when the
  // current profile has the same id and the same address ignoring case;
  // another account or a changed address forgets it.
  void acceptVerifiedProfile(const AccountProfile& profile);

  // Signs out: clears both fields, removes the stored value, then runs
  // `clearCredentials`. True when that completed, false when it threw; its
  // failure is not passed on and the first two steps stand either way.
  bool clearSession(platform::UserDefaults& defaults,
                    const std::function<void()>& clearCredentials);

  // {"profile": {...}, "lastSync": seconds since 2001-01-01 UTC}, each key
  // left out when its field is absent. Throws json::EncodingError for a
  // non-finite lastSync and nlohmann's type_error for text that is not UTF-8.
  json::OrderedJson json() const;
  std::string encode() const;

  // A missing or null key reads as absent; a present one must have its type.
  // Throws json::DecodingError otherwise.
  static AccountState decode(const json::Value& value);
  static AccountState decode(std::string_view json);

  friend bool operator==(const AccountState&, const AccountState&) = default;
};

}  // namespace tavro
