#include "TavroCore/input/LanguagePrompt.h"

#include "Support/Text.h"

#include <algorithm>
#include <utility>

namespace tavro {

LanguagePrompt::LanguagePrompt(std::string_view shown, const std::optional<std::string>& typed,
                               std::vector<std::string> variants)
    : display(text::nfc(shown)), roman(typed ? *typed : std::string(shown)), variants(std::move(variants)) {}

bool LanguagePrompt::isNative(std::string_view text) {
  // Devanagari scalars are three bytes long and start with E0 A4 or E0 A5;
  // only texts holding such a lead need decoding.
  if (text.find('\xE0') == std::string_view::npos) return false;
  for (char32_t point : text::codePoints(text)) {
    if (point >= U'\u0900' && point <= U'\u097F') return true;
  }
  return false;
}

std::string LanguagePrompt::replacingDigitsAndDandas(std::string_view text, bool digits, bool dandas) {
  constexpr char32_t kDanda = U'\u0964';
  constexpr char32_t kDevanagariZero = U'\u0966';
  constexpr char32_t kDevanagariNine = U'\u096F';
  std::vector<char32_t> points = text::codePoints(text);
  for (char32_t& point : points) {
    if (digits && point >= kDevanagariZero && point <= kDevanagariNine) {
      point = U'0' + (point - kDevanagariZero);
    } else if (dandas && point == kDanda) {
      point = U'.';
    }
  }
  return text::fromCodePoints(points);
}

std::vector<std::string> LanguagePrompt::romanAlternatives() const {
  std::vector<std::string> out;
  out.reserve(variants.size() + 1);
  out.push_back(roman);
  out.insert(out.end(), variants.begin(), variants.end());
  return out;
}

std::vector<std::string> LanguagePrompt::nativeAlternatives() const {
  std::vector<std::string> out = {display, replacingDigitsAndDandas(display, true, false),
                                  replacingDigitsAndDandas(display, false, true),
                                  replacingDigitsAndDandas(display, true, true)};
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace tavro
