#include "TavroCore/content/CustomPractice.h"

#include "TavroCore/input/Matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tavro {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
  std::string result;
  for (std::size_t i = 0; i < times; ++i) result += piece;
  return result;
}

TEST(CustomPractice, NormalizeMakesHalfWidthAndHiragana) {
  EXPECT_EQ(CustomPractice::normalize("ＡＢＣカタカナ"), "ABCかたかな");
  EXPECT_EQ(CustomPractice::normalize("１２！ガッコウ、ー。"), "12!がっこう、ー。");
  // Half-width katakana become hiragana too.
  EXPECT_EQ(CustomPractice::normalize("ｶﾞｯｺｳ"), "がっこう");
  // The long-vowel mark stays as written, whether after hiragana, katakana
  // or half-width katakana; it is never spelled out as a vowel.
  EXPECT_EQ(CustomPractice::normalize("こーひー"), "こーひー");
  EXPECT_EQ(CustomPractice::normalize("コーヒー、パーティー"), "こーひー、ぱーてぃー");
  EXPECT_EQ(CustomPractice::normalize("ｺｰﾋｰ"), "こーひー");
  EXPECT_EQ(CustomPractice::normalize(""), "");
}

TEST(CustomPractice, ItemsPairLinesAndCleanReadings) {
  struct Case {
    std::string name;
    std::string display;
    std::string reading;
    std::vector<JapanesePrompt> expected;
  };
  const std::vector<Case> cases = {
      {"two lines", "学校\n駅", "がっこう\nえき", {{"学校", "がっこう"}, {"駅", "えき"}}},
      {"CR LF and other breaks",
       "学校\r\n駅\u2028山",
       "がっこう\r\nえき\u0085やま",
       {{"学校", "がっこう"}, {"駅", "えき"}, {"山", "やま"}}},
      {"blank lines dropped on both sides", "a\n\nb\n", "\n\nあ\nい", {{"a", "あ"}, {"b", "い"}}},
      {"katakana and full-width digits normalised",
       "学校 12",
       "ガッコウ １２",
       {{"学校 12", "がっこう12"}}},
      {"white space removed", "学校", "がっ　こう\t", {{"学校", "がっこう"}}},
      {"punctuation allowed",
       "はい、そう!",
       "はい、そう！?「」（）()-.,ー。",
       {{"はい、そう!", "はい、そう!?「」()()-.,ー。"}}},
      {"display kept as written", "  学校  ", "がっこう", {{"  学校  ", "がっこう"}}},
      {"long-vowel marks kept",
       "コーヒー\n東京タワー",
       "こーひー\nとうきょうタワー",
       {{"コーヒー", "こーひー"}, {"東京タワー", "とうきょうたわー"}}},
      {"empty display", "", "がっこう", {}},
      {"line counts differ", "学校\n駅", "がっこう", {}},
      {"reading of spaces only", "学校\n駅", "がっこう\n   ", {}},
      {"kanji in a reading", "学校\n駅", "がっこう\n駅", {}},
      {"Latin letter in a reading", "学校\n駅", "がっこう\neki", {}},
      {"combining mark on an allowed character", "か", "か\u0301", {}},
      {"only line breaks", "\n\n", "\n", {}},
      {"ill-formed UTF-8", "学校", "が\xff", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CustomPractice::items(c.display, c.reading), c.expected);
  }
}

TEST(CustomPractice, ItemsRefuseTextsOverTheLimit) {
  // 2,000 characters are accepted, line breaks counted; 2,001 are not.
  const std::string display = repeated("あ\n", 1000);
  const std::string reading = repeated("あ\n", 1000);
  EXPECT_EQ(CustomPractice::items(display, reading).size(), 1000u);
  EXPECT_TRUE(CustomPractice::items(display + "あ", reading).empty());
  EXPECT_TRUE(CustomPractice::items(display, reading + "あ").empty());
  // Characters, not bytes: 2,000 three-byte kana fit.
  EXPECT_EQ(CustomPractice::items(repeated("あ", 2000), repeated("あ", 2000)).size(), 1u);
}

