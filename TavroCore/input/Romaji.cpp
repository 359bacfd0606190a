#include "TavroCore/input/Romaji.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/internal/RomajiPaths.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace tavro {

std::string RomajiHint::text() const {
  std::string out = "[ ";
  for (std::size_t index = 0; index < keys.size(); ++index) {
    if (index > 0) out += ' ';
    out += keys[index];
  }
  out += " ]";
  return out;
}

namespace Romaji::detail {
namespace {

// Table keys are at most two characters of three bytes; packing the bytes
// and the length into one integer makes the per-position lookup a hash of
// one word instead of a string.
constexpr std::uint64_t kNoKey = 0;

std::uint64_t packedKey(std::string_view first, std::string_view second = {}) {
  std::size_t length = first.size() + second.size();
  if (length == 0 || length > 7) return kNoKey;
  std::uint64_t key = length;
  for (char byte : first) key = (key << 8) | static_cast<unsigned char>(byte);
  for (char byte : second) key = (key << 8) | static_cast<unsigned char>(byte);
  return key;
}

// The heads the table offers for each key: its own spellings and, for a pair
// whose two characters both have entries, every concatenation of their
// spellings (duplicates kept), computed once.
struct HeadEntry {
  std::vector<std::string> heads;
  std::size_t characters = 1;  // of the key
};

// A fixed open-addressing map from packed key to entry: the search looks up
// one or two keys per prompt character on every keystroke, and the table is
// small and never changes, so probing a flat array beats a node-based map.
class HeadMap {
 public:
  void insert(std::uint64_t key, HeadEntry entry) {
    entries_.push_back(std::move(entry));
    std::size_t slot = slotOf(key);
    while (slots_[slot].key != kNoKey) slot = (slot + 1) % kSlots;
    slots_[slot] = {key, static_cast<std::uint32_t>(entries_.size() - 1)};
  }

  const HeadEntry* find(std::uint64_t key) const {
    if (key == kNoKey) return nullptr;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
      if (slots_[slot].key == key) return &entries_[slots_[slot].index];
      if (slots_[slot].key == kNoKey) return nullptr;
    }
  }

 private:
  static constexpr std::size_t kSlots = 512;  // well over twice the table's 133 keys
  static std::size_t slotOf(std::uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> 55; }

  struct Slot {
    std::uint64_t key = kNoKey;
    std::uint32_t index = 0;
  };
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  std::vector<HeadEntry> entries_;
};

struct HeadTable {
  HeadMap heads;  // by packed key
  std::vector<std::string> syllabicN = {"n", "nn", "n'"};             // ん before a consonant or at the end
  std::uint64_t n = packedKey("ん");
  std::uint64_t sokuon = packedKey("っ");
  std::unordered_set<std::uint64_t> beforeN;  // the characters after which ん needs "nn" or "n'"
};

const HeadTable& headTable() {
  static const HeadTable built = [] {
    HeadTable out;
    const auto& entries = table();
    for (const auto& [key, spellings] : entries) {
      std::vector<std::size_t> ends = text::characterEnds(key);
      std::uint64_t packed = packedKey(key);
      std::vector<std::string> heads = spellings;
      if (ends.size() == 2) {
        auto first = entries.find(std::string_view(key).substr(0, ends[0]));
        auto second = entries.find(std::string_view(key).substr(ends[0]));
        if (first != entries.end() && second != entries.end()) {
          for (const std::string& a : first->second) {
            for (const std::string& b : second->second) heads.push_back(a + b);
          }
        }
      }
      out.heads.insert(packed, HeadEntry{std::move(heads), ends.size()});
    }
    for (std::string_view kana : kanaBeforeDoubledN()) out.beforeN.insert(packedKey(kana));
    return out;
  }();
  return built;
}

// Letters for the doubled-consonant heads of っ, one view per letter.
constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int letterIndex(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return 26 + (c - 'a');
  return -1;
}

}  // namespace

