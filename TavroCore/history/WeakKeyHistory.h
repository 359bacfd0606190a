// Per exercise mode, how often each key was pressed and how often it was
// missed, and from that the learner's weak keys, weakest first. The weak-key
// rounds build their prompts from the top of that ranking. The history is
// stored inside the score archive.
#pragma once

#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct KeyPerformance {
  std::int64_t attempts = 0;  // keystrokes counted for the key
  std::int64_t errors = 0;    // of those, the missed ones

  // errors / attempts; 0 while nothing was counted.
  double errorRate() const;

  friend bool operator==(const KeyPerformance&, const KeyPerformance&) = default;
};

class WeakKeyHistory {
 public:
  // Mode identifier -> key text -> tally. Keys are compared exactly.
  using Modes = std::map<std::string, std::map<std::string, KeyPerformance>, std::less<>>;

  Modes modes;

  // Counts one judged keystroke. An accepted one is credited to the key
  // typed, a rejected one to the key that was expected. Nothing is counted
  // for a mode outside the nine known identifiers, for a rejected keystroke
  // with no expected key, or for an empty key.
  void record(std::string_view mode, std::string_view actual,
              std::optional<std::string_view> expected, bool accepted);

  // Adds every count of `other` into this history, creating modes and keys
  // as needed.
  void merge(const WeakKeyHistory& other);

  // Takes in a copy of this learner's history from elsewhere (a backup):
  // per mode and key, the tally with more attempts is kept (on equal
  // attempts, the one with more errors; otherwise this one). A copy counts
  // many of the same keystrokes this history already holds, so adding them
  // up would double them; keeping the fuller tally loses none and gives the
  // same result however often the same copy is taken in.
  void mergeKeepingFuller(const WeakKeyHistory& other);

  // The mode's keys that were missed at least once, by error rate, then by
  // errors, then in ascending code-point order of the key text.
  std::vector<std::string> rankedKeys(std::string_view mode) const;

  // Reads the history object: "modes" is required, and each key's
  // "attempts" and "errors" are required integers; other keys are ignored.
  // Throws json::DecodingError otherwise.
  static WeakKeyHistory decode(const json::Value& value);
  static WeakKeyHistory decode(std::string_view json);

  // The history object {"modes": {mode: {key: {"attempts", "errors"}}}}.
  json::OrderedJson json() const;
  std::string encode() const;

  friend bool operator==(const WeakKeyHistory&, const WeakKeyHistory&) = default;
};

}  // namespace tavro
