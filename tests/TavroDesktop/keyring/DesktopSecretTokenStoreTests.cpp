// The session token in the Secret Service. These tests write to a keyring,
// so they run only inside tests/TavroDesktop/tools/with-private-keyring (a
// D-Bus session and a gnome-keyring of their own) and fail at once anywhere
// else rather than touch the keyring of the person running them.
#include "TavroDesktop/SecretTokenStore.h"

#include "TavroHost/AccountFiles.h"
#include "TavroHost/Storage.h"
#include "common/TestSupport.h"

#include <libsecret/secret.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::ScopedVariable;
using tavro::testing::TemporaryDirectory;

const std::string tokenA(64, 'a');
const std::string tokenB = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// The schema as another program (a keyring browser) sees the token.
const SecretSchema& schema() {
  static const SecretSchema made = [] {
    SecretSchema value{};
    value.name = secretSchemaName;
    value.flags = SECRET_SCHEMA_NONE;
    value.attributes[0] = {secretFolderAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
    value.attributes[1] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return value;
  }();
  return made;
}

// What the keyring holds for `folder`, read past our store.
std::optional<std::string> storedFor(const std::string& folder) {
  GError* error = nullptr;
  gchar* value =
      secret_password_lookup_sync(&schema(), nullptr, &error, secretFolderAttribute, folder.c_str(), nullptr);
  if (error != nullptr) {
    ADD_FAILURE() << error->message;
    g_error_free(error);
  }
  if (value == nullptr) return std::nullopt;
  std::string text = value;
  secret_password_free(value);
  return text;
}

// Puts anything in the keyring under the token's schema, as another
// program could.
void storeRaw(const std::string& folder, const std::string& value) {
  GError* error = nullptr;
  gboolean stored = secret_password_store_sync(&schema(), SECRET_COLLECTION_DEFAULT, "planted", value.c_str(),
                                               nullptr, &error, secretFolderAttribute, folder.c_str(), nullptr);
  ASSERT_TRUE(stored) << (error != nullptr ? error->message : "");
}

class DesktopSecretTokenStore : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* inside = std::getenv("TAVRO_TEST_PRIVATE_KEYRING");
    ASSERT_TRUE(inside != nullptr && std::string(inside) == "1")
        << "run through tests/TavroDesktop/tools/with-private-keyring, never against your own keyring";
    ASSERT_TRUE(secretServiceAnswers()) << "the private Secret Service does not answer";
  }

  TemporaryDirectory folder;
  StoragePaths paths{folder / "data", folder / "config"};
};

TEST_F(DesktopSecretTokenStore, ATokenIsWrittenReadAndRemoved) {
  SecretTokenStore store(paths.configFolder);
  EXPECT_EQ(store.remove(), std::nullopt) << "nothing stored is no failure";
  EXPECT_EQ(store.read(), std::nullopt);

  EXPECT_EQ(store.write(tokenA), std::nullopt);
  EXPECT_EQ(storedFor(store.folder()), tokenA) << "kept under the schema and the folder";
  EXPECT_EQ(SecretTokenStore(paths.configFolder).read(), tokenA) << "read back by a new store";
  EXPECT_EQ(store.write(tokenB), std::nullopt);
  EXPECT_EQ(store.read(), tokenB) << "a new token replaces the old";

  std::optional<std::string> refused = store.write("not a token at all");
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->find("not a token at all"), std::string::npos) << *refused;
  EXPECT_EQ(store.read(), tokenB);

  EXPECT_EQ(store.remove(), std::nullopt);
  EXPECT_EQ(store.read(), std::nullopt);
  EXPECT_EQ(storedFor(store.folder()), std::nullopt);
  EXPECT_EQ(store.where().text(), "the system's keyring");
}

TEST_F(DesktopSecretTokenStore, TwoDataFoldersKeepTheirOwnTokens) {
  SecretTokenStore one(folder / "one");
  SecretTokenStore two(folder / "two");
  ASSERT_EQ(one.write(tokenA), std::nullopt);
  EXPECT_EQ(two.read(), std::nullopt);
  ASSERT_EQ(two.write(tokenB), std::nullopt);
  EXPECT_EQ(one.read(), tokenA);
  EXPECT_EQ(two.read(), tokenB);
  ASSERT_EQ(one.remove(), std::nullopt);
  EXPECT_EQ(one.read(), std::nullopt);
  EXPECT_EQ(two.read(), tokenB) << "removing one folder's token leaves the other's";
}

TEST_F(DesktopSecretTokenStore, AValueThatIsNoTokenReadsAsNone) {
  struct Case {
    const char* what;
    std::string value;
  };
  const std::vector<Case> cases = {
      {"text", "not a token"},
      {"upper-case digits", std::string(64, 'A')},
      {"one character short", std::string(63, 'a')},
      {"one character long", std::string(65, 'a')},
      {"a trailing line break", tokenA + "\n"},
      {"empty", ""},
  };
  SecretTokenStore store(paths.configFolder);
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    storeRaw(store.folder(), row.value);
    EXPECT_EQ(store.read(), std::nullopt);
  }
}

TEST_F(DesktopSecretTokenStore, TheTerminalsTokenFileGivesWayToTheKeyring) {
  const std::filesystem::path file = tokenFile(paths.configFolder);
  ASSERT_EQ(writeToken(file, tokenA), std::nullopt);

  std::unique_ptr<DesktopTokenStore> store = chooseTokenStore(paths);
  ASSERT_TRUE(store->usesKeyring());
  EXPECT_EQ(store->where().text(), "the system's keyring");
  EXPECT_EQ(store->read(), tokenA) << "signed in earlier by the terminal tutor";
  EXPECT_TRUE(std::filesystem::exists(file)) << "reading moves nothing";

  ASSERT_EQ(store->write(tokenB), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(file)) << "the file's token goes once the keyring holds the new one";
  EXPECT_EQ(SecretTokenStore(paths.configFolder).read(), tokenB);
  EXPECT_EQ(store->read(), tokenB);

  // Signing out clears both places, the file too when it came back.
  ASSERT_EQ(writeToken(file, tokenA), std::nullopt);
  EXPECT_EQ(store->remove(), std::nullopt);
  EXPECT_EQ(store->read(), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(SecretTokenStore(paths.configFolder).read(), std::nullopt);
}

TEST_F(DesktopSecretTokenStore, WithoutASessionBusTheTokenFileIsUsed) {
  struct Case {
    const char* what;
    std::optional<std::string> address;
  };
  const std::vector<Case> cases = {
      {"a bus address where nothing listens", "unix:path=" + (folder / "no-bus").string()},
      {"an address that is not one", "no such transport"},
      {"no bus address", std::nullopt},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    std::unique_ptr<DesktopTokenStore> store;
    {
      ScopedVariable bus("DBUS_SESSION_BUS_ADDRESS", row.address ? row.address->c_str() : nullptr);
      EXPECT_FALSE(secretServiceAnswers());
      store = chooseTokenStore(paths);
    }
    ASSERT_FALSE(store->usesKeyring());
    const std::filesystem::path file = tokenFile(paths.configFolder);
    EXPECT_EQ(store->where().text(), file.string());
    ASSERT_EQ(store->write(tokenA), std::nullopt);
    EXPECT_EQ(readToken(file), tokenA);
    EXPECT_EQ(SecretTokenStore(paths.configFolder).read(), std::nullopt) << "the keyring was not used";
    EXPECT_EQ(store->read(), tokenA);
    EXPECT_EQ(store->remove(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(file));
  }
}

}  // namespace
}  // namespace tavro::desktop
