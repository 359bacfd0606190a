#include "TavroCore/content/JapaneseKanaMode.h"

#include "Platform/UserDefaults.h"
#include "Support/Text.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/input/KanaInput.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavro {
namespace {

TEST(JapaneseKanaMode, ChoiceIsSavedAsABoolean) {
  platform::InMemoryUserDefaults store;
  EXPECT_FALSE(JapaneseKanaMode::saved(store));
  JapaneseKanaMode::save(true, store);
  EXPECT_EQ(store.boolean("practiceJapaneseKanaInput"), true);
  EXPECT_TRUE(JapaneseKanaMode::saved(store));
  JapaneseKanaMode::save(false, store);
  EXPECT_FALSE(JapaneseKanaMode::saved(store));
  // A value of another type is no choice.
  store.set("practiceJapaneseKanaInput", "true");
  EXPECT_FALSE(JapaneseKanaMode::saved(store));
}

TEST(JapaneseKanaMode, RoundsOtherThanTheWeakRoundAreTheJLPTRounds) {
  for (JLPTLevel level : {JLPTLevel::n5, JLPTLevel::n2}) {
    for (std::int64_t round : {0, 1, 3, 6, 7, 8}) {
      SCOPED_TRACE(std::string(rawValue(level)) + " " + std::to_string(round));
      const std::string_view weakKeys = round == 7 ? "" : "t";
      EXPECT_EQ(JapaneseKanaMode::prompts(level, round, weakKeys, true),
                JLPTCurriculum::prompts(level, round, ""));
    }
  }
}

TEST(JapaneseKanaMode, WeakRoundLooksAtKanaKeysOfRoundsOneToSix) {
  std::vector<JapanesePrompt> pool;
  for (std::int64_t round = 1; round <= 6; ++round) {
    for (auto& prompt : JLPTCurriculum::prompts(JLPTLevel::n5, round, "")) pool.push_back(prompt);
  }
  // が is typed t then the voiced-mark key "@" on JIS, so "@" selects the
  // prompts with a voiced kana.
  const auto voiced = JapaneseKanaMode::prompts(JLPTLevel::n5, 7, "@", true);
  ASSERT_FALSE(voiced.empty());
  EXPECT_LT(voiced.size(), pool.size());
  EXPECT_NE(std::find(voiced.begin(), voiced.end(), JapanesePrompt("学校", "がっこう")),
            voiced.end());
  for (const JapanesePrompt& prompt : voiced) {
    EXPECT_NE(KanaInput::keys(prompt.reading(), true).find('@'), std::string::npos)
        << prompt.display();
  }
  for (bool jis : {true, false}) {
    SCOPED_TRACE(jis ? "JIS" : "US");
    // Upper-case weak keys match as their lower-case forms.
    const auto lower = JapaneseKanaMode::prompts(JLPTLevel::n5, 7, "t", jis);
    EXPECT_LT(lower.size(), pool.size());
    EXPECT_EQ(JapaneseKanaMode::prompts(JLPTLevel::n5, 7, "T", jis), lower);
    // A key nothing needs gives the whole pool, duplicates included.
    EXPECT_EQ(JapaneseKanaMode::prompts(JLPTLevel::n5, 7, "\u00A7", jis), pool);
  }
}

}  // namespace
}  // namespace tavro