TEST(CustomPractice, SuggestedReadingUsesVocabularyThenDictionary) {
  struct Case {
    std::string text;
    std::string reading;
  };
  const std::vector<Case> cases = {
      // Vocabulary words come first.
      {"学校", "がっこう"},
      {"力", "ちから"},
      // A noun suffix reads with its word and is not the vocabulary word 力.
      {"洞察力", "どうさつりょく"},
      {"今日は学校へ行きます。", "きょうはがっこうへいきます。"},
      // Numbers are read in words, counters after them as they are said.
      {"1日30分歩いています。", "いちにちさんじゅっぷんあるいています。"},
      {"水を2本買いました。", "みずをにほんかいました。"},
      {"5分と1本", "ごふんといっぽん"},
      // Loanwords keep their long vowels as the learner types them.
      {"コーヒー", "こーひー"},
      {"東京タワー", "とうきょうたわー"},
      {"パーティー", "ぱーてぃー"},
      // Counters as they are said, full-width digits and kanji numerals alike.
      {"一人", "ひとり"},
      {"3月5日", "さんがついつか"},
      {"２０２４年と2024年", "にせんにじゅうよねんとにせんにじゅうよねん"},
      {"会議は10:30から", "かいぎはじゅうじさんじゅっぷんから"},
      // Text between words and words without a reading are kept.
      {"ABC と xyz 〜", "ABC と xyz 〜"},
      // The result is normalised: a katakana word stays katakana in the
      // dictionary's reading and ends up in hiragana.
      {"テスト", "てすと"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CustomPractice::suggestedReading(c.text), c.reading);
  }
}

TEST(CustomPractice, LongVowelReadingIsTypedWithHyphen) {
  // The learner's own reading and the generated one both type ー as "-".
  for (const std::string& reading : {CustomPractice::items("コーヒー", "こーひー").at(0).reading(),
                                     CustomPractice::suggestedReading("コーヒー")}) {
    SCOPED_TRACE(reading);
    Matcher matcher = Matcher::romaji(reading);
    for (char key : std::string("ko-hi-")) EXPECT_TRUE(matcher.input(std::string(1, key))) << key;
    EXPECT_TRUE(matcher.complete());
  }
}

TEST(CustomPractice, ReadingSuggestionMarksGuesses) {
  struct Case {
    std::string name;
    std::string text;
    std::string reading;
    std::vector<CustomPractice::ReadingGuess> guesses;
  };
  const std::vector<Case> cases = {
      {"sure words only", "学校で勉強します。", "がっこうでべんきょうします。", {}},
      // 今日 is also こんにち; 3階 also さんかい.
      {"several readings", "今日は3階へ", "きょうはさんがいへ", {{0, 2, 0, 3}, {3, 2, 4, 4}}},
      {"unknown Latin word kept", "ABCを", "ABCを", {{0, 3, 0, 3}}},
      // After a month 1日 is the first; alone it may be one day or the first.
      {"1日 after a month", "4月1日", "しがつついたち", {}},
      {"1日 alone", "1日に", "いちにちに", {{0, 2, 0, 4}}},
      {"7人 is しちにん or ななにん", "7人", "しちにん", {{0, 2, 0, 4}}},
      {"a code read digit by digit", "090", "ぜろきゅうぜろ", {{0, 3, 0, 7}}},
      // Positions are characters; a CR LF pair is one.
      {"after a line break", "学校\r\n今日", "がっこう\r\nきょう", {{3, 2, 5, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CustomPractice::ReadingSuggestion suggestion = CustomPractice::readingSuggestion(c.text);
    EXPECT_EQ(suggestion.reading, c.reading);
    EXPECT_EQ(suggestion.guesses, c.guesses);
  }
}

TEST(CustomPractice, SuggestedReadingPassesOddInputThrough) {
  EXPECT_EQ(CustomPractice::suggestedReading(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(CustomPractice::suggestedReading("\xff学校"), "\uFFFDがっこう");
}

TEST(CustomPractice, SuggestedReadingIsSafeFromSeveralThreads) {
  std::vector<std::thread> threads;
  std::vector<std::string> results(4);
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&results, i] {
      for (int n = 0; n < 20; ++n)
        results[i] = CustomPractice::suggestedReading("環境を守るために、資源を大切に使います。");
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& result : results)
    EXPECT_EQ(result, "かんきょうをまもるために、しげんをたいせつにつかいます。");
}

}  // namespace
}  // namespace tavro
