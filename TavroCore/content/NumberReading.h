// Numbers read aloud the way a learner says them: 2024 is にせんにじゅうよん,
// and a number before a counter takes the counter's sound changes (1本 いっぽん,
// 3本 さんぼん, 1人 ひとり, 5日 いつか, 4月 しがつ, 20歳 はたち). Numerals may be
// ASCII or full-width digits, kanji numerals (二千二十四, 二〇二四) or a mix
// (1万2千), with "," between groups of three digits and one decimal point.
// Used by suggested readings; pure functions, safe from several threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::NumberReading {

// A reading in hiragana, and whether it is one of several a learner may
// meet (7人 しちにん or ななにん, 3階 さんがい or さんかい, 1日 ついたち or
// いちにち, a number spelled digit by digit) and should be checked.
struct Reading {
  std::string hiragana;
  bool isGuess = false;

  bool operator==(const Reading&) const = default;
};

// The whole number written by `numerals`, or nothing when it holds anything
// else, a decimal point, or a value of 10^16 or more.
std::optional<std::uint64_t> value(std::string_view numerals);

// The reading of a number: 0 ぜろ, 2024 にせんにじゅうよん, 1.5 いってんご.
// Digits after a leading 0 (090) and numbers too long for words are read
// digit by digit and marked as a guess. Nothing when `numerals` is not a
// number.
std::optional<Reading> ofNumber(std::string_view numerals);

// The reading of a number followed by a counter word, both together:
// `counterWord` is the counter as written, possibly with more after it
// (時間, 日目, 時半), and `counterReading` its katakana reading from the
// dictionary, used for what follows the counter itself. "何" counts as a
// number here (何本 なんぼん). `afterMonth` says a month came just before,
// which makes 1日 the first of the month (ついたち) rather than one day.
// Nothing when the counter is not one whose readings are known or the
// number does not go with it (11つ); the caller then reads both plainly.
std::optional<Reading> ofCount(std::string_view numerals, std::string_view counterWord,
                               std::string_view counterReading, bool afterMonth);

// True when `word` is a counter whose readings are known ("本", "時間", ...).
bool isCounter(std::string_view word);

}  // namespace tavro::NumberReading
