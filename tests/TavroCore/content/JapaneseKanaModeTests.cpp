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

// The prompts of `pool`, in order, whose kana-key sequence holds one of the
// single-byte characters of `keys`, both compared in lower case.
std::vector<JapanesePrompt> keySequenceHolds(const std::vector<JapanesePrompt>& pool,
                                             const std::string& keys, bool jis) {
  std::vector<JapanesePrompt> result;
  for (const JapanesePrompt& prompt : pool) {
    const std::string sequence = text::lowercased(KanaInput::keys(prompt.reading(), jis));
    if (sequence.find_first_of(text::lowercased(keys)) != std::string::npos)
      result.push_back(prompt);
  }
  return result;
}

TEST(JapaneseKanaMode, WeakRoundKeepsExactlyThePromptsWhoseKanaKeysHoldAWeakKey) {
  std::vector<JapanesePrompt> pool;
  for (std::int64_t round = 1; round <= 6; ++round) {
    for (auto& prompt : JLPTCurriculum::prompts(JLPTLevel::n5, round, "")) pool.push_back(prompt);
  }
  struct Row {
    std::string keys;
    bool jis;
    bool selects;  // false: no prompt holds a key, so the whole pool, duplicates included
  };
  const Row rows[] = {
      {"@", true, true},  // が is t then the voiced-mark key "@" on JIS
      {"t", true, true},        {"t", false, true},
      {"T", true, true},  // upper-case weak keys match as their lower-case forms
      {"T", false, true},       {"\u00A7", true, false},
      {"\u00A7", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys + (row.jis ? " JIS" : " US"));
    // Kept prompts hold a weak key, and every prompt holding one is kept.
    const auto expected = row.selects ? keySequenceHolds(pool, row.keys, row.jis) : pool;
    if (row.selects) {
      ASSERT_FALSE(expected.empty());
      EXPECT_LT(expected.size(), pool.size());
    }
    EXPECT_EQ(JapaneseKanaMode::prompts(JLPTLevel::n5, 7, row.keys, row.jis), expected);
  }
  const auto voiced = JapaneseKanaMode::prompts(JLPTLevel::n5, 7, "@", true);
  EXPECT_NE(std::find(voiced.begin(), voiced.end(), JapanesePrompt("学校", "がっこう")),
            voiced.end());
}

}  // namespace
}  // namespace tavro
