// Internal to TavroCore/input: the path search behind the romaji operations,
// shared with the matcher so that it reads the memoised result without
// copying it. Code outside this folder uses Romaji.h (tests and benchmarks
// include this header for the cache controls only). A path is one complete
// spelling of a prompt together with, for each prompt character, the length
// in characters of the spelling up to the end of the head covering it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::Romaji::detail {

// At most this many paths are produced per search.
inline constexpr std::size_t kMaxPaths = 128;
// The cache is emptied wholesale when it holds more than this many entries.
inline constexpr std::size_t kMaxCacheEntries = 256;
// Results for longer prompts (in characters) are never cached.
inline constexpr std::size_t kMaxCachedPromptCharacters = 120;
// Nor are results that would hold more memory than this (a prompt of few
// characters may still be long: one character can carry any number of
// combining marks), so the cache never holds more than 256 times this.
inline constexpr std::size_t kMaxCachedEntryBytes = 256 * 1024;

// The paths of one search, stored flat: one text buffer and one boundary
// buffer for all of them.
struct PathList {
  std::string texts;                      // every path's text, one after another
  std::vector<std::uint32_t> textEnds;    // end of each path's text in `texts`
  std::vector<std::uint32_t> boundaries;  // `promptCharacters` entries per path
  std::size_t promptCharacters = 0;
  // The prompt and the typed prefix as searched (see `paths`): the hints cut
  // their kana from `prompt`, and every path text begins with the prefix's
  // `prefixBytes` bytes.
  std::string prompt;
  std::size_t prefixBytes = 0;
  std::size_t prefixCharacters = 0;

  std::size_t size() const { return textEnds.size(); }
  bool empty() const { return textEnds.empty(); }
  std::string_view text(std::size_t index) const {
    std::uint32_t begin = index == 0 ? 0 : textEnds[index - 1];
    return std::string_view(texts).substr(begin, textEnds[index] - begin);
  }
  const std::uint32_t* boundariesOf(std::size_t index) const {
    return boundaries.data() + index * promptCharacters;
  }
};

// Offsets are 32-bit; texts this long are no prompt and get no spelling.
inline constexpr std::size_t kMaxSearchBytes = std::numeric_limits<std::uint32_t>::max() / 16;

// One head: a spelling of the prompt characters at one position.
struct Head {
  std::string_view spelling;
  std::uint32_t covered = 1;  // prompt characters, 1 or 2
  // True for table spellings and doubled letters, which are ASCII: each byte
  // is a character, so typing may stop inside the head and its length in
  // characters is its size. False for a character spelled as itself, which
  // counts as one character and is typed whole or not at all.
  bool ascii = true;
};

// The prompt cut into characters with the heads at every position, stored
// flat: heads of position i are heads[range[i].first, range[i].second). The
// views point into the prompt given to `headsOf` and into the table. Every
// head of one position covers the same number of characters, so the
// positions a spelling passes through are the same for every spelling.
struct PromptHeads {
  std::vector<std::string_view> characters;
  std::vector<Head> heads;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> range;
};

// The heads of a prompt already in its searched form (`searchedForm`).
PromptHeads headsOf(std::string_view prompt);

// The form in which prompts and typed texts are searched: well-formed UTF-8
// (U+FFFD per bad sequence) in normalization form C.
std::string searchedForm(std::string_view text);

// A character of a spelling as a hint shows it: upper-cased.
std::string hintKey(std::string_view character);

// The kana before which ん is typed "nn" or "n'" only, never a lone "n".
const std::vector<std::string_view>& kanaBeforeDoubledN();

// The paths of `prompt` whose text agrees with `prefix`, in search order,
// memoised. Never null. Both texts are searched in normalization form C,
// after ill-formed UTF-8 has been replaced by U+FFFD per bad sequence, so
// canonically equivalent prompts and typed texts agree whichever form each
// comes in, and every path text is well-formed and in form C.
std::shared_ptr<const PathList> paths(std::string_view prompt, std::string_view prefix);

// Empties the path cache (benchmarks measure the uncached search with it).
void clearPathCache();

// The number of entries the path cache holds now.
std::size_t pathCacheCount();

}  // namespace tavro::Romaji::detail
