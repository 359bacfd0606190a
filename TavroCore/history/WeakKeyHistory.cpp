#include "TavroCore/history/WeakKeyHistory.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tavro {
namespace {

// The exercise modes whose keystrokes are recorded.
// clang-format off
constexpr std::array<std::string_view, 9> knownModes = {
  "romaji", "numpad", "guided-romaji", "kana", "english", "nepali", "english-direct", "nepali-direct", "kana-custom",
};
// clang-format on

// Counts come from stored files as well as from typing; a sum beyond 64
// bits stops at the nearest limit instead of wrapping.
std::int64_t add(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) {
    return b > 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
  }
  return sum;
}

}  // namespace

double KeyPerformance::errorRate() const {
  if (attempts <= 0) return 0;
  return static_cast<double>(errors) / static_cast<double>(attempts);
}

void WeakKeyHistory::record(std::string_view mode, std::string_view actual,
                            std::optional<std::string_view> expected, bool accepted) {
  if (std::find(knownModes.begin(), knownModes.end(), mode) == knownModes.end()) return;
  if (!accepted && !expected) return;
  std::string_view key = accepted ? actual : *expected;
  if (key.empty()) return;

  auto modeEntry = modes.find(mode);
  if (modeEntry == modes.end())
    modeEntry = modes.emplace(std::string(mode), Modes::mapped_type{}).first;
  auto& keys = modeEntry->second;
  auto keyEntry = keys.find(std::string(key));
  if (keyEntry == keys.end()) keyEntry = keys.emplace(std::string(key), KeyPerformance{}).first;
  keyEntry->second.attempts = add(keyEntry->second.attempts, 1);
  if (!accepted) keyEntry->second.errors = add(keyEntry->second.errors, 1);
}

void WeakKeyHistory::merge(const WeakKeyHistory& other) {
  for (const auto& [mode, keys] : other.modes) {
    auto& mine = modes[mode];
    for (const auto& [key, performance] : keys) {
      KeyPerformance& sum = mine[key];
      sum.attempts = add(sum.attempts, performance.attempts);
      sum.errors = add(sum.errors, performance.errors);
    }
  }
}

void WeakKeyHistory::mergeKeepingFuller(const WeakKeyHistory& other) {
  for (const auto& [mode, keys] : other.modes) {
    if (keys.empty()) continue;
    auto& mine = modes[mode];
    for (const auto& [key, theirs] : keys) {
      auto [entry, inserted] = mine.try_emplace(key, theirs);
      if (inserted) continue;
      KeyPerformance& kept = entry->second;
      if (theirs.attempts > kept.attempts ||
          (theirs.attempts == kept.attempts && theirs.errors > kept.errors))
        kept = theirs;
    }
  }
}

std::vector<std::string> WeakKeyHistory::rankedKeys(std::string_view mode) const {
  auto entry = modes.find(mode);
  if (entry == modes.end()) return {};

  struct Ranked {
    const std::string* key;
    double rate;
    std::int64_t errors;
  };
  std::vector<Ranked> ranked;
  for (const auto& [key, performance] : entry->second) {
    if (performance.errors > 0)
      ranked.push_back({&key, performance.errorRate(), performance.errors});
  }
  // std::string compares by unsigned bytes, which for UTF-8 is code-point
  // order. Rates are never NaN: attempts <= 0 gives 0.
  std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    if (a.rate != b.rate) return a.rate > b.rate;
    if (a.errors != b.errors) return a.errors > b.errors;
    return *a.key < *b.key;
  });

  std::vector<std::string> keys;
  keys.reserve(ranked.size());
  for (const Ranked& r : ranked) keys.push_back(*r.key);
  return keys;
}

WeakKeyHistory WeakKeyHistory::decode(const json::Value& value) {
  WeakKeyHistory history;
  for (const auto& [mode, keysValue] : value.object().object("modes").fields()) {
    // A repeated JSON key keeps its first occurrence, as the readers of
    // every other object do.
    auto [modeEntry, newMode] = history.modes.try_emplace(std::string(mode));
    json::Object keys = keysValue.object();
    for (const auto& [key, performanceValue] : keys.fields()) {
      json::Object performance = performanceValue.object();
      KeyPerformance tally{performance.integer("attempts"), performance.integer("errors")};
      if (newMode) modeEntry->second.try_emplace(std::string(key), tally);
    }
  }
  return history;
}

WeakKeyHistory WeakKeyHistory::decode(std::string_view text) {
  json::Document document = json::Document::parse(text);
  return decode(document.root());
}

json::OrderedJson WeakKeyHistory::json() const {
  json::OrderedJson modesObject = json::OrderedJson::object();
  for (const auto& [mode, keys] : modes) {
    json::OrderedJson keysObject = json::OrderedJson::object();
    for (const auto& [key, performance] : keys) {
      json::OrderedJson tally = json::OrderedJson::object();
      tally["attempts"] = performance.attempts;
      tally["errors"] = performance.errors;
      keysObject[key] = std::move(tally);
    }
    modesObject[mode] = std::move(keysObject);
  }
  json::OrderedJson object = json::OrderedJson::object();
  object["modes"] = std::move(modesObject);
  return object;
}

std::string WeakKeyHistory::encode() const {
  return json::encode(json());
}

}  // namespace tavro
