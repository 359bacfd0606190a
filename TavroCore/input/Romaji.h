// Romaji spellings of hiragana prompts. A prompt (hiragana with the long-vowel
// mark, Japanese punctuation and occasionally other characters) may be typed
// in several ways: し as "si" or "shi", ん as "n", "nn" or "n'", っ as a doubled
// consonant or "xtu", and so on. This namespace holds the spelling table and
// the search that enumerates the complete spellings of a prompt agreeing with
// what the learner has typed, plus what is derived from it: completed prompt
// characters, per-kana key hints and the JIS kana keys of a kana text.
//
// Every operation may be called from several threads at once. Search results
// are memoised per prompt and typed text in one process-wide cache, guarded by
// the only lock of the system.
#pragma once

#include "TavroCore/input/RomajiStyle.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One per-kana key hint shown above a romaji prompt: a head of the preferred
// spelling that agrees with what has been typed.
struct RomajiHint {
  std::int64_t id = 0;                   // index of the head's first prompt character
  std::string kana;                      // the prompt characters the head covers
  std::vector<std::string> keys;         // the head's keys, one upper-case character each
  std::int64_t typedCount = 0;           // how many of `keys` are typed
  std::optional<std::int64_t> activeStroke;  // index of the next key, only for the head being typed

  // True for the head being typed now.
  bool isActive() const { return activeStroke.has_value(); }

  // "[ " + keys joined with single spaces + " ]", e.g. "[ K A ]".
  std::string text() const;

  friend bool operator==(const RomajiHint&, const RomajiHint&) = default;
};

namespace Romaji {

// The spelling table: a key of one or two hiragana characters (or one
// punctuation character) to its spellings, preferred spelling first.
// Characters without an entry are spelled as themselves.
const std::map<std::string, std::vector<std::string>, std::less<>>& table();

// Prompts and typed texts are compared in normalization form C (ill-formed
// UTF-8 read as U+FFFD per bad sequence), so canonically equivalent forms
// agree either way round: a prompt "e\u0301" accepts a typed "é" and a prompt
// "é" a typed "e\u0301", and a decomposed が has the spellings of が.
// Spellings are returned in that form.

// Every complete spelling of `prompt`, in search order (at most 128).
std::vector<std::string> spellings(std::string_view prompt);

// The complete spellings of `prompt` that begin with `typed` (whole
// characters), in search order (at most 128); empty when `typed` cannot be
// continued to a spelling. `typed` is not lower-cased.
std::vector<std::string> matchingSpellings(std::string_view prompt, std::string_view typed);

// The number of prompt characters whose spelling has been typed completely
// (the best over every spelling that agrees with `typed`); 0 when none agrees.
std::int64_t completedCharacters(std::string_view prompt, std::string_view typed);

// Hints for the head being typed and the heads after it, at most `limit`,
// along the first spelling that agrees with the lower-cased `typed`. Empty
// when `limit` is below 1 or nothing agrees. Each hint's kana is cut from the
// prompt in normalization form C.
std::vector<RomajiHint> hints(std::string_view prompt, std::string_view typed, std::int64_t limit);

// The complete spelling of `prompt` a guide line shows in `style`, given
// what has been typed (lower-cased here): it begins with `typed` (in
// normalization form C) and continues along accepted heads. Where `typed`
// leaves several heads open (typed "s" for し), the one that leads to the
// style's spelling is followed; a head the learner has chosen (typed "si")
// is kept, and the rest still follows the style. Per character the style
// picks, among the spellings the table accepts there:
// - hepburn: shi chi tsu fu ji, sha shu sho, cha chu cho, ja ju jo;
// - kunrei: si ti tu hu zi, sya syu syo, tya tyu tyo, zya zyu zyo;
// - fewestKeys: the fewest keys, on equal counts the table's first;
// and every other character its table-first spelling (ぢ "di" and づ "du"
// in both systems, as no other spelling of theirs is accepted; ん "n"
// where a lone n is accepted, otherwise "nn"). っ doubles the first letter
// of the spelling after it where that is accepted, otherwise "xtu".
// Nothing when `typed` cannot be continued to a spelling. The work is
// linear in the prompt's heads times the typed length: no spelling list is
// enumerated, so a long prompt gets its styled spelling whatever its
// number of spellings.
std::optional<std::string> styledSpelling(std::string_view prompt, std::string_view typed,
                                          RomajiStyle style);

// Key hints as `hints` gives them, along styledSpelling(prompt, typed,
// style) instead of the first spelling, so that the hints above a prompt
// spell what its guide line shows.
std::vector<RomajiHint> hints(std::string_view prompt, std::string_view typed, std::int64_t limit,
                              RomajiStyle style);

// The JIS kana-layout keys of a kana text: each kana of the key map becomes
// its key label, the voiced and semi-voiced marks (after canonical
// decomposition) become "@" and "[", everything else passes through:
// が gives "t@", ぱ "f[", ゔ "4@".
std::string kanaKeys(std::string_view kana);

}  // namespace Romaji
}  // namespace tavro
