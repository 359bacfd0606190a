// An English or Nepali practice prompt in its three forms: the text shown
// (Devanagari for Nepali), the preferred typed form (a romanization; for
// English the shown text itself) and further accepted typed forms.
#pragma once

#include "TavroCore/input/TavroLanguage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class Matcher;
struct RomajiGuide;

struct LanguagePrompt {
  std::string display;                // the shown text, in normalization form C
  std::string roman;                  // the preferred typed form
  std::vector<std::string> variants;  // further accepted typed forms, in order

  // `display` is `shown` in normalization form C; `roman` is `typed` when
  // given, otherwise `shown` exactly as passed (not normalised).
  explicit LanguagePrompt(std::string_view shown,
                          const std::optional<std::string>& typed = std::nullopt,
                          std::vector<std::string> variants = {});

  // True when any Unicode scalar of `text` lies in the Devanagari block
  // (U+0900 to U+097F). Ill-formed UTF-8 is read as U+FFFD, which is not.
  static bool isNative(std::string_view text);

  // `text` as a learner typing Devanagari may enter it: with `digits`, each
  // Devanagari digit (U+0966 to U+096F) becomes the ASCII digit of the same
  // value; with `dandas`, each danda (U+0964) becomes "."; every other
  // character stays (ill-formed UTF-8 becomes U+FFFD).
  static std::string replacingDigitsAndDandas(std::string_view text, bool digits, bool dandas);

  // `roman` followed by `variants`.
  std::vector<std::string> romanAlternatives() const;

  // The texts a learner typing Devanagari directly may produce, sorted and
  // without duplicates: `display`, `display` with Devanagari digits as ASCII
  // digits, `display` with every danda as ".", and both replacements at once.
  // Digit forms are never mixed within one text.
  std::vector<std::string> nativeAlternatives() const;

  // The matcher that checks typing of this prompt: for Nepali the Nepali
  // matcher (Devanagari alternatives when `directMode` is set, roman ones
  // otherwise); for any other language the roman alternatives compared
  // case-sensitively, whatever `directMode` says.
  Matcher matcher(TavroLanguage language, bool directMode) const;

  // The number of shown characters done after `typed`. Devanagari typed
  // directly: the leading shown characters it holds in full (digits in either
  // form, "." for the danda). A complete roman form: all of them. English: the
  // number of typed characters, capped at the number of shown characters, so
  // that the answer is always a position in `display`. Romanized Nepali: the
  // shown words (and the spaces after them) whose roman words are typed in
  // full; nothing before the end when the word counts differ.
  std::int64_t completedDisplayCharacters(std::string_view typed) const;

  // The highlight of the roman form for `typed`: the roman alternative it
  // agrees with (Nepali compared in lower case); while Devanagari is typed
  // directly, the roman words of the shown words done so far.
  RomajiGuide guide(std::string_view typed, TavroLanguage language) const;

  friend bool operator==(const LanguagePrompt&, const LanguagePrompt&) = default;
};

}  // namespace tavro
