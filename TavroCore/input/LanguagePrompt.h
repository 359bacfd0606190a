// An English or Nepali practice prompt in its three forms: the text shown
// (Devanagari for Nepali), the preferred typed form (a romanization; for
// English the shown text itself) and further accepted typed forms.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct LanguagePrompt {
  std::string display;                // the shown text, in normalization form C
  std::string roman;                  // the preferred typed form
  std::vector<std::string> variants;  // further accepted typed forms, in order

  // `display` is `shown` in normalization form C; `roman` is `typed` when
  // given, otherwise `shown` exactly as passed (not normalised).
  explicit LanguagePrompt(std::string_view shown, const std::optional<std::string>& typed = std::nullopt,
                 std::vector<std::string> variants = {});

  // True when any Unicode scalar of `text` lies in the Devanagari block
  // (U+0900 to U+097F). Ill-formed UTF-8 is read as U+FFFD, which is not.
  static bool isNative(std::string_view text);

  // `roman` followed by `variants`.
  std::vector<std::string> romanAlternatives() const;

  // The texts a learner typing Devanagari directly may produce, sorted and
  // without duplicates: `display`, `display` with Devanagari digits as ASCII
  // digits, `display` with every danda as ".", and both replacements at once.
  // Digit forms are never mixed within one text.
  std::vector<std::string> nativeAlternatives() const;

  friend bool operator==(const LanguagePrompt&, const LanguagePrompt&) = default;
};

}  // namespace tavro
