#include "TavroCore/content/NumberReading.h"

#include "Support/Text.h"
#include "TavroCore/content/NumberReadingTables.h"

#include <array>
#include <vector>

namespace tavro::NumberReading {

namespace {

// Beyond this, numbers have no everyday words (京 and up) and are spelled
// digit by digit.
constexpr std::uint64_t valueLimit = 10'000'000'000'000'000ULL;  // 10^16

// The digit a numeral character stands for, or -1.
int digitOf(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'０' && c <= U'９') return static_cast<int>(c - U'０');
  static constexpr std::u32string_view kanji = U"〇一二三四五六七八九";
  if (const std::size_t at = kanji.find(c); at != std::u32string_view::npos)
    return static_cast<int>(at);
  if (c == U'零') return 0;
  return -1;
}

bool isWrittenDigit(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= U'０' && c <= U'９');
}

bool isSeparator(char32_t c) {
  return c == U',' || c == U'，';
}
bool isPoint(char32_t c) {
  return c == U'.' || c == U'．';
}

// x * factor + add, or nothing once it reaches the limit.
std::optional<std::uint64_t> scaled(std::uint64_t x, std::uint64_t factor, std::uint64_t add) {
  if (x > (valueLimit - 1 - add) / factor) return std::nullopt;
  return x * factor + add;
}

// The forms of a counter written at the start of `word`, the longest that
// fits, with its length in bytes.
std::optional<std::pair<std::string_view, const CounterForms*>> counterAt(std::string_view word) {
  const auto& table = counterForms();
  std::optional<std::pair<std::string_view, const CounterForms*>> best;
  for (const auto& [counter, forms] : table) {
    if (word.substr(0, counter.size()) != counter) continue;
    if (!best || counter.size() > best->first.size()) best.emplace(counter, &forms);
  }
  return best;
}

// `text` with its last `suffix` (which it ends with) replaced by `by`.
std::string replacingEnd(std::string text, std::string_view suffix, std::string_view by) {
  if (text.size() >= suffix.size() &&
      text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
    text.replace(text.size() - suffix.size(), suffix.size(), by);
  return text;
}

// One group of four digits in words, with the counter's forms on its last
// word when `counter` is given. `beforeUnit` says a まん, おく or ちょう
// follows (1000万 いっせんまん).
std::string groupWords(unsigned group, bool beforeUnit, const CounterForms* counter) {
  const NumberWords& words = numberWords();
  const unsigned thousands = group / 1000, hundreds = group / 100 % 10, tens = group / 10 % 10,
                 ones = group % 10;
  const int last = ones != 0 ? 0 : tens != 0 ? 1 : hundreds != 0 ? 2 : 3;
  std::string result;
  if (thousands != 0) {
    result +=
        thousands == 1 && beforeUnit ? words.oneThousandBeforeUnit : words.thousands[thousands];
    if (counter && last == 3) result += counter->afterN.empty() ? counter->plain : counter->afterN;
  }
  if (hundreds != 0) {
    if (counter && last == 2 && !counter->afterHundred.empty()) {
      result += replacingEnd(std::string(words.hundreds[hundreds]), "く", "っ");
      result += counter->afterHundred;
    } else {
      result += words.hundreds[hundreds];
      if (counter && last == 2) result += counter->plain;
    }
  }
  if (tens != 0) {
    result += words.tensMultipliers[tens];
    if (counter && last == 1 && !counter->afterTen.empty()) {
      result += "じゅっ";
      result += counter->afterTen;
    } else {
      result += "じゅう";
      if (counter && last == 1) result += counter->plain;
    }
  }
  if (ones != 0) result += counter && last == 0 ? counter->digits[ones] : words.ones[ones];
  return result;
}

// A whole number in words, the counter's forms on its last word.
std::string spelled(std::uint64_t value, const CounterForms* counter) {
  const NumberWords& words = numberWords();
  if (value == 0) return std::string(words.zero) + std::string(counter ? counter->plain : "");
  std::array<unsigned, 4> groups{};
  for (std::size_t k = 0; k < groups.size(); ++k) {
    groups[k] = static_cast<unsigned>(value % 10000);
    value /= 10000;
  }
  std::size_t lowest = 0;
  while (groups[lowest] == 0) ++lowest;
  std::string result;
  for (std::size_t k = groups.size(); k-- > 0;) {
    if (groups[k] == 0) continue;
    std::string group = groupWords(groups[k], k > 0, k == 0 ? counter : nullptr);
    if (k == 3) {
      // ちょう takes a small つ after いち, はち and じゅう.
      group = replacingEnd(std::move(group), "いち", "いっ");
      group = replacingEnd(std::move(group), "はち", "はっ");
      group = replacingEnd(std::move(group), "じゅう", "じゅっ");
    }
    result += group;
    result += words.units[k];
    if (k > 0 && k == lowest && counter)
      result += k == 1 && !counter->afterN.empty() ? counter->afterN : counter->plain;
  }
  return result;
}

std::string digitByDigit(const std::vector<char32_t>& digits) {
  const NumberWords& words = numberWords();
  std::string result;
  for (char32_t c : digits) {
    const int digit = digitOf(c);
    result += digit == 0 ? words.zero : words.ones[static_cast<std::size_t>(digit)];
  }
  return result;
}

}  // namespace

