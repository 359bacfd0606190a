// Rounds typed key by key without any screen: every exercise to its end,
// kana from an input method, and Enter, which only ever confirms a word.
#include "TavroCore/practice/PracticeRound.h"

#include "TavroCore/content/CustomPractice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavro {
namespace {

TEST(PracticeRoundTest, EveryExerciseCanBeTypedToTheEnd) {
  for (Exercise exercise : allExercises) {
    for (bool jis : {false, true}) {
      SCOPED_TRACE(std::string(mode(exercise)) + (jis ? " JIS" : " US"));
      std::vector<RoundPrompt> list = prompts(exercise, JLPTLevel::n5, 2, "", jis);
      if (exercise == Exercise::customText) {
        for (JapanesePrompt& prompt :
             CustomPractice::items("学校へ行く\n１２３！", "がっこうへいく\n１２３！")) {
          list.push_back({std::move(prompt), std::nullopt});
        }
      }
      ASSERT_FALSE(list.empty());
      PracticeRound round(exercise, 2, jis, list);
      double now = 0;
      int keys = 0;
      while (!round.isComplete() && keys < 5000) {
        std::optional<std::string> next = round.expectedInput();
        if (!next) {
          round.type(" ", now += 0.1);  // complete and waiting
          continue;
        }
        EXPECT_EQ(round.type(*next, now += 0.1), PracticeRound::Outcome::accepted);
        ++keys;
      }
      ASSERT_TRUE(round.isComplete());
      EXPECT_EQ(round.session().misses(), 0);
      std::optional<Attempt> attempt = round.session().attempt(std::string(round.mode()), 2);
      ASSERT_TRUE(attempt);
      EXPECT_EQ(attempt->correct(), keys);
    }
  }
}

TEST(PracticeRoundTest, KanaFromAnInputMethodStandsForItsKeys) {
  PracticeRound round(Exercise::japaneseKana, 1, true,
                      {{JapanesePrompt::kana("がく"), std::nullopt}});
  EXPECT_EQ(round.type("ガ", 1), PracticeRound::Outcome::accepted);
  EXPECT_EQ(round.matcher().typed(), "t@");
  EXPECT_EQ(round.doneCharacters(), 1);
  EXPECT_EQ(round.type("x", 2), PracticeRound::Outcome::rejected);
}

// Enter is no key of any prompt: it moves on from a word that waits for
// more, and on any other word it is neither typed nor counted as a miss.
TEST(PracticeRoundTest, EnterOnlyConfirmsAWaitingWord) {
  struct Case {
    const char* name;
    Exercise exercise;
    std::vector<std::string> words;
    std::string typed;  // before the Enter
    std::int64_t wordAfter;
    std::string typedAfter;
  };
  const Case cases[] = {
      {"nothing typed", Exercise::japaneseRomaji, {"ほん", "かさ"}, "", 1, ""},
      {"half a word", Exercise::japaneseRomaji, {"ほん", "かさ"}, "ho", 1, "ho"},
      {"a word waiting for its second n", Exercise::japaneseRomaji, {"ほん", "かさ"}, "hon", 2, ""},
      {"English mid-sentence", Exercise::english, {"a b", "c d"}, "a", 1, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<RoundPrompt> list;
    for (const std::string& word : c.words) {
      if (c.exercise == Exercise::english) {
        list.push_back({std::nullopt, LanguagePrompt(word)});
      } else {
        list.push_back({JapanesePrompt::kana(word), std::nullopt});
      }
    }
    PracticeRound round(c.exercise, 1, false, list);
    double now = 0;
    for (char key : c.typed) round.type(std::string(1, key), now += 0.1);
    std::int64_t keystrokes = round.session().correct() + round.session().misses();

    EXPECT_EQ(round.confirmWord(now += 0.1), PracticeRound::Outcome::ignored);
    EXPECT_EQ(round.session().currentWord(), c.wordAfter);
    EXPECT_EQ(round.matcher().typed(), c.typedAfter);
    EXPECT_EQ(round.session().misses(), 0);
    EXPECT_EQ(round.session().correct() + round.session().misses(), keystrokes);
    EXPECT_FALSE(round.rejectedPiece());
  }
}

}  // namespace
}  // namespace tavro
