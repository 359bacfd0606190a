// Where the desktop tutor keeps the session token: in the system's keyring
// (the Secret Service, through libsecret) when one answers on the session
// bus, otherwise in the owner-only file the terminal tutor uses. Every call
// to the Secret Service is bounded in time, so a bus that does not answer
// costs the window at most a couple of seconds, never a hang. The token is
// never part of a message.
#pragma once

#include "TavroHost/HostMessage.h"
#include "TavroHost/Storage.h"
#include "TavroHost/TokenStore.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tavro::desktop {

// The longest any one exchange with the Secret Service may take. An unlock
// prompt the learner has not answered by then counts as no answer.
inline constexpr std::chrono::milliseconds secretServiceBound{2000};

// The schema of the stored token and its one attribute: the config folder
// the token belongs to, so that two --data-dir trees never share a token.
inline constexpr const char* secretSchemaName = "org.brelva.Tavro.SessionToken";
inline constexpr const char* secretFolderAttribute = "config-folder";
inline constexpr const char* secretLabel = "Tavro session token";

// True when a Secret Service answers on the session bus within `bound`:
// DBUS_SESSION_BUS_ADDRESS is set, the bus answers, and the service's name
// has an owner (or the bus starts it). Asks over a connection of its own, so
// the answer follows the variable as it is now.
bool secretServiceAnswers(std::chrono::milliseconds bound = secretServiceBound);

// The token in the Secret Service for one config folder.
class SecretTokenStore : public TokenStore {
 public:
  explicit SecretTokenStore(const std::filesystem::path& configFolder);

  // The stored token, or nothing when none is stored, the stored value is
  // not a token, or the service did not answer.
  std::optional<std::string> read() override;
  // Stores `token` in the default collection (replacing the folder's token).
  // The failure, or nothing on success.
  std::optional<std::string> write(const std::string& token) override;
  // Removes the folder's token; nothing stored is no failure.
  std::optional<std::string> remove() override;
  // "the system's keyring"
  HostMessage where() const override;

  // The attribute value the token is kept under.
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

// The store the window uses: the keyring with the token file behind it, or
// the token file alone.
//
// A learner signed in by the terminal tutor has the token in the file. With
// the keyring in use, reading takes the keyring's token and, when there is
// none, the file's; a new token goes to the keyring, and the file's token is
// removed only once the keyring holds the new one, so no step loses the
// session. Removing clears both.
class DesktopTokenStore : public TokenStore {
 public:
  // The keyring when given, and the token file of `configFolder`.
  DesktopTokenStore(std::optional<SecretTokenStore> keyring, const std::filesystem::path& configFolder);

  // False when the token lives in the file: the account page says so.
  bool usesKeyring() const { return keyring_.has_value(); }

  std::optional<std::string> read() override;
  // The failure, or nothing on success.
  std::optional<std::string> write(const std::string& token) override;
  // Removes the token wherever it is; the first failure, or nothing.
  std::optional<std::string> remove() override;
  // The keyring's name, or the file's path.
  HostMessage where() const override;

 private:
  std::optional<SecretTokenStore> keyring_;
  FileTokenStore file_;
};

// The keyring store when a Secret Service answers, otherwise the token file
// in `paths.configFolder` alone.
std::unique_ptr<DesktopTokenStore> chooseTokenStore(const StoragePaths& paths);

}  // namespace tavro::desktop
