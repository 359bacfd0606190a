#include "TavroCore/content/NumberReading.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavro {
namespace {

using NumberReading::Reading;

TEST(NumberReading, NumbersInWords) {
  struct Case {
    std::string numerals;
    std::optional<Reading> expected;
  };
  const std::vector<Case> cases = {
      {"0", Reading{"ぜろ"}},
      {"2024", Reading{"にせんにじゅうよん"}},
      // Full-width digits, kanji written positionally and kanji with units
      // all give the same words.
      {"２０２４", Reading{"にせんにじゅうよん"}},
      {"二〇二四", Reading{"にせんにじゅうよん"}},
      {"二千二十四", Reading{"にせんにじゅうよん"}},
      {"十", Reading{"じゅう"}},
      {"300", Reading{"さんびゃく"}},
      {"600", Reading{"ろっぴゃく"}},
      {"3000", Reading{"さんぜん"}},
      {"8000", Reading{"はっせん"}},
      {"10000", Reading{"いちまん"}},
      {"10000000", Reading{"いっせんまん"}},
      {"1万2千", Reading{"いちまんにせん"}},
      {"1,250", Reading{"せんにひゃくごじゅう"}},
      {"100000000", Reading{"いちおく"}},
      {"1000000000000", Reading{"いっちょう"}},
      {"1.5", Reading{"いってんご"}},
      {"3.14", Reading{"さんてんいちよん"}},
      // Codes and numbers beyond words are spelled digit by digit, as guesses.
      {"090", Reading{"ぜろきゅうぜろ", true}},
      {"12345678901234567",
       Reading{"いちにさんよんごろくななはちきゅうぜろいちにさんよんごろくなな", true}},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"1.2.3", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numerals);
    EXPECT_EQ(NumberReading::ofNumber(c.numerals), c.expected);
  }
}

TEST(NumberReading, ValuesAreBoundedBeforeTheyOverflow) {
  EXPECT_EQ(NumberReading::value("9999999999999999"), 9999999999999999ULL);
  EXPECT_EQ(NumberReading::value("10000000000000000"), std::nullopt);
  EXPECT_EQ(NumberReading::value("九千九百九十九兆九千九百九十九億"), 9999999900000000ULL);
  EXPECT_EQ(NumberReading::value("一万兆"), std::nullopt);
  EXPECT_EQ(NumberReading::value("千万"), 10000000ULL);
  EXPECT_EQ(NumberReading::value("万"), std::nullopt);
  EXPECT_EQ(NumberReading::value("一億二千万"), 120000000ULL);
  EXPECT_EQ(NumberReading::value(std::string(5000, '9')), std::nullopt);
}

TEST(NumberReading, CountsAsTheyAreSaid) {
  struct Case {
    std::string numerals;
    std::string counter;
    std::string counterReading;
    bool afterMonth;
    std::optional<Reading> expected;
  };
  const std::vector<Case> cases = {
      {"1", "人", "ニン", false, Reading{"ひとり"}},
      {"一", "人", "ニン", false, Reading{"ひとり"}},
      {"2", "人", "ニン", false, Reading{"ふたり"}},
      {"4", "人", "ニン", false, Reading{"よにん"}},
      {"7", "人", "ニン", false, Reading{"しちにん", true}},
      {"11", "人", "ニン", false, Reading{"じゅういちにん"}},
      {"1", "日", "ニチ", true, Reading{"ついたち"}},
      {"1", "日", "ニチ", false, Reading{"いちにち", true}},
      {"5", "日", "ニチ", false, Reading{"いつか"}},
      {"14", "日", "ニチ", false, Reading{"じゅうよっか"}},
      {"20", "日", "ニチ", false, Reading{"はつか"}},
      {"24", "日", "ニチ", false, Reading{"にじゅうよっか"}},
      {"19", "日", "ニチ", false, Reading{"じゅうくにち"}},
      {"2", "日間", "ニチカン", false, Reading{"ふつかかん"}},
      {"4", "月", "ツキ", false, Reading{"しがつ"}},
      {"9", "月", "ツキ", false, Reading{"くがつ"}},
      {"12", "月", "ツキ", false, Reading{"じゅうにがつ"}},
      {"3", "ヶ月", "カゲツ", false, Reading{"さんかげつ"}},
      {"10", "か月", "カゲツ", false, Reading{"じゅっかげつ"}},
      {"2024", "年", "ネン", false, Reading{"にせんにじゅうよねん"}},
      {"4", "時", "ジ", false, Reading{"よじ"}},
      {"4", "時半", "ジハン", false, Reading{"よじはん"}},
      {"7", "時間", "ジカン", false, Reading{"しちじかん"}},
      {"3", "分", "フン", false, Reading{"さんぷん"}},
      {"10", "分", "フン", false, Reading{"じゅっぷん"}},
      {"45", "分", "フン", false, Reading{"よんじゅうごふん"}},
      {"1", "本", "ホン", false, Reading{"いっぽん"}},
      {"3", "本", "ホン", false, Reading{"さんぼん"}},
      {"300", "本", "ホン", false, Reading{"さんびゃっぽん"}},
      {"1000", "本", "ホン", false, Reading{"せんぼん"}},
      {"10000", "本", "ホン", false, Reading{"いちまんぼん"}},
      {"何", "本", "ホン", false, Reading{"なんぼん"}},
      {"6", "個", "コ", false, Reading{"ろっこ"}},
      {"1", "回目", "カイメ", false, Reading{"いっかいめ"}},
      {"3", "階", "カイ", false, Reading{"さんがい", true}},
      {"3", "匹", "ヒキ", false, Reading{"さんびき"}},
      {"8", "歳", "サイ", false, Reading{"はっさい"}},
      {"20", "歳", "サイ", false, Reading{"はたち", true}},
      {"100", "歳", "サイ", false, Reading{"ひゃくさい"}},
      {"4", "円", "エン", false, Reading{"よえん"}},
      {"1万2千", "円", "エン", false, Reading{"いちまんにせんえん"}},
      {"4", "つ", "ツ", false, Reading{"よっつ"}},
      {"10", "つ", "ツ", false, Reading{"とお"}},
      // No such count, no such counter, no number: the caller reads plainly.
      {"11", "つ", "ツ", false, std::nullopt},
      {"3", "犬", "イヌ", false, std::nullopt},
      {"abc", "本", "ホン", false, std::nullopt},
      // The rest of a counter word must follow the counter's own reading.
      {"2", "日間", "ジカン", false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numerals + c.counter);
    EXPECT_EQ(NumberReading::ofCount(c.numerals, c.counter, c.counterReading, c.afterMonth),
              c.expected);
  }
}

}  // namespace
}  // namespace tavro
