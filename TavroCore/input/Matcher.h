// The state of one prompt while the learner types it: the text accepted so
// far and the complete texts that are still possible. The host makes one
// matcher per prompt, passes every keystroke to `input`, counts it as correct
// when accepted and as a miss when rejected (a rejected keystroke changes
// nothing), and moves on when `complete` becomes true.
//
// Three flavours share the type: a hiragana prompt typed in romaji (its
// spellings are those of `Romaji`; the matcher follows the typed text through
// the prompt's heads key by key, so a keystroke costs no search), a
// fixed list of accepted texts (compared case-sensitively or after
// lower-casing the input), and a Nepali prompt typed romanized or directly in
// Devanagari. A matcher is a plain value; copying it copies the typed state.
#pragma once

#include "TavroCore/input/LanguagePrompt.h"
#include "TavroCore/input/Romaji.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

namespace Romaji::detail {
struct PromptPlan;

// Where one spelling that agrees with the typed text stands: at `position`
// with no head begun (`head` is kNoHead), or `offset` keys into the head
// with index `head` of that position.
struct TypingState {
  static constexpr std::uint32_t kNoHead = 0xFFFFFFFF;
  std::uint32_t position = 0;
  std::uint32_t head = kNoHead;
  std::uint32_t offset = 0;
};
}  // namespace Romaji::detail

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

  // The inputs that can follow `typed`, as `next()` gives them (sorted, no
  // duplicates), written into `out`, whose storage is reused.
  void next(std::vector<std::string>& out) const;

  // Romaji prompts: the number of prompt characters whose spelling has been
  // typed completely, `Romaji::completedCharacters(prompt, typed())`. 0 for
  // the other flavours.
  std::int64_t completedCharacters() const;

  // Romaji prompts: the key hints for the head being typed and the heads
  // after it, `Romaji::hints(prompt, typed(), limit)`. Empty for the other
  // flavours. The second form writes into `out`, reusing its storage.
  std::vector<RomajiHint> hints(std::int64_t limit) const;
  void hints(std::int64_t limit, std::vector<RomajiHint>& out) const;

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
  using TypingState = Romaji::detail::TypingState;

  // Working buffers of `input`, not part of the value: a copy starts with
  // empty buffers, and assigning a matcher keeps the buffers it has.
  struct Scratch {
    std::vector<TypingState> step;
    std::vector<TypingState> spare;

    Scratch() = default;
    Scratch(const Scratch&) {}
    Scratch(Scratch&&) = default;
    Scratch& operator=(const Scratch&) { return *this; }
    Scratch& operator=(Scratch&&) = default;
  };

  Matcher() = default;

  bool agrees(std::string_view text) const;
  // True while a romaji matcher answers from its states (see `live_`).
  bool following() const { return plan_ != nullptr && !searching_; }
  bool inputKeys(std::string_view keys);
  bool extend(const std::vector<TypingState>& from, char key, std::vector<TypingState>& to);
  std::uint32_t completionsAfter(const TypingState& state) const;

  std::string typed_;
  std::vector<std::string> alternatives_;
  // The alternatives in normalization form C, for comparisons under
  // canonical equivalence (not used for Nepali prompts, compared as bytes).
  std::vector<std::string> normalizedAlternatives_;
  std::optional<std::string> romajiPrompt_;
  std::optional<LanguagePrompt> nepaliPrompt_;
  bool directNative_ = false;
  bool caseSensitive_ = false;
  // Romaji prompts: the prompt's heads and, in search order, the state of
  // every head sequence that spells the typed text. The spellings one state
  // leads to follow one another in search order and the plan counts them, so
  // the first 128 spellings, where the search stops, are known without
  // listing them. When the typed text leaves plain ASCII keys (where
  // characters and normalization need the search's rules) or the states
  // grow past a bound, the matcher answers from the search instead
  // (`searching_`), as it always did.
  std::shared_ptr<const Romaji::detail::PromptPlan> plan_;
  std::vector<TypingState> live_;
  Scratch scratch_;
  bool searching_ = false;
};

}  // namespace tavro
