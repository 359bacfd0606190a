#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/history/WordSession.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <cmath>

namespace tavro {
namespace {

// Types `words` one-keystroke words, one second apart, starting at `start`.
void typeWords(WordSession& session, int words, double start) {
  for (int i = 0; i < words; ++i) {
    session.recordInput(true, 1, start + i);
    session.completeWord();
  }
}

TEST(WordSession, IgnoresEventsThatDoNotFitItsState) {
  WordSession session;
  session.completeWord();  // before any input
  EXPECT_EQ(session.completedWords(), 0);
  session.recordInput(true, 0, 5);
  session.recordInput(false, -3, 5);
  EXPECT_EQ(session.correct(), 0);
  EXPECT_EQ(session.misses(), 0);
  EXPECT_FALSE(session.startedAt());
  EXPECT_FALSE(session.lastInputAt());
  EXPECT_EQ(session.currentWord(), 1);
  EXPECT_FALSE(session.attempt("romaji", 1));
}

TEST(WordSession, CountsKeystrokesAndTimesWhileTyping) {
  WordSession session;
  session.recordInput(true, 2, 10);
  session.recordInput(false, 1, 11.5);
  session.recordInput(true, 3, 12);
  EXPECT_EQ(session.correct(), 5);
  EXPECT_EQ(session.misses(), 1);
  EXPECT_EQ(session.startedAt(), 10);
  EXPECT_EQ(session.lastInputAt(), 12);
  EXPECT_FALSE(session.finishedAt());
  session.completeWord();
  EXPECT_EQ(session.completedWords(), 1);
  EXPECT_EQ(session.currentWord(), 2);
}

TEST(WordSession, CompletesAtTheLastKeystrokeAndThenIgnoresInput) {
  WordSession session;
  typeWords(session, 24, 100);
  EXPECT_EQ(session.currentWord(), 25);
  EXPECT_FALSE(session.isComplete());
  session.recordInput(false, 1, 130);
  session.recordInput(true, 1, 131);
  session.completeWord();  // the host may notice the end much later
  EXPECT_TRUE(session.isComplete());
  EXPECT_EQ(session.currentWord(), 25);
  EXPECT_EQ(session.finishedAt(), 131);

  session.recordInput(true, 5, 500);
  session.completeWord();
  EXPECT_EQ(session.correct(), 25);
  EXPECT_EQ(session.misses(), 1);
  EXPECT_EQ(session.lastInputAt(), 131);
  EXPECT_EQ(session.completedWords(), 25);

  std::optional<Attempt> attempt = session.attempt("kana", 3);
  ASSERT_TRUE(attempt);
  EXPECT_EQ(attempt->mode(), "kana");
  EXPECT_EQ(attempt->round(), 3);
  EXPECT_EQ(attempt->correct(), 25);
  EXPECT_EQ(attempt->misses(), 1);
  EXPECT_DOUBLE_EQ(attempt->seconds(), 31);
  // Every call makes a new record.
  EXPECT_NE(session.attempt("kana", 3)->id(), attempt->id());
  EXPECT_EQ(attempt->jlptLevel(), std::nullopt);

  // A level-dependent round records its level; a wrong level is refused.
  EXPECT_EQ(session.attempt("kana", 3, "N2")->jlptLevel(), "N2");
  EXPECT_EQ(session.attempt("kana", 3, std::nullopt)->jlptLevel(), std::nullopt);
  EXPECT_THROW(session.attempt("kana", 3, "N9"), std::invalid_argument);
  EXPECT_THROW(WordSession().attempt("kana", 3, "n2"), std::invalid_argument);
  EXPECT_FALSE(WordSession().attempt("kana", 3, "N2"));
}

TEST(WordSession, ElapsedTimeThatRunsBackwardsBecomesZero) {
  for (double last : {-50.0, std::nan("")}) {
    SCOPED_TRACE(last);
    WordSession session;
    typeWords(session, 24, 0);
    session.recordInput(true, 1, last);
    session.completeWord();
    std::optional<Attempt> attempt = session.attempt("romaji", 1);
    ASSERT_TRUE(attempt);
    EXPECT_EQ(attempt->seconds(), 0);
  }
}

TEST(LiveMetrics, SpeedAndAccuracyOverTheRound) {
  WordSession fresh;
  LiveMetrics before(fresh, 1000);
  EXPECT_EQ(before.kpm(), 0);
  EXPECT_EQ(before.accuracy(), 100);

  WordSession session;
  session.recordInput(true, 45, 10);
  session.recordInput(false, 5, 10.5);
  EXPECT_EQ(LiveMetrics(session, 10.9).kpm(), 0);  // under one second
  EXPECT_EQ(LiveMetrics(session, 5).kpm(), 0);     // clock behind the start
  LiveMetrics later(session, 40);
  EXPECT_DOUBLE_EQ(later.kpm(), 90);
  EXPECT_DOUBLE_EQ(later.wpm(), 18);
  EXPECT_DOUBLE_EQ(later.accuracy(), 90);
}

TEST(LiveMetrics, FreezesOnceTheRoundIsComplete) {
  WordSession session;
  typeWords(session, 25, 0);  // 25 keystrokes from 0 to 24 s
  double kpm = LiveMetrics(session, 24).kpm();
  EXPECT_DOUBLE_EQ(kpm, 25 * 60 / 24.0);
  EXPECT_EQ(LiveMetrics(session, 10000).kpm(), kpm);
}

TEST(LiveMetrics, ARoundUnderOneSecondShowsNoSpeedButItsAttemptHasOne) {
  WordSession session;
  for (int i = 0; i < 25; ++i) {
    session.recordInput(true, 1, i * 0.01);
    session.completeWord();
  }
  EXPECT_EQ(LiveMetrics(session, 0.24).kpm(), 0);
  std::optional<Attempt> attempt = session.attempt("numpad", 1);
  ASSERT_TRUE(attempt);
  EXPECT_GT(attempt->cpm(), 0);
}

}  // namespace
}  // namespace tavro
