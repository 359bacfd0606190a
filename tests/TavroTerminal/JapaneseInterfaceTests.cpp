// The tutor's own table of Japanese texts and its placeholders.
#include "TavroTerminal/AccountFiles.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Tutor.h"
#include "TavroTerminal/TutorStrings.h"
#include "TypeRound.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroCore/settings/UIStrings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <regex>
#include <set>
#include <sstream>

namespace tavro::terminal {
namespace {

using tavro::testing::TemporaryDirectory;

const bool utf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;

std::set<std::string> placeholders(std::string_view text) {
  std::set<std::string> found;
  std::string copy(text);
  std::regex placeholder(R"(\{[1-9]\})");
  for (auto it = std::sregex_iterator(copy.begin(), copy.end(), placeholder);
       it != std::sregex_iterator(); ++it)
    found.insert(it->str());
  return found;
}

TEST(TutorStringsTest, TableKeysAreUniqueAndKeepTheirPlaceholders) {
  std::set<std::string_view> keys;
  for (const TutorStrings::Translation& row : TutorStrings::japanese()) {
    SCOPED_TRACE(std::string(row.english));
    EXPECT_TRUE(keys.insert(row.english).second) << "key twice";
    // The core's table is asked first: a key it holds too would never be used.
    EXPECT_FALSE(UIStrings::translation(row.english)) << "shadowed by the core's table";
    EXPECT_FALSE(row.japanese.empty());
    EXPECT_NE(row.japanese, row.english);
    // A value the Japanese text lacks would vanish from the screen.
    EXPECT_EQ(placeholders(row.japanese), placeholders(row.english));
  }
}

TEST(TutorStringsTest, ValuesAreFilledInAfterTheLookupAndNeverRead) {
  struct Case {
    const char* name;
    std::string pattern;
    std::vector<std::string> values;
    std::string filled;
  };
  const Case cases[] = {
      {"in order", "{1} of {2}", {"a", "b"}, "a of b"},
      {"Japanese word order", "{2}回中{1}回", {"2", "5"}, "5回中2回"},
      {"a value holding a placeholder stays as it is", "x {1} y {2}", {"{2}", "z"}, "x {2} y z"},
      {"a placeholder without a value stays", "{1} and {3}", {"a"}, "a and {3}"},
      {"twice", "{1}{1}", {"ab"}, "abab"},
      {"not a placeholder", "{0} {x} {12} {", {"a"}, "{0} {x} {12} {"},
      {"at the very end", "path {1}", {"/tmp/a b"}, "path /tmp/a b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TutorStrings::filled(c.pattern, c.values), c.filled);
  }
  // English is shown as written; Japanese from the core's table first.
  EXPECT_EQ(TutorStrings::text("Word {1}/25", true, {"3"}), "Word 3/25");
  EXPECT_EQ(TutorStrings::text("Word {1}/25", false, {"3"}), "問題 3/25");
  EXPECT_EQ(TutorStrings::text("Accuracy", false), "正確率");
  EXPECT_EQ(TutorStrings::text("no such text {1}", false, {"x"}), "no such text x");
}

TEST(TutorStringsTest, EveryInputAndRoundTitleHasAJapaneseText) {
  for (Exercise exercise : allExercises) {
    SCOPED_TRACE(std::string(mode(exercise)));
    std::vector<std::string> names = {std::string(inputName(exercise))};
    for (std::int64_t round = 1; round <= rounds(exercise); ++round)
      names.push_back(roundTitle(exercise, round));
    for (const std::string& name : names)
      EXPECT_NE(TutorStrings::text(name, false), name) << name;
  }
}

}  // namespace
}  // namespace tavro::terminal
