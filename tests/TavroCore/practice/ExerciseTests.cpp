// The exercise choice: the way of typing each language keeps in the shared
// preferences.
#include "TavroCore/practice/Exercise.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/account/TavroBackup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro {
namespace {

TEST(ExerciseTest, WayOfTypingIsKeptInTheSharedPreferences) {
  platform::InMemoryUserDefaults store;
  auto saved = [&] {
    return std::vector<Exercise>{savedExercise(TavroLanguage::japanese, store),
                                 savedExercise(TavroLanguage::english, store),
                                 savedExercise(TavroLanguage::nepali, store)};
  };
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::japaneseRomaji, Exercise::english,
                                            Exercise::nepaliRoman}));
  // One direct-keyboard flag serves English and Nepali; kana keys are apart.
  saveInput(Exercise::nepaliDirect, store);
  saveInput(Exercise::japaneseKana, store);
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::japaneseKana, Exercise::englishDirect,
                                            Exercise::nepaliDirect}));
  EXPECT_EQ(mode(Exercise::englishDirect), "english-direct");
  saveInput(Exercise::customText, store);  // typed in romaji: no kana keys
  saveInput(Exercise::english, store);
  EXPECT_EQ(store.boolean("practiceJapaneseKanaInput"), false);
  // A key of its own tells the romaji exercises apart.
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::customText, Exercise::english,
                                            Exercise::nepaliRoman}));
  saveInput(Exercise::guidedRomaji, store);
  EXPECT_EQ(savedExercise(TavroLanguage::japanese, store), Exercise::guidedRomaji);
  // Kana keys chosen elsewhere (a restored backup) win over it.
  store.set("practiceJapaneseKanaInput", true);
  EXPECT_EQ(savedExercise(TavroLanguage::japanese, store), Exercise::japaneseKana);
}

TEST(ExerciseTest, NextRoundWrapsAfterRoundSevenAndTheDrill) {
  struct Case {
    Exercise exercise;
    std::int64_t round;
    std::int64_t next;
  };
  const Case cases[] = {
      {Exercise::japaneseRomaji, 1, 2},          {Exercise::japaneseRomaji, 6, 7},
      {Exercise::japaneseRomaji, 7, 1},          {Exercise::japaneseRomaji, drillRound, 1},
      {Exercise::english, 0, 1},                 {Exercise::customText, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(mode(c.exercise)) + " " + std::to_string(c.round));
    EXPECT_EQ(nextRound(c.exercise, c.round), c.next);
  }
  // The drill is a round outside the numbered ones, inside what backups accept.
  EXPECT_GT(drillRound, roundCount);
  EXPECT_LE(drillRound, TavroBackup::maximumRound);
  EXPECT_FALSE(offersDrill(Exercise::customText));
  EXPECT_TRUE(offersDrill(Exercise::japaneseKana));
}

}  // namespace
}  // namespace tavro
