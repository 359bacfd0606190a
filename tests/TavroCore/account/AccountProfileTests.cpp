#include "TavroCore/account/AccountProfile.h"

#include "Support/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro {
namespace {

TEST(AccountProfile, ValidChecksIdNameAndAddress) {
  const std::string e = "e\xcc\x81";  // e + combining acute: one character, three bytes
  struct Case {
    const char* name;
    AccountProfile profile;
    bool valid;
  };
  const Case cases[] = {
      {"plain", {"u1", "Ann", "ann@example.com"}, true},
      {"no address", {"u1", "Ann", ""}, true},
      {"id of 256 characters", {std::string(256, 'i'), "Ann", ""}, true},
      {"id of 257 characters", {std::string(257, 'i'), "Ann", ""}, false},
      {"id of 256 characters of 3 bytes each", {[&] {
                                                  std::string id;
                                                  for (int i = 0; i < 256; ++i) id += e;
                                                  return id;
                                                }(),
                                                "Ann", ""},
       true},
      {"empty id", {"", "Ann", ""}, false},
      {"tab in id", {"u\t1", "Ann", ""}, false},
      {"NUL in id", {std::string("u\0" "1", 3), "Ann", ""}, false},
      {"zero-width space in id", {"u\u200b1", "Ann", ""}, false},
      {"tab in name", {"u1", "A\tnn", ""}, true},
      {"empty name", {"u1", "", ""}, false},
      {"name of 257 characters", {"u1", std::string(257, 'n'), ""}, false},
      {"bad address", {"u1", "Ann", "ann"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.profile.valid(), c.valid);
  }
}

TEST(AccountProfile, ValidEmailWantsOneAtSignBetweenPlainCharacters) {
  const std::string longest = std::string(64, 'a') + "@" + std::string(255, 'b');
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"a@b", true},
      {"Ann.Lee+tag@EXAMPLE", true},
      {"ä@ö.example", true},
      {longest, true},
      {longest + "b", false},  // 321 characters
      {"a@b@c", false},
      {"@b", false},
      {"a@", false},
      {"a b@c", false},
      {"a@b\u3000", false},
      {"<a@b", false},
      {"a@b>", false},
      {"", false},
      {"a\n@b", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AccountProfile::validEmail(c.text), c.valid);
  }
}

TEST(AccountProfile, PartitionDependsOnTheIdAlone) {
  AccountProfile profile("u1", "Ann", "ann@example.com");
  // SHA-256("u1"), as `printf u1 | sha256sum` prints it.
  EXPECT_EQ(profile.partition(), "bb82030dbc2bcaba32a90bf2e207a84a856fc5f033b77c480836ab6f77f40f19");
  EXPECT_EQ(AccountProfile("u1", "Other", "").partition(), profile.partition());
  EXPECT_NE(AccountProfile("U1", "Ann", "ann@example.com").partition(), profile.partition());
}

TEST(AccountProfile, EqualityIsCanonicalEquivalenceWithCase) {
  EXPECT_EQ(AccountProfile("id", "Jos\u00e9", "a@b"), AccountProfile("id", "Jose\u0301", "a@b"));
  EXPECT_NE(AccountProfile("id", "Ann", "a@b"), AccountProfile("ID", "Ann", "a@b"));
  EXPECT_NE(AccountProfile("id", "Ann", "a@b"), AccountProfile("id", "Ann", "A@b"));
}

TEST(AccountProfile, JsonNeedsAllThreeStringKeys) {
  AccountProfile profile("u1", "Ann \"A\"", "");
  EXPECT_EQ(profile.encode(), R"({"id":"u1","name":"Ann \"A\"","email":""})");
  EXPECT_EQ(AccountProfile::decode(profile.encode()), profile);
  EXPECT_EQ(AccountProfile::decode(R"({"email":"e","extra":1,"name":"n","id":""})"), AccountProfile("", "n", "e"));
  for (const char* text : {R"({"id":"u","name":"n"})", R"({"id":"u","name":"n","email":null})",
                           R"({"id":1,"name":"n","email":""})", R"(["u","n",""])", "{"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(AccountProfile::decode(text), json::DecodingError);
  }
}

}  // namespace
}  // namespace tavro
