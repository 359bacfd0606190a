// The three-part highlight of a typed form shown under a prompt: what has
// been typed, the next character to type and the rest. It serves romaji
// prompts (from the spelling that best agrees with the typed text) and the
// roman forms of English and Nepali prompts.
#pragma once

#include "TavroCore/input/RomajiStyle.h"

#include <string>
#include <string_view>

namespace tavro {

struct RomajiGuide {
  std::string completed;  // the part already typed
  std::string active;     // the next character to type; empty at the end
  std::string remaining;  // the rest after it

  RomajiGuide() = default;
  RomajiGuide(std::string completed, std::string active, std::string remaining);

  // The guide of a full typed form: `completed` is `typed` itself, and the
  // spelling's characters after the first (number of characters of `typed`)
  // give `active` and `remaining`. `typed` is not compared with `spelling`.
  static RomajiGuide fromSpelling(std::string_view spelling, std::string_view typed);

  // The guide of a hiragana prompt: the typed romaji is lower-cased, and the
  // guide follows the first spelling of the prompt that begins with it (or
  // the typed text alone when no spelling does).
  static RomajiGuide fromPrompt(std::string_view prompt, std::string_view typed);

  // The guide line of a hiragana prompt in a spelling style: it follows
  // Romaji::styledSpelling(prompt, lower-cased typed, style), or the typed
  // text alone when that has none. This is the line the tutor shows; the
  // accepted spellings and the matcher's expected input do not change.
  static RomajiGuide fromPrompt(std::string_view prompt, std::string_view typed, RomajiStyle style);

  // completed + active + remaining.
  std::string text() const;

  bool operator==(const RomajiGuide&) const = default;
};

}  // namespace tavro
