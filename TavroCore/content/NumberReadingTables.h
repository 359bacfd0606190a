// Tables behind `NumberReading` that are not part of its interface.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace tavro::NumberReading {

// The words of numbers, indexed by digit ([0] is empty where a zero says
// nothing): いち..きゅう, the tens' multipliers (に of にじゅう), the hundreds
// and thousands with their sound changes (さんびゃく, はっせん), and the
// units of four digits from 10^4 up (まん, おく, ちょう).
struct NumberWords {
  std::array<std::string_view, 10> ones;
  std::array<std::string_view, 10> tensMultipliers;
  std::array<std::string_view, 10> hundreds;
  std::array<std::string_view, 10> thousands;
  // A thousands figure before a unit of four digits says its one: いっせんまん.
  std::string_view oneThousandBeforeUnit;
  std::array<std::string_view, 4> units;  // [0] empty, まん, おく, ちょう
  // ちょう after 1, 8 and 10 takes a small つ: いっちょう, はっちょう, じゅっちょう.
  std::array<std::string_view, 10> onesBeforeGeminate;
  std::string_view zero;
  std::string_view point;  // the decimal point: てん
};
const NumberWords& numberWords();

// How a counter sounds after a number. The number's last word decides:
// a final digit gives `digits` (1本 いっぽん), じゅう and ひゃく become じゅっ
// and ひゃっ before counters that take a small つ (`afterTen`,
// `afterHundred`), せん and まん take `afterN` (せんぼん), anything else
// `plain`.
struct CounterForms {
  // Katakana readings the dictionary gives the counter alone, "|" between
  // them; what a longer counter word reads beyond one of them is its rest.
  std::string_view dictionaryReadings;
  std::array<std::string_view, 10> digits;  // [0] unused
  std::string_view plain;
  std::string_view afterTen;      // empty: じゅう + plain
  std::string_view afterHundred;  // empty: ひゃく + plain
  std::string_view afterN;        // empty: plain
  std::string_view guessDigits;   // final digits whose form is one of several
  bool onlyExact = false;         // only the exact counts below exist (ひとつ..とお)
};
// Counter as written to its forms.
const std::map<std::string_view, CounterForms>& counterForms();

// Whole counts with a reading of their own: 1人 ひとり, 5日 いつか, 20歳 はたち.
struct ExactCount {
  std::string_view reading;
  std::string_view afterMonth;  // the date reading when it differs (1日 ついたち)
  bool isGuess = false;
};
const std::map<std::pair<std::string_view, std::uint64_t>, ExactCount>& exactCounts();

}  // namespace tavro::NumberReading
