// Where a tutor keeps the session token between runs. The terminal keeps it
// in a file only its owner can read; the desktop keeps it in the system's
// secret store and falls back to that same file where none runs. The account
// operations reach the token only through this interface, so both tutors
// sign in and out through one implementation whatever the token's home.
#pragma once

#include "TavroHost/HostMessage.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tavro {

class TokenStore {
 public:
  virtual ~TokenStore() = default;

  // The kept token, or nothing when none is kept or what is kept is no
  // session token.
  virtual std::optional<std::string> read() = 0;
  // Keeps `token` in place of any kept before: all or nothing. Why it could
  // not be kept (never holding the token), or nothing on success.
  virtual std::optional<std::string> write(const std::string& token) = 0;
  // Forgets the kept token; nothing kept is no failure. Why it could not be
  // forgotten, or nothing on success.
  virtual std::optional<std::string> remove() = 0;
  // The place the token is kept, as words that fit in "kept in {1}": the
  // file's path, or the name of the secret store.
  virtual HostMessage where() const = 0;
};

// The token in the owner-only file of the config folder (`tokenFile`).
class FileTokenStore : public TokenStore {
 public:
  explicit FileTokenStore(const std::filesystem::path& configFolder);

  std::optional<std::string> read() override;
  std::optional<std::string> write(const std::string& token) override;
  std::optional<std::string> remove() override;
  // The file's path, as it is (a path is never translated).
  HostMessage where() const override;

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

}  // namespace tavro