std::optional<std::uint64_t> value(std::string_view numerals) {
  std::uint64_t total = 0, section = 0, current = 0;
  // Units of four digits come largest first (一億二千万), each after a figure.
  std::uint64_t lastBig = valueLimit;
  bool haveCurrent = false, sawNumeral = false;
  for (char32_t c : text::codePoints(numerals)) {
    if (const int digit = digitOf(c); digit >= 0) {
      const auto next = scaled(current, 10, static_cast<std::uint64_t>(digit));
      if (!next) return std::nullopt;
      current = *next;
      haveCurrent = sawNumeral = true;
      continue;
    }
    if (isSeparator(c) && haveCurrent) continue;
    std::uint64_t small = c == U'十' ? 10 : c == U'百' ? 100 : c == U'千' ? 1000 : 0;
    if (small != 0) {
      const auto part = scaled(haveCurrent ? current : 1, small, 0);
      if (!part || *part > valueLimit - 1 - section) return std::nullopt;
      section += *part;
      current = 0;
      haveCurrent = false;
      sawNumeral = true;
      continue;
    }
    std::uint64_t big = c == U'万'   ? 10'000ULL
                        : c == U'億' ? 100'000'000ULL
                        : c == U'兆' ? 1'000'000'000'000ULL
                                     : 0;
    const std::uint64_t group = section + current;
    if (big == 0 || big >= lastBig || group == 0) return std::nullopt;
    lastBig = big;
    const auto part = scaled(group, big, 0);
    if (!part || *part > valueLimit - 1 - total) return std::nullopt;
    total += *part;
    section = current = 0;
    haveCurrent = false;
  }
  if (!sawNumeral) return std::nullopt;
  if (section + current > valueLimit - 1 - total) return std::nullopt;
  return total + section + current;
}

std::optional<Reading> ofNumber(std::string_view numerals) {
  const std::vector<char32_t> characters = text::codePoints(numerals);
  if (characters.empty()) return std::nullopt;
  // Decimals: the whole part as before 点 (いってん), then each digit.
  std::size_t points = 0, pointAt = 0;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (isPoint(characters[i])) ++points, pointAt = i;
  }
  if (points == 1) {
    const std::string whole = text::fromCodePoints(
        {characters.begin(), characters.begin() + static_cast<std::ptrdiff_t>(pointAt)});
    const std::vector<char32_t> fraction(
        characters.begin() + static_cast<std::ptrdiff_t>(pointAt) + 1, characters.end());
    if (fraction.empty()) return std::nullopt;
    for (char32_t c : fraction) {
      if (!isWrittenDigit(c)) return std::nullopt;
    }
    auto reading = ofCount(whole, "点", "テン", false);
    if (!reading) return std::nullopt;
    reading->hiragana += digitByDigit(fraction);
    return reading;
  }
  if (points > 1) return std::nullopt;
  bool allWrittenDigits = true;
  for (char32_t c : characters) allWrittenDigits = allWrittenDigits && isWrittenDigit(c);
  // 090 or a number too long for words: a code, read digit by digit.
  if (allWrittenDigits && (characters.size() > 1 && digitOf(characters.front()) == 0))
    return Reading{digitByDigit(characters), true};
  const std::optional<std::uint64_t> number = value(numerals);
  if (!number) {
    if (allWrittenDigits) return Reading{digitByDigit(characters), true};
    return std::nullopt;
  }
  return Reading{spelled(*number, nullptr), false};
}

std::optional<Reading> ofCount(std::string_view numerals, std::string_view counterWord,
                               std::string_view counterReading, bool afterMonth) {
  const auto found = counterAt(counterWord);
  if (!found) return std::nullopt;
  const auto& [counter, forms] = *found;

  // What the counter word says beyond the counter itself (間 of 時間).
  std::string rest;
  if (counterWord.size() > counter.size()) {
    bool matched = false;
    for (std::string_view own : text::split(forms->dictionaryReadings, '|')) {
      if (counterReading.substr(0, own.size()) != own || counterReading.size() == own.size())
        continue;
      rest = text::transform("Hiragana-Katakana", counterReading.substr(own.size()), true);
      matched = true;
      break;
    }
    if (!matched) return std::nullopt;
  }

  if (numerals == "何") {
    if (forms->onlyExact) return std::nullopt;
    return Reading{
        "なん" + std::string(forms->afterN.empty() ? forms->plain : forms->afterN) + rest, false};
  }
  for (char32_t c : text::codePoints(numerals)) {
    if (isPoint(c)) {
      // A counter's sound changes are not settled after a decimal.
      auto reading = ofNumber(numerals);
      if (!reading || forms->onlyExact) return std::nullopt;
      return Reading{reading->hiragana + std::string(forms->plain) + rest, true};
    }
  }
  const std::optional<std::uint64_t> number = value(numerals);
  if (!number) return std::nullopt;
  const auto& exact = exactCounts();
  if (const auto it = exact.find({counter, *number}); it != exact.end()) {
    if (afterMonth && !it->second.afterMonth.empty())
      return Reading{std::string(it->second.afterMonth) + rest, false};
    return Reading{std::string(it->second.reading) + rest, it->second.isGuess};
  }
  if (forms->onlyExact) return std::nullopt;
  const unsigned lastDigit = static_cast<unsigned>(*number % 10);
  const bool isGuess =
      lastDigit != 0 &&
      forms->guessDigits.find(static_cast<char>('0' + lastDigit)) != std::string_view::npos;
  return Reading{spelled(*number, forms) + rest, isGuess};
}

bool isCounter(std::string_view word) {
  return counterAt(word).has_value();
}

}  // namespace tavro::NumberReading
