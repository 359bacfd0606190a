#include "TavroCore/practice/WeakKeyDrill.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Romaji.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

namespace tavro {
namespace {

// The fixed rounds whose words make up the drill's material.
constexpr std::int64_t firstMaterialRound = 1;
constexpr std::int64_t lastMaterialRound = 6;

// One prompt of the material with what the learner types for it.
struct Material {
  RoundPrompt prompt;
  std::string keys;        // the key sequence, in the history's alphabet
  std::size_t length = 0;  // Unicode scalars of `keys`
};

// What a learner types for `prompt`, spelled as the history records it, so
// that a weak key is looked for in the same letters it was counted under.
std::optional<std::string> keySequence(const RoundPrompt& prompt, Exercise exercise, bool jis,
                                       RomajiStyle style) {
  switch (exercise) {
    case Exercise::japaneseRomaji:
    case Exercise::guidedRomaji: {
      if (!prompt.japanese) return std::nullopt;
      std::optional<std::string> spelling =
          Romaji::styledSpelling(prompt.japanese->reading(), "", style);
      if (!spelling) return std::nullopt;
      return text::lowercased(*spelling);
    }
    case Exercise::japaneseKana:
      if (!prompt.japanese) return std::nullopt;
      return KanaInput::keys(prompt.japanese->reading(), jis);
    case Exercise::english:
    case Exercise::englishDirect:
      if (!prompt.language) return std::nullopt;
      return prompt.language->roman;
    case Exercise::nepaliRoman:
      if (!prompt.language) return std::nullopt;
      return text::lowercased(prompt.language->roman);
    case Exercise::nepaliDirect:
      if (!prompt.language) return std::nullopt;
      return prompt.language->display;
    case Exercise::customText:
      return std::nullopt;
  }
  return std::nullopt;
}

// A text that tells two prompts apart exactly, so that a word drawn by
// several rounds is one prompt of the material.
std::string identity(const RoundPrompt& prompt) {
  std::string id;
  if (prompt.japanese) {
    id += 'J';
    for (const ReadingSegment& segment : prompt.japanese->segments) {
      id += segment.display;
      id += '\x1f';
      id += segment.reading;
      id += '\x1e';
    }
  }
  if (prompt.language) {
    id += 'L';
    id += prompt.language->display;
    id += '\x1f';
    id += prompt.language->roman;
    for (const std::string& variant : prompt.language->variants) {
      id += '\x1e';
      id += variant;
    }
  }
  return id;
}

std::vector<Material> material(Exercise exercise, JLPTLevel level, bool jis, RomajiStyle style) {
  std::vector<Material> result;
  std::set<std::string, std::less<>> seen;
  for (std::int64_t round = firstMaterialRound; round <= lastMaterialRound; ++round) {
    for (RoundPrompt& prompt : prompts(exercise, level, round, "", jis)) {
      if (!seen.insert(identity(prompt)).second) continue;
      std::optional<std::string> keys = keySequence(prompt, exercise, jis, style);
      // A prompt whose keys cannot be told holds no weak key for certain.
      if (!keys || keys->empty()) continue;
      std::size_t length = text::codePoints(*keys).size();
      result.push_back({std::move(prompt), std::move(*keys), length});
    }
  }
  return result;
}

// Non-overlapping occurrences of `key` in `keys`. The key is well-formed
// UTF-8 and not empty (checked by the caller), so a match always starts on
// a character boundary and the search always moves on.
std::int64_t occurrences(std::string_view keys, std::string_view key) {
  std::int64_t count = 0;
  for (std::size_t at = keys.find(key); at != std::string_view::npos;
       at = keys.find(key, at + key.size())) {
    ++count;
  }
  return count;
}

struct Candidate {
  std::string key;
  std::int64_t errors = 0;
  double weight = 0;
};

// The mode's keys missed at least once, weightiest first. A stored tally
// is believed only as far as it can be true (no negative counts, no more
// misses than keystrokes), so a damaged file cannot make a key weigh more
// than one miss per keystroke.
std::vector<Candidate> candidates(const WeakKeyHistory& history, std::string_view mode) {
  std::vector<Candidate> result;
  auto entry = history.modes.find(mode);
  if (entry == history.modes.end()) return result;
  for (const auto& [key, tally] : entry->second) {
    if (key.empty() || !text::isValidUtf8(key)) continue;
    std::int64_t attempts = std::max<std::int64_t>(tally.attempts, 0);
    std::int64_t errors = std::clamp<std::int64_t>(tally.errors, 0, attempts);
    if (errors < 1) continue;
    result.push_back({key, errors, static_cast<double>(errors) / (static_cast<double>(attempts) + 5)});
  }
  std::sort(result.begin(), result.end(), [](const Candidate& a, const Candidate& b) {
    if (a.weight != b.weight) return a.weight > b.weight;
    if (a.errors != b.errors) return a.errors > b.errors;
    return a.key < b.key;  // byte order of UTF-8 is code-point order
  });
  return result;
}

// The places of each key: in proportion to the weights by largest
// remainder, then one for every key that got none, taken from the key with
// the most (the lightest of those), so the shares never rise down the list.
std::vector<std::int64_t> shares(const std::vector<double>& weights, std::int64_t places) {
  std::size_t n = weights.size();
  double total = 0;
  for (double weight : weights) total += weight;
  std::vector<std::int64_t> result(n, 0);
  std::vector<double> remainders(n, 0);
  std::int64_t given = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double quota = static_cast<double>(places) * weights[i] / total;
    result[i] = std::min<std::int64_t>(static_cast<std::int64_t>(quota), places);
    remainders[i] = quota - static_cast<double>(result[i]);
    given += result[i];
  }
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return remainders[a] > remainders[b]; });
  for (std::size_t i = 0; given < places && i < n; ++i, ++given) ++result[order[i]];
  // Rounding may still leave places when the quotas lose precision.
  for (std::size_t i = 0; given < places; i = (i + 1) % n, ++given) ++result[i];
  for (std::size_t i = 0; i < n; ++i) {
    if (result[i] > 0) continue;
    std::size_t richest = 0;
    for (std::size_t j = 0; j < n; ++j) {
      if (result[j] >= result[richest]) richest = j;
    }
    if (result[richest] <= 1) break;  // more keys than places: cannot happen with 6 and 25
    --result[richest];
    result[i] = 1;
  }
  return result;
}

}  // namespace

