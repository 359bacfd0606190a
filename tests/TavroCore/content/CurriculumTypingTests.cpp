// Every prompt of every curriculum must be typeable: each Japanese reading
// has a romaji spelling made of keyboard characters and a kana-key sequence
// on both layouts that leaves no kana behind, and each Nepali prompt's roman
// forms (and its Devanagari forms, typed directly) are accepted by its own
// matcher.
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/content/JapaneseKanaMode.h"
#include "TavroCore/content/LanguageCurriculum.h"
#include "TavroCore/content/MainRomajiCurriculum.h"
#include "TavroCore/content/Vocabulary.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

bool isPrintableAscii(std::string_view text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// True when `keys` holds no kana or Japanese punctuation: every character of
// the prompt was turned into keys.
bool leavesNoKana(std::string_view keys) {
  for (char32_t c : text::codePoints(keys)) {
    if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF00 && c <= 0xFFEF)) return false;
  }
  return true;
}

std::vector<std::pair<std::string, JapanesePrompt>> japanesePrompts() {
  std::vector<std::pair<std::string, JapanesePrompt>> all;
  for (std::int64_t round = 1; round <= 6; ++round) {
    for (auto& prompt : MainRomajiCurriculum::prompts(round))
      all.emplace_back("main " + std::to_string(round), prompt);
  }
  for (std::int64_t round = 1; round <= 5; ++round) {
    for (auto& prompt : Vocabulary::guided(round))
      all.emplace_back("vocabulary " + std::to_string(round), prompt);
  }
  for (JLPTLevel level : JLPTLevels::allCases) {
    for (std::int64_t round = 1; round <= 7; ++round) {
      for (auto& prompt : JLPTCurriculum::prompts(level, round, "")) {
        all.emplace_back(std::string(rawValue(level)) + " " + std::to_string(round), prompt);
      }
    }
  }
  return all;
}

TEST(CurriculumTyping, EveryJapaneseReadingIsTypeable) {
  const auto prompts = japanesePrompts();
  EXPECT_EQ(prompts.size(),
            14u + 25 * 5 + 10 + 10 + 10 + 12 + 30 + (14 + 25 + 16 + 25 + 25 + 8 + 70) +
                (20 + 15 + 26 + 25 + 25 + 8 + 60) + (20 + 15 + 30 + 25 + 25 + 8 + 60) +
                (20 + 15 + 33 + 25 + 25 + 8 + 60) + (20 + 15 + 21 + 25 + 25 + 8 + 60));
  for (const auto& [list, prompt] : prompts) {
    SCOPED_TRACE(list + ": " + prompt.display());
    const std::string reading = prompt.reading();
    const std::vector<std::string> spellings = Romaji::spellings(reading);
    ASSERT_FALSE(spellings.empty());
    EXPECT_TRUE(isPrintableAscii(spellings.front())) << spellings.front();
    for (bool jis : {true, false}) {
      const std::string keys = KanaInput::keys(reading, jis);
      EXPECT_FALSE(keys.empty());
      EXPECT_TRUE(leavesNoKana(keys)) << keys;
    }
    // The prompt is complete on screen once its preferred spelling is typed.
    EXPECT_EQ(prompt.completedDisplayCharacters(std::string_view(spellings.front())),
              static_cast<std::int64_t>(text::graphemeCount(prompt.display())));
  }
}

TEST(CurriculumTyping, EveryNepaliPromptIsAcceptedByItsOwnMatcher) {
  for (std::int64_t round = 1; round <= 6; ++round) {
    for (const LanguagePrompt& prompt :
         LanguageCurriculum::prompts(TavroLanguage::nepali, round, "")) {
      SCOPED_TRACE(prompt.display);
      for (const std::string& roman : prompt.romanAlternatives()) {
        Matcher matcher = prompt.matcher(TavroLanguage::nepali, false);
        for (const std::string& character : text::graphemes(roman)) {
          ASSERT_TRUE(matcher.input(character)) << roman << " at " << character;
        }
        EXPECT_TRUE(matcher.complete()) << roman;
        EXPECT_EQ(prompt.completedDisplayCharacters(std::string_view(roman)),
                  static_cast<std::int64_t>(text::graphemeCount(prompt.display)));
      }
      Matcher direct = prompt.matcher(TavroLanguage::nepali, true);
      for (const std::string& character : text::graphemes(prompt.display)) {
        ASSERT_TRUE(direct.input(character)) << character;
      }
      EXPECT_TRUE(direct.complete());
    }
  }
}

TEST(CurriculumTyping, EveryEnglishPromptIsAcceptedAsShown) {
  for (std::int64_t round = 1; round <= 6; ++round) {
    for (const LanguagePrompt& prompt :
         LanguageCurriculum::prompts(TavroLanguage::english, round, "")) {
      SCOPED_TRACE(prompt.display);
      EXPECT_TRUE(isPrintableAscii(prompt.display));
      Matcher matcher = prompt.matcher(TavroLanguage::english, false);
      for (const std::string& character : text::graphemes(prompt.display))
        ASSERT_TRUE(matcher.input(character));
      EXPECT_TRUE(matcher.complete());
    }
  }
}

}  // namespace
}  // namespace tavro
