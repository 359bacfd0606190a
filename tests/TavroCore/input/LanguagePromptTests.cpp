#include "TavroCore/input/LanguagePrompt.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using Strings = std::vector<std::string>;

TEST(LanguagePrompt, FormsOfThePrompt) {
  LanguagePrompt english("Hello");
  EXPECT_EQ(english.display, "Hello");
  EXPECT_EQ(english.roman, "Hello");
  EXPECT_EQ(english.romanAlternatives(), Strings{"Hello"});

  // The shown text is normalised; the typed form is kept as passed.
  LanguagePrompt decomposed("cafe\u0301");
  EXPECT_EQ(decomposed.display, "caf\u00E9");
  EXPECT_EQ(decomposed.roman, "cafe\u0301");

  LanguagePrompt nepali("नमस्ते", "namaste", {"namasté", "namastey"});
  EXPECT_EQ(nepali.romanAlternatives(), (Strings{"namaste", "namasté", "namastey"}));
  EXPECT_EQ(nepali, LanguagePrompt("नमस्ते", "namaste", {"namasté", "namastey"}));
  EXPECT_NE(nepali, LanguagePrompt("नमस्ते", "namaste"));
}

TEST(LanguagePrompt, NativeAlternativesNeverMixDigitForms) {
  struct Row {
    const char* display;
    Strings alternatives;
  };
  const Row rows[] = {
      {"नमस्ते", {"नमस्ते"}},
      {"१२।", {"12.", "12।", "१२.", "१२।"}},
      {"१२", {"12", "१२"}},
      {"ठीक।", {"ठीक.", "ठीक।"}},
      {"", {""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display);
    EXPECT_EQ(LanguagePrompt(row.display).nativeAlternatives(), row.alternatives);
  }
}

TEST(LanguagePrompt, NativeMeansAnyDevanagariScalar) {
  EXPECT_TRUE(LanguagePrompt::isNative("abc न"));
  EXPECT_TRUE(LanguagePrompt::isNative("\u0900"));
  EXPECT_TRUE(LanguagePrompt::isNative("\u097F"));
  EXPECT_FALSE(LanguagePrompt::isNative("\u0980"));  // Bengali
  EXPECT_FALSE(LanguagePrompt::isNative("namaste"));
  EXPECT_FALSE(LanguagePrompt::isNative(""));
  EXPECT_FALSE(LanguagePrompt::isNative("\xE0\xA4"));  // a cut sequence is no scalar
}

}  // namespace
}  // namespace tavro
