// One prompt of the core practice rounds as the host keeps it: the hiragana
// (or plain) prompt, the exercise mode it is practised in and, for kana
// keys, the layout. It answers which typed texts are accepted and how many
// prompt characters the learner has finished.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct PracticeItem {
  std::string prompt;
  std::string mode;  // exercise-mode identifier ("romaji", "kana", ...)
  bool jis = false;  // JIS layout for the kana keys, else US

  PracticeItem(std::string prompt, std::string mode, bool jis);

  // The accepted typed texts: every romaji spelling in "romaji" and
  // "guided-romaji", the prompt's kana-key sequence in "kana", the prompt
  // itself in any other mode.
  std::vector<std::string> alternatives() const;

  // The number of prompt characters finished by `typed`: in the romaji modes
  // those whose spelling is complete; otherwise 0 unless an alternative
  // begins with `typed`, else the characters whose keystrokes (kana keys in
  // "kana", one per character in other modes) all lie within `typed`.
  std::int64_t completedCharacters(std::string_view typed) const;

  bool operator==(const PracticeItem&) const = default;
};

}  // namespace tavro
