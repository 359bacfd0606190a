#include "TavroCore/content/JLPTCurriculum.h"

#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavro {
namespace {

std::vector<std::string> displays(const std::vector<JapanesePrompt>& prompts) {
  std::vector<std::string> result;
  for (const JapanesePrompt& prompt : prompts) result.push_back(prompt.display());
  return result;
}

std::vector<JapanesePrompt> concatenated(std::initializer_list<std::vector<JapanesePrompt>> lists) {
  std::vector<JapanesePrompt> result;
  for (const auto& list : lists) result.insert(result.end(), list.begin(), list.end());
  return result;
}

TEST(JLPTCurriculum, TitlesAreExact) {
  EXPECT_EQ(
      JLPTCurriculum::titles(),
      (std::vector<std::string>{
          "Single Hiragana & Basic Vowels", "Short Vocabulary \u00B7 Selected JLPT Level",
          "Dakuon, Sokuon & Y\u014Don", "Core Kanji \u00B7 Selected JLPT Level",
          "Compounds & Practical Phrases", "Sentences & Expressions \u00B7 Selected JLPT Level"}));
}

TEST(JLPTCurriculum, ListsHaveTheirSizesAndEnds) {
  struct Case {
    JLPTLevel level;
    std::size_t round1, round2, round3;
    JapanesePrompt firstCore, lastCore;
    std::string lastShort;
    JapanesePrompt firstAdvanced, lastAdvanced;
    JapanesePrompt firstSentence, lastSentence;
  };
  const std::vector<Case> cases = {
      {JLPTLevel::n5,
       14,
       25,
       16,
       {"学校", "がっこう"},
       {"休み", "やすみ"},
       "みみ",
       {"日本語", "にほんご"},
       {"先週", "せんしゅう"},
       {"今日は学校へ行きます。", "きょうはがっこうへいきます。"},
       {"明日は雨です。", "あしたはあめです。"}},
      {JLPTLevel::n4,
       20,
       15,
       26,
       {"予定", "よてい"},
       {"料理", "りょうり"},
       "りょうり",
       {"図書館", "としょかん"},
       {"文学", "ぶんがく"},
       {"明日の予定を確認してください。", "あしたのよていをかくにんしてください。"},
       {"雨が降ったら、家で勉強します。", "あめがふったら、いえでべんきょうします。"}},
      {JLPTLevel::n3,
       20,
       15,
       30,
       {"環境", "かんきょう"},
       {"比較", "ひかく"},
       "しっぱい",
       {"環境保護", "かんきょうほご"},
       {"専門家", "せんもんか"},
       {"環境を守るために、資源を大切に使います。",
        "かんきょうをまもるために、しげんをたいせつにつかいます。"},
       {"七転び八起き。", "ななころびやおき。"}},
      {JLPTLevel::n2,
       20,
       15,
       33,
       {"貢献", "こうけん"},
       {"課題", "かだい"},
       "かだい",
       {"需要予測", "じゅようよそく"},
       {"環境対策", "かんきょうたいさく"},
       {"需要の変化に伴い、供給計画を見直す必要がある。",
        "じゅようのへんかにともない、きょうきゅうけいかくをみなおすひつようがある。"},
       {"切磋琢磨", "せっさたくま"}},
      {JLPTLevel::n1,
       20,
       15,
       21,
       {"概念", "がいねん"},
       {"柔軟", "じゅうなん"},
       "しさ",
       {"概念形成", "がいねんけいせい"},
       {"一貫性", "いっかんせい"},
       {"制度を踏襲するにしても、その妥当性は検証すべきだ。",
        "せいどをとうしゅうするにしても、そのだとうせいはけんしょうすべきだ。"},
       {"換骨奪胎", "かんこつだったい"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(rawValue(c.level)));
    EXPECT_EQ(JLPTCurriculum::prompts(c.level, 1, "").size(), c.round1);
    const auto shortWords = JLPTCurriculum::prompts(c.level, 2, "");
    ASSERT_EQ(shortWords.size(), c.round2);
    EXPECT_EQ(shortWords.back(), JapanesePrompt::kana(c.lastShort));
    EXPECT_EQ(JLPTCurriculum::prompts(c.level, 3, "").size(), c.round3);

    const auto core = JLPTCurriculum::core(c.level);
    ASSERT_EQ(core.size(), 25u);
    EXPECT_EQ(core.front(), c.firstCore);
    EXPECT_EQ(core.back(), c.lastCore);
    EXPECT_EQ(JLPTCurriculum::prompts(c.level, 4, ""), core);

    const auto sentences = JLPTCurriculum::prompts(c.level, 6, "");
    ASSERT_EQ(sentences.size(), 8u);
    EXPECT_EQ(sentences.front(), c.firstSentence);
    EXPECT_EQ(sentences.back(), c.lastSentence);

    // Round 5: the 20 advanced words, then the first five sentences.
    const auto round5 = JLPTCurriculum::prompts(c.level, 5, "");
    ASSERT_EQ(round5.size(), 25u);
    EXPECT_EQ(round5.front(), c.firstAdvanced);
    EXPECT_EQ(round5[19], c.lastAdvanced);
    EXPECT_TRUE(std::equal(round5.begin() + 20, round5.end(), sentences.begin()));

    // The weak-key pool: core, advanced, short.
    const auto pool = JLPTCurriculum::prompts(c.level, 7, "");
    EXPECT_EQ(pool.size(), c.level == JLPTLevel::n5 ? 70u : 60u);
    EXPECT_EQ(pool,
              concatenated({core, std::vector<JapanesePrompt>(round5.begin(), round5.begin() + 20),
                            shortWords}));

    for (std::int64_t round : {-1, 0, 8})
      EXPECT_TRUE(JLPTCurriculum::prompts(c.level, round, "k").empty()) << round;
  }
}

TEST(JLPTCurriculum, RoundOneAddsVoicedKanaAboveN5) {
  const auto n5 = JLPTCurriculum::prompts(JLPTLevel::n5, 1, "");
  EXPECT_EQ(displays(n5), (std::vector<std::string>{"あ", "い", "う", "え", "お", "か", "さ", "た",
                                                    "な", "は", "ま", "や", "ら", "わ"}));
  const auto n1 = JLPTCurriculum::prompts(JLPTLevel::n1, 1, "");
  EXPECT_TRUE(std::equal(n5.begin(), n5.end(), n1.begin()));
  EXPECT_EQ(displays({n1.begin() + 14, n1.end()}),
            (std::vector<std::string>{"ぢ", "づ", "ぎ", "ぜ", "ぴ", "ぽ"}));
  const auto n4 = JLPTCurriculum::prompts(JLPTLevel::n4, 1, "");
  EXPECT_EQ(displays({n4.begin() + 14, n4.end()}),
            (std::vector<std::string>{"が", "じ", "ず", "で", "ば", "ぱ"}));
}

TEST(JLPTCurriculum, RoundThreeFiltersThePoolAndKeepsDuplicates) {
  const auto n4 = JLPTCurriculum::prompts(JLPTLevel::n4, 3, "");
  EXPECT_EQ(std::count(n4.begin(), n4.end(), JapanesePrompt::kana("じゅんび")), 2);
  EXPECT_NE(std::find(n4.begin(), n4.end(), JapanesePrompt("準備", "じゅんび")), n4.end());
  // Extra words come first; よてい (no voiced or small kana) is left out.
  EXPECT_EQ(n4.front(), JapanesePrompt::kana("しゅっせき"));
  EXPECT_EQ(std::find(n4.begin(), n4.end(), JapanesePrompt::kana("よてい")), n4.end());
  const auto n5 = JLPTCurriculum::prompts(JLPTLevel::n5, 3, "");
  EXPECT_EQ(displays(n5),
            (std::vector<std::string>{"きって", "きゃく", "しゃしん", "がっこう", "学校", "学生",
                                      "電車", "家族", "友達", "時間", "会社", "仕事", "電話",
                                      "食事", "午前", "午後"}));
}

// The prompts of `pool`, in order, whose preferred spelling holds one of the
// single-byte characters of `keys`.
std::vector<JapanesePrompt> preferredSpellingHolds(const std::vector<JapanesePrompt>& pool,
                                                   const std::string& keys) {
  std::vector<JapanesePrompt> result;
  for (const JapanesePrompt& prompt : pool) {
    const std::string preferred = Romaji::spellings(prompt.reading()).front();
    if (preferred.find_first_of(keys) != std::string::npos) result.push_back(prompt);
  }
  return result;
}

TEST(JLPTCurriculum, WeakRoundKeepsExactlyThePromptsWhosePreferredSpellingHoldsAWeakKey) {
  const auto pool = JLPTCurriculum::prompts(JLPTLevel::n5, 7, "");
  struct Row {
    std::string keys;
    bool selects;  // false: no prompt holds a key, so the whole pool
  };
  const Row rows[] = {
      {"z", true},
      {"j", true},   // only where the preferred spelling has it ("jikan" is not looked at)
      {"zw", true},  // any of several keys
      {"Z", false},  // case-sensitive
      {"~", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    // Kept prompts hold a weak key, and every prompt holding one is kept.
    const auto expected = row.selects ? preferredSpellingHolds(pool, row.keys) : pool;
    if (row.selects) {
      ASSERT_FALSE(expected.empty());
      EXPECT_LT(expected.size(), pool.size());
    }
    EXPECT_EQ(JLPTCurriculum::prompts(JLPTLevel::n5, 7, row.keys), expected);
  }
  // 家族 reads "kazoku"; 時間 reads "zikan" first, so "j" leaves it out.
  const auto z = JLPTCurriculum::prompts(JLPTLevel::n5, 7, "z");
  EXPECT_NE(std::find(z.begin(), z.end(), JapanesePrompt("家族", "かぞく")), z.end());
  const auto j = JLPTCurriculum::prompts(JLPTLevel::n5, 7, "j");
  EXPECT_EQ(std::find(j.begin(), j.end(), JapanesePrompt("時間", "じかん")), j.end());
}

}  // namespace
}  // namespace tavro