WeakKeyDrill WeakKeyDrill::build(Exercise exercise, JLPTLevel level, const WeakKeyHistory& history,
                                 bool jis, RomajiStyle style) {
  WeakKeyDrill drill;
  if (!offersDrill(exercise)) return drill;
  std::vector<Candidate> weak = candidates(history, mode(exercise));
  if (weak.empty()) return drill;

  std::vector<Material> words = material(exercise, level, jis, style);
  if (words.empty()) return drill;

  // The weightiest keys the material holds, with their occurrences per prompt.
  std::vector<Candidate> drilled;
  std::vector<std::vector<std::int64_t>> counts;  // [key][prompt]
  for (const Candidate& candidate : weak) {
    if (drilled.size() == maximumKeys) break;
    std::vector<std::int64_t> perPrompt(words.size(), 0);
    bool found = false;
    for (std::size_t p = 0; p < words.size(); ++p) {
      perPrompt[p] = occurrences(words[p].keys, candidate.key);
      found = found || perPrompt[p] > 0;
    }
    if (!found) continue;
    drilled.push_back(candidate);
    counts.push_back(std::move(perPrompt));
  }
  if (drilled.empty()) return drill;

  std::size_t keyCount = drilled.size();
  // A key in more than half of the prompts (a vowel) would let nearly any
  // word in if it could claim the places other keys leave over.
  std::vector<bool> common(keyCount, false);
  bool allCommon = true;
  for (std::size_t k = 0; k < keyCount; ++k) {
    std::size_t holding = 0;
    for (std::int64_t count : counts[k]) holding += count > 0 ? 1 : 0;
    common[k] = 2 * holding > words.size();
    allCommon = allCommon && common[k];
  }

  // Weighted density of the drilled keys per prompt: all of them (to break
  // ties while a key takes its share) and only the uncommon ones (for the
  // places left over).
  std::vector<double> densityAll(words.size(), 0);
  std::vector<double> densityUncommon(words.size(), 0);
  for (std::size_t p = 0; p < words.size(); ++p) {
    double length = static_cast<double>(words[p].length);
    for (std::size_t k = 0; k < keyCount; ++k) {
      double density = drilled[k].weight * static_cast<double>(counts[k][p]) / length;
      densityAll[p] += density;
      if (!common[k] || allCommon) densityUncommon[p] += density;
    }
  }

  std::vector<double> weights;
  for (const Candidate& key : drilled) weights.push_back(key.weight);
  std::vector<std::int64_t> share = shares(weights, static_cast<std::int64_t>(promptCount));

  std::vector<bool> taken(words.size(), false);
  std::vector<std::vector<std::size_t>> chosen(keyCount);  // prompt indices per key
  std::size_t chosenCount = 0;
  for (std::size_t k = 0; k < keyCount; ++k) {
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < words.size(); ++p) {
      if (!taken[p] && counts[k][p] > 0) order.push_back(p);
    }
    // Densest first: occurrences per key typed, compared exactly.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      std::size_t left = static_cast<std::size_t>(counts[k][a]) * words[b].length;
      std::size_t right = static_cast<std::size_t>(counts[k][b]) * words[a].length;
      if (left != right) return left > right;
      return densityAll[a] > densityAll[b];
    });
    std::size_t want = static_cast<std::size_t>(share[k]);
    for (std::size_t i = 0; i < order.size() && i < want; ++i) {
      taken[order[i]] = true;
      chosen[k].push_back(order[i]);
      ++chosenCount;
    }
  }

  // Places a key could not fill go to the prompts densest in the keys that
  // are not common, each counted for its weightiest such key in it.
  if (chosenCount < promptCount) {
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < words.size(); ++p) {
      if (!taken[p] && densityUncommon[p] > 0) order.push_back(p);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return densityUncommon[a] > densityUncommon[b];
    });
    for (std::size_t i = 0; i < order.size() && chosenCount < promptCount; ++i) {
      std::size_t p = order[i];
      std::size_t owner = keyCount;
      double best = 0;
      for (std::size_t k = 0; k < keyCount; ++k) {
        if ((common[k] && !allCommon) || counts[k][p] == 0) continue;
        double weighted = drilled[k].weight * static_cast<double>(counts[k][p]);
        if (owner == keyCount || weighted > best) {
          owner = k;
          best = weighted;
        }
      }
      if (owner == keyCount) continue;  // holds no key that may claim a place
      taken[p] = true;
      chosen[owner].push_back(p);
      ++chosenCount;
    }
  }

  // Each key's prompts spread evenly over the sequence: its i-th prompt
  // sits at (i + 1/2) / n of the way through, ties to the weightier key.
  struct Slot {
    std::size_t key;
    std::size_t index;
  };
  std::vector<Slot> slots;
  for (std::size_t k = 0; k < keyCount; ++k) {
    for (std::size_t i = 0; i < chosen[k].size(); ++i) slots.push_back({k, i});
  }
  std::stable_sort(slots.begin(), slots.end(), [&](const Slot& a, const Slot& b) {
    std::size_t left = (2 * a.index + 1) * chosen[b.key].size();
    std::size_t right = (2 * b.index + 1) * chosen[a.key].size();
    if (left != right) return left < right;
    return a.key < b.key;
  });

  for (std::size_t k = 0; k < keyCount; ++k) {
    drill.keys.push_back(
        {drilled[k].key, drilled[k].weight, static_cast<std::int64_t>(chosen[k].size())});
  }
  if (slots.empty()) return drill;
  drill.prompts.reserve(promptCount);
  for (std::size_t i = 0; drill.prompts.size() < promptCount; i = (i + 1) % slots.size()) {
    drill.prompts.push_back(words[chosen[slots[i].key][slots[i].index]].prompt);
  }
  return drill;
}

}  // namespace tavro
