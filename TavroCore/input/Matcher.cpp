#include "TavroCore/input/Matcher.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/input/internal/RomajiPaths.h"
#include "TavroCore/input/internal/RomajiPlan.h"

#include <algorithm>
#include <utility>

namespace tavro {
namespace {

// The character at index `n` of `text`, or nothing when it is shorter.
std::optional<std::string_view> characterAt(std::string_view text, std::size_t n) {
  std::vector<std::size_t> ends = text::characterEnds(text);
  if (n >= ends.size()) return std::nullopt;
  std::size_t begin = n == 0 ? 0 : ends[n - 1];
  return text.substr(begin, ends[n] - begin);
}

// The Unicode scalar at index `n` of `text`, as a string, or nothing.
std::optional<std::string> scalarAt(std::string_view text, std::size_t n) {
  std::vector<char32_t> points = text::codePoints(text);
  if (n >= points.size()) return std::nullopt;
  return text::fromCodePoint(points[n]);
}

std::size_t scalarCount(std::string_view text) { return text::codePoints(text).size(); }

using Romaji::detail::Head;
using Romaji::detail::kMaxPaths;
using Romaji::detail::TypingState;
constexpr std::uint32_t kNoHead = TypingState::kNoHead;

// Beyond this many states a keystroke is answered by the search, whose own
// bounds then hold: the states of real prompts number a handful, but a
// prompt that spells one text in many ways (ぢゃ again and again) doubles
// them at every repetition.
constexpr std::size_t kMaxStates = 1024;

constexpr std::size_t kUsualStates = 16;

// Keys the states follow: ASCII without CR. Every such byte is a character
// of its own and normalization leaves it alone, so a typed text made of them
// grows byte by byte exactly as the search reads it (CR would join a
// following LF into one character).
bool plainKeys(std::string_view keys) {
  for (char key : keys) {
    if (static_cast<unsigned char>(key) >= 0x80 || key == '\r') return false;
  }
  return true;
}

char lowered(char key) {
  return key >= 'A' && key <= 'Z' ? static_cast<char>(key - 'A' + 'a') : key;
}

// Keys of the longest table head ("shixya"), so that a reused hint list
// does not grow per head.
constexpr std::size_t kLongestHead = 6;

std::uint32_t saturated(std::uint32_t sum) { return std::min<std::uint32_t>(sum, kMaxPaths); }

// The first character of a head: one key for a table spelling, the whole
// character for a character spelled as itself.
std::string_view firstCharacter(const Head& head) {
  return head.ascii ? head.spelling.substr(0, 1) : head.spelling;
}

}  // namespace

Matcher::Matcher(std::vector<std::string> alternatives, bool caseSensitive)
    : alternatives_(std::move(alternatives)), caseSensitive_(caseSensitive) {
  normalizedAlternatives_.reserve(alternatives_.size());
  for (const std::string& alternative : alternatives_) {
    normalizedAlternatives_.push_back(text::nfc(alternative));
  }
}

Matcher Matcher::romaji(std::string romajiPrompt) {
  Matcher matcher;
  if (romajiPrompt.size() > Romaji::detail::kMaxSearchBytes) {
    matcher.searching_ = true;  // no spelling at all, as the search answers
  } else {
    matcher.plan_ = Romaji::detail::promptPlan(romajiPrompt);
    // Room for the states of usual prompts, made once here rather than as
    // the first keystrokes need it.
    for (auto* states : {&matcher.live_, &matcher.scratch_.step, &matcher.scratch_.spare}) {
      states->reserve(kUsualStates);
    }
    matcher.live_.push_back({0, kNoHead, 0});
  }
  matcher.romajiPrompt_ = std::move(romajiPrompt);
  return matcher;
}

std::uint32_t Matcher::completionsAfter(const TypingState& state) const {
  const Romaji::detail::PromptPlan& plan = *plan_;
  if (state.head == kNoHead) return plan.completions[state.position];
  return plan.completions[state.position + plan.heads.heads[state.head].covered];
}

// Follows every state by one key into `to`, keeping search order: the states
// of `from` are in search order, and so are the heads of one position. Two
// head sequences that spell the same text to the same place (ぢゃ spells
// dixya twice) stay two states, so that each spelling is counted once for
// every way the search finds it. Returns false past kMaxStates.
bool Matcher::extend(const std::vector<TypingState>& from, char key, std::vector<TypingState>& to) {
  const Romaji::detail::PromptHeads& prompt = plan_->heads;
  std::size_t count = prompt.characters.size();
  to.clear();
  for (const TypingState& state : from) {
    if (state.head != kNoHead) {
      const Head& head = prompt.heads[state.head];
      if (head.spelling[state.offset] != key) continue;
      if (state.offset + 1 < head.spelling.size()) {
        to.push_back({state.position, state.head, state.offset + 1});
      } else {
        to.push_back({state.position + head.covered, kNoHead, 0});
      }
    } else if (state.position < count) {
      auto [first, last] = prompt.range[state.position];
      for (std::uint32_t index = first; index < last; ++index) {
        const Head& head = prompt.heads[index];
        if (head.spelling.front() != key) continue;
        if (head.spelling.size() == 1) {
          to.push_back({state.position + head.covered, kNoHead, 0});
        } else if (head.ascii) {
          to.push_back({state.position, index, 1});
        }
        // A character spelled as itself in several bytes holds a byte that
        // is no plain key (or is CR LF), so plain keys never complete it.
      }
    }
    if (to.size() > kMaxStates) return false;
  }
  return true;
}

bool Matcher::inputKeys(std::string_view keys) {
  if (typed_.size() + keys.size() > Romaji::detail::kMaxSearchBytes) return false;
  const std::vector<TypingState>* from = &live_;
  std::vector<TypingState>* reached = nullptr;
  for (char key : keys) {
    reached = from == &scratch_.step ? &scratch_.spare : &scratch_.step;
    if (!extend(*from, lowered(key), *reached)) {
      // Too many states: ask the search, and keep asking it for this prompt
      // once the text is taken.
      std::string candidate = typed_;
      for (char each : keys) candidate += lowered(each);
      if (Romaji::detail::paths(*romajiPrompt_, candidate)->empty()) return false;
      typed_ = std::move(candidate);
      searching_ = true;
      live_.clear();
      return true;
    }
    if (reached->empty()) return false;
    from = reached;
  }
  if (reached != nullptr) live_.swap(*reached);
  for (char key : keys) typed_ += lowered(key);
  return !live_.empty();
}

Matcher Matcher::nepali(LanguagePrompt nepaliPrompt, bool directMode) {
  Matcher matcher(directMode ? nepaliPrompt.nativeAlternatives() : nepaliPrompt.romanAlternatives(), directMode);
  matcher.nepaliPrompt_ = std::move(nepaliPrompt);
  matcher.directNative_ = directMode;
  return matcher;
}

bool Matcher::agrees(std::string_view text) const {
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    if (nepaliPrompt_) {
      if (std::string_view(alternatives_[index]).starts_with(text)) return true;
    } else if (text::hasGraphemePrefix(normalizedAlternatives_[index], text)) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> Matcher::candidates() const {
  if (romajiPrompt_) return Romaji::matchingSpellings(*romajiPrompt_, typed_);
  std::vector<std::string> out;
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    bool agreeing = nepaliPrompt_ ? std::string_view(alternatives_[index]).starts_with(typed_)
                                  : text::hasGraphemePrefix(normalizedAlternatives_[index], typed_);
    if (agreeing) out.push_back(alternatives_[index]);
  }
  return out;
}

bool Matcher::complete() const {
  if (following()) {
    // Complete when the state at the end of the prompt is among the states
    // of the first kMaxPaths spellings.
    std::size_t count = plan_->characterCount();
    std::uint32_t before = 0;
    for (const TypingState& state : live_) {
      if (before >= kMaxPaths) break;
      if (state.head == kNoHead && state.position == count) return true;
      before = saturated(before + completionsAfter(state));
    }
    return false;
  }
  if (romajiPrompt_) {
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    for (std::size_t index = 0; index < paths->size(); ++index) {
      if (paths->text(index).size() == paths->prefixBytes) return true;
    }
    return false;
  }
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    const std::string& compared = nepaliPrompt_ ? alternatives_[index] : normalizedAlternatives_[index];
    if (compared == typed_) return true;
  }
  return false;
}

