// A whole practice round played the way the host plays it: prompts from the
// curriculum, a matcher per prompt fed key by key, the session and the
// weak-key history fed per keystroke, the attempt stored in the archive,
// saved, read back and ranked, and the next weak-key round built from what
// was missed.
#include "TavroCore/content/PracticeCurriculum.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/history/WeakKeyHistory.h"
#include "TavroCore/history/WordSession.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace tavro {
namespace {

struct Played {
  std::optional<Attempt> attempt;
  std::int64_t correctKeys = 0;
  std::int64_t wrongKeys = 0;
  std::set<std::string> missedKeys;
};

// Plays round `round` of "romaji", cycling its prompts over the 25 words and
// typing each along its first spelling. On the words listed in `stumbles`
// one wrong key is pressed before the second key of the spelling.
Played playRound(std::int64_t round, const std::string& weakKeys, const std::set<int>& stumbles,
                 WordSession& session, WeakKeyHistory& history) {
  const std::string mode = "romaji";
  std::vector<std::string> prompts = PracticeCurriculum::prompts(mode, round, weakKeys, false);
  EXPECT_FALSE(prompts.empty());
  Played played;
  double now = 1000;

  auto press = [&](Matcher& matcher, const std::string& key) {
    std::optional<std::string> expected = matcher.expectedInput();
    bool accepted = matcher.input(key);
    session.recordInput(accepted, 1, now);
    history.record(mode, key, expected ? std::optional<std::string_view>(*expected) : std::nullopt,
                   accepted);
    now += 0.25;
    return accepted;
  };

  for (int word = 0; !session.isComplete(); ++word) {
    EXPECT_EQ(session.currentWord(), word + 1);
    const std::string& prompt = prompts[static_cast<std::size_t>(word) % prompts.size()];
    Matcher matcher = Matcher::romaji(prompt);
    std::string spelling = Romaji::spellings(prompt).front();
    for (std::size_t i = 0; i < spelling.size(); ++i) {
      if (i == 1 && stumbles.count(word) != 0) {
        // A key that cannot come next: the matcher rejects it and the miss
        // is credited to the key that was expected.
        std::set<std::string> next = matcher.next();
        std::string wrong;
        for (const char* candidate : {"q", "v", "l", "x"}) {
          if (next.count(candidate) == 0) {
            wrong = candidate;
            break;
          }
        }
        played.missedKeys.insert(*matcher.expectedInput());
        EXPECT_FALSE(press(matcher, wrong));
        ++played.wrongKeys;
      }
      EXPECT_TRUE(press(matcher, std::string(1, spelling[i]))) << prompt << " at " << i;
      ++played.correctKeys;
    }
    EXPECT_TRUE(matcher.complete()) << prompt;
    session.completeWord();
  }
  played.attempt = session.attempt(mode, round);
  return played;
}

TEST(PracticeRound, AWholeRoundIsScoredStoredRankedAndFeedsTheWeakRound) {
  testing::TemporaryDirectory directory;
  const auto file = directory / "History" / "archive.json";

  // The archive as the host finds it: two earlier attempts of this round.
  Archive stored;
  stored.attempts.emplace_back("romaji", 1, 100, 0, 60);  // 100 per minute
  stored.attempts.emplace_back("romaji", 1, 900, 0, 60);  // 900 per minute
  stored.save(file);

  WordSession session;
  WeakKeyHistory history;
  Played played = playRound(1, "", {2, 7, 8, 13}, session, history);
  ASSERT_TRUE(played.attempt);
  const Attempt& attempt = *played.attempt;
  EXPECT_EQ(attempt.correct(), played.correctKeys);
  EXPECT_EQ(attempt.misses(), played.wrongKeys);
  EXPECT_EQ(attempt.misses(), 4);
  // One keystroke every quarter second, the first at 0 and the last at the end.
  EXPECT_DOUBLE_EQ(attempt.seconds(), (played.correctKeys + played.wrongKeys - 1) * 0.25);
  EXPECT_DOUBLE_EQ(LiveMetrics(session, 1e9).kpm(), attempt.cpm());

  // The host appends, merges the history and saves; the next start reads it.
  Archive archive = Archive::read(file);
  archive.attempts.push_back(attempt);
  archive.weakKeys = history;
  archive.save(file);
  Archive reread = Archive::read(file);
  ASSERT_EQ(reread.attempts.size(), 3u);
  EXPECT_EQ(reread.weakKeys, history);

  std::vector<ScoreRow> rows = reread.scoreRows("romaji", 1, attempt.id());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].attempt.cpm(), 900);
  auto latest =
      std::find_if(rows.begin(), rows.end(), [](const ScoreRow& row) { return row.isLatest; });
  ASSERT_NE(latest, rows.end());
  EXPECT_EQ(latest->id(), attempt.id());
  EXPECT_FALSE(latest->isOutsideTopFive);
  EXPECT_EQ(latest->attempt.correct(), attempt.correct());
  EXPECT_EQ(latest->attempt.seconds(), attempt.seconds());
  EXPECT_EQ(latest->attempt.date(), attempt.date());

  // Only the missed keys are weak; the weak round practises the weakest.
  std::vector<std::string> ranked = reread.weakKeys->rankedKeys("romaji");
  EXPECT_EQ(std::set<std::string>(ranked.begin(), ranked.end()), played.missedKeys);
  std::string weakKeys;
  for (const std::string& key : ranked) weakKeys += key;
  std::vector<std::string> weakRound = PracticeCurriculum::prompts("romaji", 7, weakKeys, false);
  ASSERT_FALSE(weakRound.empty());
  EXPECT_LT(weakRound.size(), PracticeCurriculum::prompts("romaji", 7, "", false).size());
  for (const std::string& prompt : weakRound) {
    std::vector<std::string> spellings = Romaji::spellings(prompt);
    EXPECT_TRUE(std::any_of(spellings.begin(), spellings.end(), [&](const std::string& spelling) {
      return spelling.find(ranked.front()) != std::string::npos;
    })) << prompt;
  }

  // The weak round is played like any other.
  WordSession next;
  WeakKeyHistory nextHistory;
  Played weak = playRound(7, weakKeys, {}, next, nextHistory);
  ASSERT_TRUE(weak.attempt);
  EXPECT_EQ(weak.attempt->round(), 7);
  EXPECT_EQ(weak.attempt->misses(), 0);
  EXPECT_TRUE(nextHistory.rankedKeys("romaji").empty());
}

}  // namespace
}  // namespace tavro
