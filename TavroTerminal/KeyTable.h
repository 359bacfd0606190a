// Key bindings as data: each screen lists the keys it takes, the action
// each one asks for and the hint its footer shows for it. The footer is
// made from the same rows that decide what a key does, so a hint can never
// name a key the screen ignores, and a key the screen takes without a hint
// (Tab beside Down, a second spelling) is a row without a label.
#pragma once

#include "TavroTerminal/Key.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

// One key or a run of typed characters a binding answers to.
struct KeyMatch {
  Key::Kind kind = Key::Kind::text;
  // For Key::Kind::text: the one-character texts `first` to `last`; a
  // letter answers in either case, as the screens take s and S alike.
  // Both zero: any text at all.
  char first = 0;
  char last = 0;

  static constexpr KeyMatch of(Key::Kind kind) { return {kind, 0, 0}; }
  static constexpr KeyMatch typed(char character) {
    return {Key::Kind::text, character, character};
  }
  static constexpr KeyMatch typed(char first, char last) { return {Key::Kind::text, first, last}; }

  bool matches(const Key& key) const {
    if (key.kind != kind) return false;
    if (kind != Key::Kind::text || (first == 0 && last == 0)) return true;
    if (key.text.size() != 1) return false;
    char c = key.text[0];
    if (c >= 'A' && c <= 'Z' && first >= 'a' && first <= 'z') c = static_cast<char>(c - 'A' + 'a');
    return c >= first && c <= last;
  }
};

template <typename Action>
struct Binding {
  std::vector<KeyMatch> keys;
  Action action;
  // The footer's words for this binding, in English ("Enter start"); empty
  // for a key that is taken but not named.
  std::string_view hint;
};

template <typename Action>
class KeyTable {
 public:
  KeyTable(std::initializer_list<Binding<Action>> rows) : rows_(rows) {}

  // The action of the first row that answers to `key`, or none.
  std::optional<Action> actionFor(const Key& key) const {
    for (const Binding<Action>& row : rows_) {
      for (const KeyMatch& match : row.keys) {
        if (match.matches(key)) return row.action;
      }
    }
    return std::nullopt;
  }

  // The footer in English: the hints of the rows, in order, joined by " · ".
  // The whole line is what the interface table translates.
  std::string hints() const {
    std::string line;
    for (const Binding<Action>& row : rows_) {
      if (row.hint.empty()) continue;
      if (!line.empty()) line += " · ";
      line += row.hint;
    }
    return line;
  }

  const std::vector<Binding<Action>>& rows() const { return rows_; }

 private:
  std::vector<Binding<Action>> rows_;
};

}  // namespace tavro::terminal
