// The exercise choice: the way of typing each language keeps in the shared
// preferences.
#include "TavroCore/practice/Exercise.h"

#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tavro
