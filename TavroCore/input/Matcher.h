// The state of one prompt while the learner types it: the text accepted so
// far and the complete texts that are still possible. The host makes one
// matcher per prompt, passes every keystroke to `input`, counts it as correct
// when accepted and as a miss when rejected (a rejected keystroke changes
// nothing), and moves on when `complete` becomes true.
//
// Three flavours share the type: a hiragana prompt typed in romaji (its
// spellings come from `Romaji`, searched on demand and memoised there), a
// fixed list of accepted texts (compared case-sensitively or after
// lower-casing the input), and a Nepali prompt typed romanized or directly in
// Devanagari. A matcher is a plain value; copying it copies the typed state.
#pragma once

#include "TavroCore/input/LanguagePrompt.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class Matcher {
 public:
  // A fixed list of accepted texts. With `caseSensitive` false every input
  // is lower-cased before it is compared (the alternatives are not).
  Matcher(std::vector<std::string> alternatives, bool caseSensitive);

  // A hiragana prompt typed in romaji; input is lower-cased.
  static Matcher romaji(std::string romajiPrompt);

  // A Nepali prompt: typed in Devanagari when `directMode` is set (its native
  // alternatives, case-sensitive), otherwise romanized (`roman` and its
  // variants, input lower-cased).
  static Matcher nepali(LanguagePrompt nepaliPrompt, bool directMode);

  // The accepted text so far, in normalization form C.
  const std::string& typed() const { return typed_; }

  // The accepted complete texts; empty for a romaji prompt.
  const std::vector<std::string>& alternatives() const { return alternatives_; }

  // The complete texts that still agree with `typed`, in order (for a romaji
  // prompt the preferred spelling first).
  std::vector<std::string> candidates() const;

  // True when some candidate equals `typed`. Further input may still be
  // accepted (ほん is complete after "hon" and still takes "n").
  bool complete() const;

  // The inputs that can follow `typed`: the next character of every
  // candidate (the next Unicode scalar when typing Devanagari directly).
  std::set<std::string> next() const;

  // The one input to suggest next, from the first candidate (for a Nepali
  // prompt with `native` set, or once Devanagari has been typed, from the
  // first candidate in Devanagari), or nothing.
  std::optional<std::string> expectedInput(bool native = false) const;

  // Offers the characters of one keystroke (or of a text committed by an
  // input method) as a whole. Accepted when `typed` followed by them (lower-
  // cased unless case-sensitive, then normalised) still agrees with a
  // candidate; then `typed` takes that text. Rejected input changes nothing.
  bool input(std::string_view piece);

  // Replaces `typed` wholesale by `text` (normalised, not lower-cased) when
  // an alternative agrees with it, for input methods that rewrite the text
  // under composition. Romaji and lower-casing matchers never replace.
  bool replaceNativePrefix(std::string_view text);

 private:
  Matcher() = default;

  bool agrees(std::string_view text) const;

  std::string typed_;
  std::vector<std::string> alternatives_;
  // The alternatives in normalization form C, for comparisons under
  // canonical equivalence (not used for Nepali prompts, compared as bytes).
  std::vector<std::string> normalizedAlternatives_;
  std::optional<std::string> romajiPrompt_;
  std::optional<LanguagePrompt> nepaliPrompt_;
  bool directNative_ = false;
  bool caseSensitive_ = false;
};

}  // namespace tavro
