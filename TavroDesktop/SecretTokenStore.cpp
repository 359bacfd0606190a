#include "TavroDesktop/SecretTokenStore.h"

#include "TavroCore/account/AccountService.h"

// No Qt header in this file: GLib's headers use names Qt defines as macros.
#include <gio/gio.h>
#include <libsecret/secret.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

namespace tavro::desktop {
namespace {

const SecretSchema& tokenSchema() {
  static const SecretSchema schema = [] {
    SecretSchema made{};
    made.name = secretSchemaName;
    made.flags = SECRET_SCHEMA_NONE;
    made.attributes[0] = {secretFolderAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
    made.attributes[1] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return made;
  }();
  return schema;
}

// A cancellable that a watchdog thread cancels once `bound` has passed,
// unless the call it guards returned first. The sync calls of GLib and
// libsecret run their own main loop, so no timer of ours could fire inside
// them; a cancellation from another thread is what they are made to honour.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds bound)
      : cancellable_(g_cancellable_new()), watchdog_([this, bound] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!finished_.wait_for(lock, bound, [this] { return done_; }))
            g_cancellable_cancel(cancellable_);
        }) {}
  ~Deadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    finished_.notify_one();
    watchdog_.join();
    g_object_unref(cancellable_);
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

  GCancellable* cancellable() const { return cancellable_; }

 private:
  GCancellable* cancellable_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::thread watchdog_;  // last: starts once the members it uses exist
};

// The attributes naming one folder's token; the table borrows `folder`.
class Attributes {
 public:
  explicit Attributes(const std::string& folder) : table_(g_hash_table_new(g_str_hash, g_str_equal)) {
    g_hash_table_insert(table_, const_cast<char*>(secretFolderAttribute),
                        const_cast<char*>(folder.c_str()));
  }
  ~Attributes() { g_hash_table_unref(table_); }
  Attributes(const Attributes&) = delete;
  Attributes& operator=(const Attributes&) = delete;

  GHashTable* table() const { return table_; }

 private:
  GHashTable* table_;
};

// The failure text of `error` (consumed). The service's own text is kept
// for the learner, except in the unlikely case that it repeats the token.
std::string failureText(GError* error, const std::string& token = {}) {
  std::string text;
  if (error == nullptr) {
    text = "the system's keyring refused";
  } else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    text = "the system's keyring did not answer in time";
  } else {
    std::string detail = error->message != nullptr ? error->message : "";
    if (!token.empty() && detail.find(token) != std::string::npos) detail = "no reason given";
    text = "the system's keyring refused: " + detail;
  }
  if (error != nullptr) g_error_free(error);
  return text;
}

// Calls `method` of the bus itself with one string argument.
GVariant* askBus(GDBusConnection* connection, const char* method, GVariant* arguments,
                 const GVariantType* replyType, std::chrono::milliseconds bound,
                 GCancellable* cancellable) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
      arguments, replyType, G_DBUS_CALL_FLAGS_NONE, static_cast<int>(bound.count()), cancellable,
      &error);
  if (error != nullptr) g_error_free(error);
  return reply;
}

}  // namespace

bool secretServiceAnswers(std::chrono::milliseconds bound) {
  // Without the variable GLib would look for a bus elsewhere or even start
  // one; a session without it has no keyring for us.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') return false;
  Deadline deadline(bound);
  GError* error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, deadline.cancellable(), &error);
  if (connection == nullptr) {
    if (error != nullptr) g_error_free(error);
    return false;
  }
  bool answers = false;
  if (GVariant* owned = askBus(connection, "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"),
                               G_VARIANT_TYPE("(b)"), bound, deadline.cancellable())) {
    gboolean hasOwner = FALSE;
    g_variant_get(owned, "(b)", &hasOwner);
    g_variant_unref(owned);
    answers = hasOwner != FALSE;
  }
  // A keyring the bus starts on demand answers once started; a bus that
  // knows no such service answers this at once with an error.
  if (!answers && !g_cancellable_is_cancelled(deadline.cancellable())) {
    if (GVariant* started = askBus(connection, "StartServiceByName",
                                   g_variant_new("(su)", "org.freedesktop.secrets", 0u),
                                   G_VARIANT_TYPE("(u)"), bound, deadline.cancellable())) {
      answers = true;
      g_variant_unref(started);
    }
  }
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  g_object_unref(connection);
  return answers;
}

SecretTokenStore::SecretTokenStore(const std::filesystem::path& configFolder)
    : folder_(std::filesystem::absolute(configFolder).lexically_normal().string()) {}

std::optional<std::string> SecretTokenStore::read() {
  Deadline deadline(secretServiceBound);
  Attributes attributes(folder_);
  GError* error = nullptr;
  gchar* stored = secret_password_lookupv_sync(&tokenSchema(), attributes.table(),
                                               deadline.cancellable(), &error);
  if (error != nullptr) g_error_free(error);
  if (stored == nullptr) return std::nullopt;
  std::string token = stored;
  secret_password_free(stored);
  // Another program may have stored anything under our schema.
  if (!AccountService::validToken(token)) return std::nullopt;
  return token;
}

std::optional<std::string> SecretTokenStore::write(const std::string& token) {
  if (!AccountService::validToken(token)) return "not a session token";
  Deadline deadline(secretServiceBound);
  Attributes attributes(folder_);
  GError* error = nullptr;
  if (!secret_password_storev_sync(&tokenSchema(), attributes.table(), SECRET_COLLECTION_DEFAULT,
                                   secretLabel, token.c_str(), deadline.cancellable(), &error))
    return failureText(error, token);
  return std::nullopt;
}

std::optional<std::string> SecretTokenStore::remove() {
  Deadline deadline(secretServiceBound);
  Attributes attributes(folder_);
  GError* error = nullptr;
  // False without an error means nothing was stored: not a failure.
  secret_password_clearv_sync(&tokenSchema(), attributes.table(), deadline.cancellable(), &error);
  if (error != nullptr) return failureText(error);
  return std::nullopt;
}

HostMessage SecretTokenStore::where() const {
  return HostMessage("the system's keyring");
}

DesktopTokenStore::DesktopTokenStore(std::optional<SecretTokenStore> keyring,
                                     const std::filesystem::path& configFolder)
    : keyring_(std::move(keyring)), file_(configFolder) {}

std::optional<std::string> DesktopTokenStore::read() {
  if (keyring_) {
    if (std::optional<std::string> token = keyring_->read()) return token;
  }
  return file_.read();
}

std::optional<std::string> DesktopTokenStore::write(const std::string& token) {
  if (!keyring_) return file_.write(token);
  if (std::optional<std::string> failure = keyring_->write(token)) return failure;
  // The keyring's token is read first, so a file that stays behind (its
  // removal failed) never shadows it; sign-out tries to remove it again.
  file_.remove();
  return std::nullopt;
}

std::optional<std::string> DesktopTokenStore::remove() {
  std::optional<std::string> failure;
  if (keyring_) failure = keyring_->remove();
  std::optional<std::string> fileFailure = file_.remove();
  if (!failure && fileFailure)
    failure = "the token file " + file_.file().string() + " could not be removed (" + *fileFailure + ")";
  return failure;
}

HostMessage DesktopTokenStore::where() const {
  if (keyring_) return keyring_->where();
  return file_.where();
}

std::unique_ptr<DesktopTokenStore> chooseTokenStore(const StoragePaths& paths) {
  std::optional<SecretTokenStore> keyring;
  if (secretServiceAnswers()) keyring.emplace(paths.configFolder);
  return std::make_unique<DesktopTokenStore>(std::move(keyring), paths.configFolder);
}

}  // namespace tavro::desktop