PromptHeads headsOf(std::string_view prompt) {
  const HeadTable& table = headTable();
  PromptHeads out;
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(prompt)) {
    out.characters.push_back(prompt.substr(start, end - start));
    start = end;
  }
  std::size_t count = out.characters.size();
  out.range.resize(count);
  out.heads.reserve(count * 2);
  // Positions are filled from the end so that っ can look at the heads after
  // it; `range` says where each position's heads lie.
  std::vector<Head>& run = out.heads;
  for (std::size_t i = count; i-- > 0; out.range[i].second = static_cast<std::uint32_t>(run.size())) {
    out.range[i].first = static_cast<std::uint32_t>(run.size());
    std::string_view c = out.characters[i];
    std::uint64_t single = packedKey(c);
    if (single == table.sokuon && i + 1 < count) {
      std::uint64_t letters = 0;
      for (std::uint32_t h = out.range[i + 1].first; h < out.range[i + 1].second; ++h) {
        const Head& next = run[h];
        char first = next.spelling.front();
        // A letter with marks after it ("k" + U+0301) is one character and
        // gives no doubled letter.
        bool firstByteIsCharacter = next.ascii || next.spelling.size() == 1;
        int index = firstByteIsCharacter ? letterIndex(first) : -1;
        if (index < 0 || std::string_view("aeioun").find(first) != std::string_view::npos) continue;
        letters |= std::uint64_t{1} << index;
      }
      for (int index = 0; index < 52; ++index) {
        if (letters & (std::uint64_t{1} << index)) run.push_back({kLetters.substr(index, 1), 1, true});
      }
      for (const std::string& spelling : table.heads.find(single)->heads) run.push_back({spelling, 1, true});
      continue;
    }
    if (i + 1 < count) {
      const HeadEntry* pair = table.heads.find(packedKey(c, out.characters[i + 1]));
      if (pair != nullptr && pair->characters == 2) {
        for (const std::string& spelling : pair->heads) run.push_back({spelling, 2, true});
        continue;
      }
    }
    if (single == table.n) {
      bool needsTwo = i + 1 < count && table.beforeN.count(packedKey(out.characters[i + 1])) > 0;
      const auto& spellings = table.heads.find(single)->heads;
      if (!needsTwo) run.push_back({table.syllabicN.front(), 1, true});
      for (const std::string& spelling : spellings) run.push_back({spelling, 1, true});
      continue;
    }
    if (const HeadEntry* own = table.heads.find(single)) {
      for (const std::string& spelling : own->heads) run.push_back({spelling, 1, true});
    } else {
      run.push_back({c, 1, false});
    }
  }
  return out;
}

