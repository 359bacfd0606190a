#include "Support/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro {
namespace {

TEST(Base64, EncodesWithPaddingAndDecodesBack) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                        {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {std::string("\0\xff\xfe", 3), "AP/+"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(base64::encode(c.bytes), c.text);
    EXPECT_EQ(base64::decode(c.text), c.bytes);
  }
}

TEST(Base64, DecodesOnlyWellFormedText) {
  for (const char* text : {"Zg", "Zg=", "Z===", "====", "Zg==Zg==", "Z=g=", " Zg==", "Zg==\n", "Zm9-", "Zm9_"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(base64::decode(text), std::nullopt);
  }
  EXPECT_EQ(base64::decode(std::string("Zm\0v", 4)), std::nullopt);
}

}  // namespace
}  // namespace tavro
