#include "TavroCore/content/CustomPractice.h"

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
      // Counters after digits; the digits stay as written.
      {"1日30分歩いています。", "1にち30ぷんあるいています。"},
      {"水を2本買いました。", "みずを2ほんかいました。"},
      {"5分と1本", "5ふんと1ぽん"},
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
