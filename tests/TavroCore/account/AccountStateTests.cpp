#include "TavroCore/account/AccountState.h"

#include "Support/JsonEncoding.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountManagement.h"
#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

namespace tavro {
namespace {

using platform::DefaultsData;
using platform::InMemoryUserDefaults;

const AccountProfile ann("u1", "Ann", "Ann@Example.com");
const Date synced{800'000'000.25};

DefaultsData bytes(std::string_view text) {
  return DefaultsData(text.begin(), text.end());
}

TEST(AccountState, SavesAndLoadsItsJsonForm) {
  InMemoryUserDefaults defaults;
  AccountState state(ann, synced);
  state.save(defaults);
  std::optional<DefaultsData> stored = defaults.data("tavroAccountState");
  ASSERT_TRUE(stored);
  EXPECT_EQ(
      std::string(stored->begin(), stored->end()),
      R"({"profile":{"id":"u1","name":"Ann","email":"Ann@Example.com"},"lastSync":800000000.25})");
  EXPECT_EQ(AccountState::load(defaults), state);

  // Absent fields are left out, and an invalid stored profile comes back as it was.
  AccountState bare(AccountProfile("", "", "not an address"));
  bare.save(defaults);
  EXPECT_EQ(AccountState::load(defaults), bare);
  AccountState().save(defaults);
  EXPECT_EQ(defaults.data("tavroAccountState"), bytes("{}"));
}

TEST(AccountState, LoadGivesANewStateForAnythingUnreadable) {
  struct Case {
    const char* name;
    std::optional<platform::DefaultsValue> stored;
  };
  const Case cases[] = {
      {"nothing", std::nullopt},
      {"a string, not data", platform::DefaultsValue(std::string(R"({"lastSync":1})"))},
      {"not JSON", bytes("{")},
      {"not an object", bytes("[]")},
      {"profile without email", bytes(R"({"profile":{"id":"u1","name":"Ann"},"lastSync":1})")},
      {"lastSync as text", bytes(R"({"lastSync":"2026-01-01T00:00:00Z"})")},
      {"invalid UTF-8", bytes("{\"profile\":{\"id\":\"\xff\",\"name\":\"n\",\"email\":\"\"}}")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InMemoryUserDefaults defaults;
    if (c.stored) defaults.setValue("tavroAccountState", *c.stored);
    EXPECT_EQ(AccountState::load(defaults), AccountState());
  }
  // A stored sync time without a profile, or with nulls, reads as written.
  InMemoryUserDefaults defaults;
  defaults.set("tavroAccountState", bytes(R"({"profile":null,"lastSync":5})"));
  EXPECT_EQ(AccountState::load(defaults), AccountState(std::nullopt, Date{5}));
}

TEST(AccountState, SaveKeepsTheOldValueWhenEncodingFails) {
  InMemoryUserDefaults defaults;
  AccountState(ann).save(defaults);
  std::optional<DefaultsData> before = defaults.data("tavroAccountState");
  EXPECT_THROW(AccountState(ann, Date{std::numeric_limits<double>::infinity()}).save(defaults),
               json::EncodingError);
  EXPECT_ANY_THROW(AccountState(AccountProfile("u1", "\xff", "")).save(defaults));
  EXPECT_EQ(defaults.data("tavroAccountState"), before);
}

TEST(AccountState, AcceptVerifiedProfileKeepsTheSyncTimeOnlyForTheSameAccountAndAddress) {
  struct Case {
    const char* name;
    std::optional<AccountProfile> current;
    AccountProfile accepted;
    bool keepsSync;
  };
  const Case cases[] = {
      {"new name only", ann, {"u1", "Ann Lee", "Ann@Example.com"}, true},
      {"address in other letter case", ann, {"u1", "Ann", "ann@EXAMPLE.com"}, true},
      {"other address", ann, {"u1", "Ann", "ann@other.example"}, false},
      {"address dropped", ann, {"u1", "Ann", ""}, false},
      {"other id", ann, {"U1", "Ann", "Ann@Example.com"}, false},
      {"no current profile", std::nullopt, ann, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AccountState state(c.current, synced);
    state.acceptVerifiedProfile(c.accepted);
    EXPECT_EQ(state.profile, c.accepted);
    EXPECT_EQ(state.lastSync, c.keepsSync ? std::optional<Date>(synced) : std::nullopt);
  }

  AccountState state(ann, synced);
  for (const AccountProfile& invalid : {AccountProfile("", "Ann", ""), AccountProfile("u1", "", ""),
                                        AccountProfile("u1", "Ann", "no-address")}) {
    EXPECT_THROW(state.acceptVerifiedProfile(invalid), BackupFailure);
    EXPECT_EQ(state, AccountState(ann, synced));
  }
}

TEST(AccountState, ClearSessionEmptiesEverythingEvenWhenClearingCredentialsFails) {
  for (bool credentialsFail : {false, true}) {
    SCOPED_TRACE(credentialsFail);
    InMemoryUserDefaults defaults;
    defaults.set("other", 1);
    AccountState state(ann, synced);
    state.save(defaults);
    int calls = 0;
    bool cleared = state.clearSession(defaults, [&] {
      ++calls;
      if (credentialsFail) throw std::runtime_error("keychain locked");
    });
    EXPECT_EQ(cleared, !credentialsFail);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(state, AccountState());
    EXPECT_EQ(defaults.keys(), std::vector<std::string>{"other"});
  }
}

TEST(AccountIdentity, SameIdentityFollowsIdsAndAddressesInBothOrders) {
  struct Case {
    AccountProfile a, b;
    bool same;
  };
  const Case cases[] = {
      {{"u1", "A", ""}, {"u1", "B", ""}, true},
      {{"u1", "A", "a@x"}, {"u1", "A", ""}, true},
      {{"u1", "A", "a@x"}, {"u1", "A", "A@X"}, true},
      {{"u1", "A", "a@x"}, {"u1", "A", "b@x"}, false},
      {{"u1", "A", "a@x"}, {"u2", "A", "A@x"}, true},
      {{"u1", "A", "a@x"}, {"u2", "A", ""}, false},
      {{"u1", "A", ""}, {"u2", "A", ""}, false},
      {{"u1", "A", "a@x"}, {"u2", "A", "b@x"}, false},
      {{"caf\u00e9", "A", ""}, {"cafe\u0301", "A", ""}, true},
      {{"u1", "A", "\u0130@x"}, {"u1", "A", "i\u0307@x"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a.id + " " + c.a.email + " / " + c.b.id + " " + c.b.email);
    EXPECT_EQ(AccountService::sameIdentity(c.a, c.b), c.same);
    EXPECT_EQ(AccountService::sameIdentity(c.b, c.a), c.same);
  }
}

TEST(AccountIdentity, ResolveProfileFillsAMissingAddressFromTheSameAccount) {
  const AccountProfile fresh("u1", "New Name", "");
  struct Case {
    const char* name;
    AccountProfile profile;
    std::optional<AccountProfile> previous;
    std::string email;
  };
  const Case cases[] = {
      {"same id", fresh, AccountProfile("u1", "Old", "old@example.com"), "old@example.com"},
      {"other id", fresh, AccountProfile("u2", "Old", "old@example.com"), ""},
      {"previous address invalid", fresh, AccountProfile("u1", "Old", "old at example"), ""},
      {"no previous", fresh, std::nullopt, ""},
      {"address already present", AccountProfile("u1", "N", "new@example.com"),
       AccountProfile("u1", "O", "o@x"), "new@example.com"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AccountProfile resolved = AccountManagement::resolveProfile(c.profile, c.previous);
    EXPECT_EQ(resolved, AccountProfile(c.profile.id, c.profile.name, c.email));
  }
}

}  // namespace
}  // namespace tavro