namespace {

// The depth-first search over heads. The text under construction is one
// buffer, extended by a head and cut back when the search returns from it.
// While the text is shorter than the typed prefix it equals the prefix's
// beginning, so a (position, text length) pair names the whole state; pairs
// known to lead to no spelling are remembered, which keeps the work small
// even when many head sequences spell the same typed text and all fail late.
PathList search(const PromptHeads& prompt, std::string_view typed) {
  PathList result;
  std::size_t count = prompt.characters.size();
  result.promptCharacters = count;

  std::vector<bool> typedBoundary;
  bool everyTypedByteIsBoundary = text::isAscii(typed) && typed.find('\r') == std::string_view::npos;
  if (!everyTypedByteIsBoundary) {
    typedBoundary.assign(typed.size() + 1, false);
    typedBoundary[0] = true;
    for (std::size_t end : text::characterEnds(typed)) typedBoundary[end] = true;
  }
  auto isTypedBoundary = [&](std::size_t offset) {
    return everyTypedByteIsBoundary || typedBoundary[offset];
  };

  struct Frame {
    std::uint32_t position;
    std::uint32_t nextHead;
    std::uint32_t textBytes;
    std::uint32_t textCharacters;
    std::uint32_t resultsAtEntry;
  };
  std::vector<Frame> stack;
  stack.reserve(count + 1);
  std::string text;
  text.reserve(typed.size() + count * 4 + 8);
  std::vector<std::uint32_t> boundaries(count);
  std::unordered_set<std::uint64_t> dead;
  auto stateKey = [&](std::uint64_t position, std::uint64_t bytes) {
    return position * (typed.size() + 1) + bytes;
  };

  stack.push_back({0, count > 0 ? prompt.range[0].first : 0, 0, 0, 0});
  while (!stack.empty() && result.size() < kMaxPaths) {
    Frame& frame = stack.back();
    if (frame.position == count) {
      if (frame.textBytes >= typed.size()) {
        result.texts.append(text, 0, frame.textBytes);
        result.textEnds.push_back(static_cast<std::uint32_t>(result.texts.size()));
        result.boundaries.insert(result.boundaries.end(), boundaries.begin(), boundaries.end());
      } else {
        dead.insert(stateKey(frame.position, frame.textBytes));
      }
      stack.pop_back();
      continue;
    }
    if (frame.nextHead == prompt.range[frame.position].second) {
      if (frame.textBytes < typed.size() && result.size() == frame.resultsAtEntry) {
        dead.insert(stateKey(frame.position, frame.textBytes));
      }
      stack.pop_back();
      continue;
    }
    const Head& head = prompt.heads[frame.nextHead++];
    std::size_t offset = frame.textBytes;
    if (offset < typed.size()) {
      std::size_t rest = typed.size() - offset;
      std::size_t compared = std::min(rest, head.spelling.size());
      if (typed.substr(offset, compared) != head.spelling.substr(0, compared)) continue;
      if (head.spelling.size() <= rest) {
        if (!isTypedBoundary(offset + head.spelling.size())) continue;
      } else if (!head.ascii) {
        continue;  // the typed text would end inside one character of the head
      }
    }
    std::uint32_t nextPosition = frame.position + head.covered;
    std::uint32_t nextBytes = static_cast<std::uint32_t>(offset + head.spelling.size());
    if (nextBytes < typed.size() && !dead.empty() && dead.count(stateKey(nextPosition, nextBytes))) continue;
    std::uint32_t nextCharacters =
        frame.textCharacters + (head.ascii ? static_cast<std::uint32_t>(head.spelling.size()) : 1);
    text.resize(offset);
    text.append(head.spelling);
    for (std::uint32_t p = frame.position; p < nextPosition; ++p) boundaries[p] = nextCharacters;
    std::uint32_t firstHead = nextPosition < count ? prompt.range[nextPosition].first : 0;
    stack.push_back({nextPosition, firstHead, nextBytes, nextCharacters, static_cast<std::uint32_t>(result.size())});
  }
  return result;
}

// Keys are looked up as views, so a lookup that finds its entry copies nothing.
struct KeyHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

struct PathCache {
  std::mutex lock;
  std::unordered_map<std::string, std::shared_ptr<const PathList>, KeyHash, std::equal_to<>> entries;
};

PathCache& pathCache() {
  static PathCache cache;
  return cache;
}

// The memory an entry holds: key, searched prompt, texts, text ends and
// boundaries.
std::size_t cachedBytes(std::string_view key, const PathList& paths) {
  return key.size() + paths.prompt.size() + paths.texts.size() +
         (paths.textEnds.size() + paths.boundaries.size()) * sizeof(std::uint32_t);
}

}  // namespace