void Matcher::next(std::vector<std::string>& out) const {
  out.clear();
  if (!following()) {
    for (const std::string& input : next()) out.push_back(input);
    return;
  }
  // The next character of each of the first kMaxPaths spellings: the states
  // are in search order and `completions` says how many spellings each
  // stands for, head by head.
  const Romaji::detail::PromptHeads& prompt = plan_->heads;
  std::size_t count = prompt.characters.size();
  std::uint32_t before = 0;
  for (const TypingState& state : live_) {
    if (before >= kMaxPaths) break;
    if (state.head != kNoHead) {
      out.emplace_back(1, prompt.heads[state.head].spelling[state.offset]);
      before = saturated(before + completionsAfter(state));
    } else if (state.position == count) {
      before = saturated(before + 1);
    } else {
      auto [first, last] = prompt.range[state.position];
      for (std::uint32_t index = first; index < last && before < kMaxPaths; ++index) {
        const Head& head = prompt.heads[index];
        out.emplace_back(firstCharacter(head));
        before = saturated(before + plan_->completions[state.position + head.covered]);
      }
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

std::set<std::string> Matcher::next() const {
  std::set<std::string> out;
  if (following()) {
    std::vector<std::string> inputs;
    next(inputs);
    out.insert(inputs.begin(), inputs.end());
    return out;
  }
  if (romajiPrompt_) {
    // Every path begins with `typed` (as searched) in whole characters, so
    // the character after it starts right where `typed` ends.
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    for (std::size_t index = 0; index < paths->size(); ++index) {
      std::string_view rest = paths->text(index).substr(paths->prefixBytes);
      if (!rest.empty()) out.emplace(rest.substr(0, text::firstCharacterSize(rest)));
    }
    return out;
  }
  if (directNative_) {
    std::size_t n = scalarCount(typed_);
    for (const std::string& candidate : candidates()) {
      if (auto scalar = scalarAt(candidate, n)) out.insert(std::move(*scalar));
    }
    return out;
  }
  if (nepaliPrompt_ && LanguagePrompt::isNative(typed_)) return out;
  std::size_t n = text::characterCount(typed_);
  for (std::size_t index = 0; index < alternatives_.size(); ++index) {
    if (nepaliPrompt_) {
      const std::string& candidate = alternatives_[index];
      if (!std::string_view(candidate).starts_with(typed_) || LanguagePrompt::isNative(candidate)) continue;
      if (auto character = characterAt(candidate, n)) out.emplace(*character);
    } else {
      std::string_view candidate = normalizedAlternatives_[index];
      if (!text::hasGraphemePrefix(candidate, typed_)) continue;
      std::string_view rest = candidate.substr(typed_.size());
      if (!rest.empty()) out.emplace(rest.substr(0, text::firstCharacterSize(rest)));
    }
  }
  return out;
}

std::optional<std::string> Matcher::expectedInput(bool native) const {
  if (following()) {
    // The first state stands for the first spelling.
    if (live_.empty()) return std::nullopt;
    const TypingState& state = live_.front();
    const Romaji::detail::PromptHeads& prompt = plan_->heads;
    if (state.head != kNoHead) {
      return std::string(1, prompt.heads[state.head].spelling[state.offset]);
    }
    if (state.position == prompt.characters.size()) return std::nullopt;
    return std::string(firstCharacter(prompt.heads[prompt.range[state.position].first]));
  }
  if (romajiPrompt_) {
    auto paths = Romaji::detail::paths(*romajiPrompt_, typed_);
    if (paths->empty()) return std::nullopt;
    std::string_view rest = paths->text(0).substr(paths->prefixBytes);
    if (rest.empty()) return std::nullopt;
    return std::string(rest.substr(0, text::firstCharacterSize(rest)));
  }
  std::vector<std::string> current = candidates();
  if (nepaliPrompt_ && (native || LanguagePrompt::isNative(typed_))) {
    for (const std::string& candidate : current) {
      if (LanguagePrompt::isNative(candidate)) return scalarAt(candidate, scalarCount(typed_));
    }
    return std::nullopt;
  }
  if (current.empty()) return std::nullopt;
  // Compared under canonical equivalence, so read the position in the
  // normalised form that `typed` agrees with.
  std::string first = nepaliPrompt_ ? current.front() : text::nfc(current.front());
  auto character = characterAt(first, text::characterCount(typed_));
  if (!character) return std::nullopt;
  return std::string(*character);
}

std::int64_t Matcher::completedCharacters() const {
  if (!romajiPrompt_) return 0;
  if (!following()) return Romaji::completedCharacters(*romajiPrompt_, typed_);
  // Every spelling of one state has completed the characters before the
  // state's position and none after; the best over the first kMaxPaths.
  std::uint32_t before = 0;
  std::uint32_t best = 0;
  for (const TypingState& state : live_) {
    if (before >= kMaxPaths) break;
    best = std::max(best, state.position);
    before = saturated(before + completionsAfter(state));
  }
  return best;
}

std::vector<RomajiHint> Matcher::hints(std::int64_t limit) const {
  std::vector<RomajiHint> out;
  hints(limit, out);
  return out;
}

void Matcher::hints(std::int64_t limit, std::vector<RomajiHint>& out) const {
  if (!romajiPrompt_ || limit < 1) {
    out.clear();
    return;
  }
  if (!following()) {
    out = Romaji::hints(*romajiPrompt_, typed_, limit);
    return;
  }
  // The first state's spelling: its own head, then the first head of every
  // position after it. Hints are written over the entries `out` holds.
  const Romaji::detail::PromptHeads& prompt = plan_->heads;
  std::size_t count = prompt.characters.size();
  std::size_t used = 0;
  auto add = [&](std::uint32_t position, std::uint32_t index, std::int64_t typedCount,
                 bool active) {
    if (used == out.size()) {
      out.emplace_back();
      out.back().keys.reserve(kLongestHead);
    }
    RomajiHint& hint = out[used++];
    const Head& head = prompt.heads[index];
    std::string_view first = prompt.characters[position];
    std::string_view last = prompt.characters[position + head.covered - 1];
    hint.id = position;
    hint.kana.assign(first.data(),
                     static_cast<std::size_t>(last.data() + last.size() - first.data()));
    if (head.ascii) {
      hint.keys.resize(head.spelling.size());
      for (std::size_t k = 0; k < head.spelling.size(); ++k) {
        char key = head.spelling[k];
        hint.keys[k].assign(1, key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key);
      }
    } else {
      hint.keys.resize(1);
      hint.keys[0] = plan_->literalKeys[position];
    }
    hint.typedCount = typedCount;
    hint.activeStroke = active ? std::optional<std::int64_t>(typedCount) : std::nullopt;
    return position + head.covered;
  };
  if (!live_.empty() && live_.front().position < count) {
    const TypingState& state = live_.front();
    std::uint32_t position = state.head != kNoHead
                                 ? add(state.position, state.head, state.offset, true)
                                 : add(state.position, prompt.range[state.position].first, 0, true);
    while (position < count && used < static_cast<std::uint64_t>(limit)) {
      position = add(position, prompt.range[position].first, 0, false);
    }
  }
  out.resize(used);
}

bool Matcher::input(std::string_view piece) {
  if (following()) {
    if (plainKeys(piece)) return inputKeys(piece);
    std::string loweredPiece = text::lowercased(piece);
    if (plainKeys(loweredPiece)) return inputKeys(loweredPiece);
  }
  std::string lowered = caseSensitive_ ? std::string(piece) : text::lowercased(piece);
  std::string candidate = text::nfc(typed_ + lowered);
  bool accepted = romajiPrompt_ ? !Romaji::detail::paths(*romajiPrompt_, candidate)->empty()
                                : !alternatives_.empty() && agrees(candidate);
  if (accepted) {
    typed_ = std::move(candidate);
    if (plan_ != nullptr && !searching_) {
      // The text now holds more than plain keys: the search's rules on
      // characters and normalization apply from here on.
      searching_ = true;
      live_.clear();
    }
  }
  return accepted;
}

bool Matcher::replaceNativePrefix(std::string_view text) {
  if (!nepaliPrompt_ && !caseSensitive_) return false;
  std::string candidate = text::nfc(text);
  if (!agrees(candidate)) return false;
  typed_ = std::move(candidate);
  return true;
}

}  // namespace tavro
