// The signed-in user as the account service reports them: an identifier, a
// display name and an e-mail address (empty when the service gave none).
// Decoding applies none of the rules of valid(): every operation that accepts
// a profile checks it itself.
#pragma once

#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

struct AccountProfile {
  static constexpr std::size_t maximumIDCharacters = 256;
  static constexpr std::size_t maximumNameCharacters = 256;
  static constexpr std::size_t maximumEmailCharacters = 320;

  std::string id;     // as the service issues it; compared exactly, letter case included
  std::string name;   // display name
  std::string email;  // empty when the service gave none

  AccountProfile() = default;
  // Stores the three texts unchanged; no checks.
  AccountProfile(std::string id, std::string name, std::string email)
      : id(std::move(id)), name(std::move(name)), email(std::move(email)) {}

  // True when `id` is 1 to 256 characters without a control or format
  // character (categories Cc, Cf), `name` is 1 to 256 characters (any), and
  // `email` is empty or passes validEmail.
  bool valid() const;

  // SHA-256 of `id` as 64 lower-case hexadecimal digits: a fixed-length key
  // per account, the same for every profile of it.
  std::string partition() const;

  // At most 320 characters, and the whole text is one or more characters
  // other than "@", white space, "<" and ">", one "@", then again one or
  // more such characters. No dot or domain rule.
  static bool validEmail(std::string_view text);

  // The object {"id", "name", "email"}, keys in that order, each a string.
  // Throws nlohmann's type_error when a field is not well-formed UTF-8.
  json::OrderedJson json() const;
  std::string encode() const;

  // All three keys are required strings; other keys are ignored. Throws
  // json::DecodingError otherwise.
  static AccountProfile decode(const json::Value& value);
  static AccountProfile decode(std::string_view json);

  // Field by field, texts compared as canonically equivalent Unicode.
  friend bool operator==(const AccountProfile& a, const AccountProfile& b);
};

}  // namespace tavro