std::string hintKey(std::string_view character) {
  if (character.size() == 1) {
    char c = character[0];
    return std::string(1, c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return text::uppercased(character);
}

std::string searchedForm(std::string_view text) {
  std::string storage;
  return text::nfc(text::wellFormed(text, storage));
}

std::shared_ptr<const PathList> paths(std::string_view prompt, std::string_view prefix) {
  if (prompt.size() > kMaxSearchBytes || prefix.size() > kMaxSearchBytes) {
    return std::make_shared<const PathList>();
  }
  // The cache key is prompt + U+0000 + prefix, followed by the prompt's
  // length in bytes: a prompt may itself hold U+0000, and without the length
  // ("a\0b", "") and ("a", "b") would share a key. Short keys are formed on
  // the stack.
  std::uint32_t promptBytes = static_cast<std::uint32_t>(prompt.size());
  std::size_t keySize = prompt.size() + 1 + prefix.size() + sizeof promptBytes;
  char shortKey[256];
  std::string longKey;
  std::string_view key;
  char* out = shortKey;
  if (keySize > sizeof shortKey) {
    longKey.resize(keySize);
    out = longKey.data();
  }
  // Copied with std::copy: an empty view may have no data pointer at all.
  out = std::copy(prompt.begin(), prompt.end(), out);
  *out++ = '\0';
  out = std::copy(prefix.begin(), prefix.end(), out);
  std::memcpy(out, &promptBytes, sizeof promptBytes);
  key = keySize > sizeof shortKey ? std::string_view(longKey) : std::string_view(shortKey, keySize);

  PathCache& cache = pathCache();
  {
    std::lock_guard guard(cache.lock);
    auto found = cache.entries.find(key);
    if (found != cache.entries.end()) return found->second;
  }

  // Normalised only on a miss: a hit costs no trip through ICU.
  std::string searchedPrompt = searchedForm(prompt);
  std::string searchedPrefix = searchedForm(prefix);
  PathList found = search(headsOf(searchedPrompt), searchedPrefix);
  found.prompt = std::move(searchedPrompt);
  found.prefixBytes = searchedPrefix.size();
  found.prefixCharacters = text::characterCount(searchedPrefix);
  auto result = std::make_shared<const PathList>(std::move(found));

  std::lock_guard guard(cache.lock);
  if (cache.entries.size() >= kMaxCacheEntries) cache.entries.clear();
  if (result->promptCharacters <= kMaxCachedPromptCharacters && cachedBytes(key, *result) <= kMaxCachedEntryBytes) {
    cache.entries.insert_or_assign(std::string(key), result);
  }
  return result;
}

void clearPathCache() {
  PathCache& cache = pathCache();
  std::lock_guard guard(cache.lock);
  cache.entries.clear();
}

std::size_t pathCacheCount() {
  PathCache& cache = pathCache();
  std::lock_guard guard(cache.lock);
  return cache.entries.size();
}

}  // namespace Romaji::detail

namespace Romaji {
namespace {

std::vector<std::string> texts(const detail::PathList& paths) {
  std::vector<std::string> out;
  out.reserve(paths.size());
  for (std::size_t index = 0; index < paths.size(); ++index) out.emplace_back(paths.text(index));
  return out;
}

}  // namespace

std::vector<std::string> spellings(std::string_view prompt) { return texts(*detail::paths(prompt, {})); }

std::vector<std::string> matchingSpellings(std::string_view prompt, std::string_view typed) {
  return texts(*detail::paths(prompt, typed));
}

std::int64_t completedCharacters(std::string_view prompt, std::string_view typed) {
  auto paths = detail::paths(prompt, typed);
  if (paths->empty()) return 0;
  std::size_t typedCount = paths->prefixCharacters;
  std::size_t best = 0;
  for (std::size_t index = 0; index < paths->size(); ++index) {
    const std::uint32_t* boundaries = paths->boundariesOf(index);
    std::size_t done = 0;
    while (done < paths->promptCharacters && boundaries[done] <= typedCount) ++done;
    best = std::max(best, done);
  }
  return static_cast<std::int64_t>(best);
}

namespace {

// The hints along one spelling of the searched prompt: `boundaries` holds,
// per prompt character, the length in characters of `spelling` up to the
// end of the head covering it, and `typedCount` characters are typed.
std::vector<RomajiHint> hintsAlong(std::string_view searchedPrompt, std::string_view spelling,
                                   const std::uint32_t* boundaries, std::size_t count,
                                   std::size_t typedCount, std::int64_t limit) {
  std::vector<RomajiHint> out;
  std::vector<std::string_view> keys;
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(spelling)) {
    keys.push_back(spelling.substr(start, end - start));
    start = end;
  }
  std::vector<std::size_t> characterEnds = text::characterEnds(searchedPrompt);

  std::size_t headStart = 0;  // offset in keys where the current head begins
  std::size_t index = 0;
  while (index < count && out.size() < static_cast<std::size_t>(limit)) {
    std::size_t boundary = boundaries[index];
    std::size_t last = index;
    while (last + 1 < count && boundaries[last + 1] == boundary) ++last;
    if (boundary > typedCount) {
      RomajiHint hint;
      hint.id = static_cast<std::int64_t>(index);
      std::size_t kanaBegin = index == 0 ? 0 : characterEnds[index - 1];
      hint.kana = std::string(searchedPrompt.substr(kanaBegin, characterEnds[last] - kanaBegin));
      for (std::size_t k = headStart; k < boundary && k < keys.size(); ++k) {
        hint.keys.push_back(detail::hintKey(keys[k]));
      }
      std::size_t typedInHead = typedCount > headStart ? typedCount - headStart : 0;
      hint.typedCount = static_cast<std::int64_t>(std::min(hint.keys.size(), typedInHead));
      if (typedCount >= headStart) hint.activeStroke = hint.typedCount;
      out.push_back(std::move(hint));
    }
    headStart = boundary;
    index = last + 1;
  }
  return out;
}

using detail::Head;

constexpr std::uint32_t kNoHead = 0xFFFFFFFF;

// Where one head sequence that spells the typed text stands (as the
// matcher's typing states): at `position` with no head begun, or `offset`
// keys into head `head` of that position.
struct StyledState {
  std::uint32_t position = 0;
  std::uint32_t head = kNoHead;
  std::uint32_t offset = 0;
};

// The spellings each system writes. Every other character keeps the
// table's first spelling, which both systems share.
bool isHepburn(std::string_view spelling) {
  static constexpr std::array<std::string_view, 14> preferred = {
      "shi", "chi", "tsu", "fu", "ji", "sha", "shu", "sho", "cha", "chu", "cho", "ja", "ju", "jo"};
  return std::find(preferred.begin(), preferred.end(), spelling) != preferred.end();
}

bool isKunrei(std::string_view spelling) {
  static constexpr std::array<std::string_view, 14> preferred = {
      "si", "ti", "tu", "hu", "zi", "sya", "syu", "syo", "tya", "tyu", "tyo", "zya", "zyu", "zyo"};
  return std::find(preferred.begin(), preferred.end(), spelling) != preferred.end();
}

// The styled spelling with its boundaries, as the search gives a path.
struct StyledPath {
  std::string text;
  std::vector<std::uint32_t> boundaries;  // one per prompt character
  std::string prompt;                     // the searched prompt
  std::size_t typedCharacters = 0;
};

std::optional<StyledPath> styledPath(std::string_view prompt, std::string_view typed,
                                     RomajiStyle style) {
  if (prompt.size() > detail::kMaxSearchBytes || typed.size() > detail::kMaxSearchBytes)
    return std::nullopt;
  StyledPath path;
  path.prompt = detail::searchedForm(prompt);
  const std::string searchedTyped = detail::searchedForm(text::lowercased(typed));
  const detail::PromptHeads heads = detail::headsOf(path.prompt);
  const std::size_t count = heads.characters.size();
  const std::string_view sokuon = "\u3063";

  // The style's cost of head `index` of a position among its heads, 0 for
  // the head the style writes there; `chosen` is filled from the end, so a
  // っ can double the first letter of what the style writes after it.
  std::vector<std::uint32_t> chosen(count, 0);
  std::vector<std::uint64_t> rest(count + 1, 0);  // cost of the styled spelling from a position
  auto rank = [&](std::size_t position, std::uint32_t index) -> std::uint64_t {
    auto [first, last] = heads.range[position];
    const Head& head = heads.heads[index];
    std::uint64_t order = index - first;
    if (heads.characters[position] == sokuon) return index == chosen[position] ? 0 : 1 + order;
    switch (style) {
      case RomajiStyle::hepburn:
        return isHepburn(head.spelling) ? 0 : 1 + order;
      case RomajiStyle::kunrei:
        return isKunrei(head.spelling) ? 0 : 1 + order;
      case RomajiStyle::fewestKeys:
        break;
    }
    std::uint64_t keys = head.ascii ? head.spelling.size() : 1;
    return keys * (last - first + 1) + order;
  };
  auto cost = [&](std::size_t position, std::uint32_t index) {
    return rank(position, index) - rank(position, chosen[position]);
  };

  for (std::size_t position = count; position-- > 0;) {
    auto [first, last] = heads.range[position];
    if (heads.characters[position] == sokuon) {
      // The doubled first letter of the styled head after it where the
      // table offers it (っち: "c" before "chi", "t" before "ti"), otherwise
      // the table's first spelling of っ itself.
      std::uint32_t pick = kNoHead;
      if (position + 1 < count) {
        const Head& next = heads.heads[chosen[position + 1]];
        for (std::uint32_t index = first; index < last && pick == kNoHead; ++index) {
          const Head& head = heads.heads[index];
          if (head.spelling.size() == 1 && (next.ascii || next.spelling.size() == 1) &&
              head.spelling[0] == next.spelling[0])
            pick = index;
        }
      }
      if (pick == kNoHead) {
        for (std::uint32_t index = first; index < last && pick == kNoHead; ++index) {
          if (heads.heads[index].spelling.size() > 1) pick = index;
        }
      }
      chosen[position] = pick == kNoHead ? first : pick;
    } else {
      std::uint32_t best = first;
      for (std::uint32_t index = first + 1; index < last; ++index) {
        if (rank(position, index) < rank(position, best)) best = index;
      }
      chosen[position] = best;
    }
    // Every styled choice costs nothing, as the cost counts from it.
    rest[position] = rest[position + heads.heads[chosen[position]].covered];
  }

  // Follow the typed characters through the heads, each state once: the
  // states are at most the prompt's heads times their keys, so the work is
  // bounded by the prompt whatever the typed text.
  std::vector<StyledState> states = {{0, kNoHead, 0}};
  std::vector<StyledState> next;
  std::unordered_set<std::uint64_t> seen;
  auto add = [&](StyledState state) {
    std::uint64_t key = state.head == kNoHead
                            ? (std::uint64_t{state.position} << 1)
                            : (((std::uint64_t{state.head} << 8) | state.offset) << 1) | 1;
    if (seen.insert(key).second) next.push_back(state);
  };
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(searchedTyped)) {
    std::string_view character = std::string_view(searchedTyped).substr(start, end - start);
    start = end;
    ++path.typedCharacters;
    next.clear();
    seen.clear();
    for (const StyledState& state : states) {
      if (state.head != kNoHead) {
        const Head& head = heads.heads[state.head];
        if (head.spelling.substr(state.offset, 1) != character) continue;
        if (state.offset + 1 < head.spelling.size()) {
          add({state.position, state.head, state.offset + 1});
        } else {
          add({state.position + head.covered, kNoHead, 0});
        }
      } else if (state.position < count) {
        auto [first, last] = heads.range[state.position];
        for (std::uint32_t index = first; index < last; ++index) {
          const Head& head = heads.heads[index];
          if (!head.ascii || head.spelling.size() == 1) {
            if (head.spelling == character) add({state.position + head.covered, kNoHead, 0});
          } else if (head.spelling.substr(0, 1) == character) {
            add({state.position, index, 1});
          }
        }
      }
    }
    if (next.empty()) return std::nullopt;
    states.swap(next);
  }

  // The state whose styled rest costs least; on equal costs the first, as
  // the search would order them.
  auto total = [&](const StyledState& state) {
    if (state.head == kNoHead) return rest[state.position];
    return cost(state.position, state.head) +
           rest[state.position + heads.heads[state.head].covered];
  };
  const StyledState* best = &states.front();
  for (const StyledState& state : states) {
    if (total(state) < total(*best)) best = &state;
  }

  path.text = searchedTyped;
  path.boundaries.assign(count, 0);
  std::size_t length = path.typedCharacters;
  std::size_t position = best->position;
  std::size_t headStart = length;
  if (best->head != kNoHead) {
    const Head& head = heads.heads[best->head];
    path.text.append(head.spelling.substr(best->offset));
    headStart = length - best->offset;
    length = headStart + head.spelling.size();
    for (std::size_t c = position; c < position + head.covered; ++c)
      path.boundaries[c] = static_cast<std::uint32_t>(length);
    position += head.covered;
  }
  // The characters typed before the head being typed form one finished
  // group ending where that head begins.
  for (std::size_t c = 0; c < best->position; ++c)
    path.boundaries[c] = static_cast<std::uint32_t>(headStart);
  while (position < count) {
    const Head& head = heads.heads[chosen[position]];
    path.text.append(head.spelling);
    length += head.ascii ? head.spelling.size() : 1;
    for (std::size_t c = position; c < position + head.covered; ++c)
      path.boundaries[c] = static_cast<std::uint32_t>(length);
    position += head.covered;
  }
  return path;
}

}  // namespace

