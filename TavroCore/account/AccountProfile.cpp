#include "TavroCore/account/AccountProfile.h"

#include "Support/Regex.h"
#include "Support/Sha256.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountText.h"

namespace tavro {

bool AccountProfile::valid() const {
  if (id.empty() || accounttext::hasControlOrFormat(id)) return false;
  if (text::graphemeCount(id) > maximumIDCharacters) return false;
  if (name.empty() || text::graphemeCount(name) > maximumNameCharacters) return false;
  return email.empty() || validEmail(email);
}

std::string AccountProfile::partition() const { return sha256::hex(id); }

bool AccountProfile::validEmail(std::string_view text) {
  // Counting characters walks the text once; a longer text never reaches the
  // pattern. A byte count of at most 320 already bounds the characters.
  if (text.size() > maximumEmailCharacters && text::graphemeCount(text) > maximumEmailCharacters) {
    return false;
  }
  static const WholeMatchRegex pattern(R"([^@\s<>]+@[^@\s<>]+)");
  return pattern.matches(text);
}

json::OrderedJson AccountProfile::json() const {
  json::OrderedJson object = json::OrderedJson::object();
  object["id"] = id;
  object["name"] = name;
  object["email"] = email;
  return object;
}

std::string AccountProfile::encode() const { return json::encode(json()); }

AccountProfile AccountProfile::decode(const json::Value& value) {
  json::Object object = value.object();
  std::string id = object.string("id");
  std::string name = object.string("name");
  std::string email = object.string("email");
  return AccountProfile(std::move(id), std::move(name), std::move(email));
}

AccountProfile AccountProfile::decode(std::string_view text) {
  json::Document document = json::Document::parse(text);
  return decode(document.root());
}

bool operator==(const AccountProfile& a, const AccountProfile& b) {
  return accounttext::sameText(a.id, b.id) && accounttext::sameText(a.name, b.name) &&
         accounttext::sameText(a.email, b.email);
}

}  // namespace tavro
