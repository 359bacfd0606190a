#include "TavroCore/account/AccountState.h"

#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountText.h"

#include <variant>

namespace tavro {

AccountState AccountState::load(const platform::UserDefaults& defaults) {
  std::optional<platform::DefaultsData> data = defaults.data(defaultsKey);
  if (!data) return AccountState();
  try {
    return decode(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  } catch (const json::DecodingError&) {
    return AccountState();
  }
}

void AccountState::save(platform::UserDefaults& defaults) const {
  std::string bytes = encode();
  defaults.set(defaultsKey, platform::DefaultsData(bytes.begin(), bytes.end()));
}

void AccountState::acceptVerifiedProfile(const AccountProfile& accepted) {
  if (!accepted.valid()) throw BackupFailure::invalid();
  bool sameAccount =
      profile && accounttext::sameText(profile->id, accepted.id) &&
      accounttext::sameText(text::lowercased(profile->email), text::lowercased(accepted.email));
  if (!sameAccount) lastSync.reset();
  profile = accepted;
}

bool AccountState::clearSession(platform::UserDefaults& defaults,
                                const std::function<void()>& clearCredentials) {
  profile.reset();
  lastSync.reset();
  defaults.removeValue(defaultsKey);
  try {
    if (clearCredentials) clearCredentials();
    return true;
  } catch (...) {
    return false;
  }
}

json::OrderedJson AccountState::json() const {
  json::OrderedJson object = json::OrderedJson::object();
  if (profile) object["profile"] = profile->json();
  if (lastSync) object["lastSync"] = json::finite(lastSync->secondsSinceReferenceDate, "lastSync");
  return object;
}

std::string AccountState::encode() const {
  return json::encode(json());
}

AccountState AccountState::decode(const json::Value& value) {
  json::Object object = value.object();
  AccountState state;
  if (std::optional<json::Value> stored = object.optional("profile"))
    state.profile = AccountProfile::decode(*stored);
  if (std::optional<double> seconds = object.optionalNumber("lastSync"))
    state.lastSync = Date{*seconds};
  return state;
}

AccountState AccountState::decode(std::string_view text) {
  json::Document document = json::Document::parse(text);
  return decode(document.root());
}

}  // namespace tavro