std::vector<RomajiHint> hints(std::string_view prompt, std::string_view typed, std::int64_t limit) {
  std::string lowered = text::lowercased(typed);
  if (limit < 1) return {};
  auto paths = detail::paths(prompt, lowered);
  if (paths->empty()) return {};
  // Cut the kana from the prompt as it was searched, whose characters the
  // boundaries count.
  return hintsAlong(paths->prompt, paths->text(0), paths->boundariesOf(0),
                    paths->promptCharacters, paths->prefixCharacters, limit);
}

std::optional<std::string> styledSpelling(std::string_view prompt, std::string_view typed,
                                          RomajiStyle style) {
  std::optional<StyledPath> path = styledPath(prompt, typed, style);
  if (!path) return std::nullopt;
  return std::move(path->text);
}

std::vector<RomajiHint> hints(std::string_view prompt, std::string_view typed, std::int64_t limit,
                              RomajiStyle style) {
  if (limit < 1) return {};
  std::optional<StyledPath> path = styledPath(prompt, typed, style);
  if (!path || path->boundaries.empty()) return {};
  return hintsAlong(path->prompt, path->text, path->boundaries.data(), path->boundaries.size(),
                    path->typedCharacters, limit);
}

std::string kanaKeys(std::string_view kana) {
  static const std::unordered_map<char32_t, std::string> keyOfKana = [] {
    std::unordered_map<char32_t, std::string> out;
    for (const auto& [key, value] : Keyboard::kana()) {
      std::vector<char32_t> points = text::codePoints(value);
      if (points.size() == 1) out.emplace(points.front(), key);
    }
    return out;
  }();
  std::string out;
  for (char32_t point : text::codePoints(text::nfd(kana))) {
    if (point == U'\u3099') {
      out += '@';
    } else if (point == U'\u309A') {
      out += '[';
    } else if (auto found = keyOfKana.find(point); found != keyOfKana.end()) {
      out += found->second;
    } else {
      out += text::fromCodePoint(point);
    }
  }
  return out;
}

}  // namespace Romaji
}  // namespace tavro
