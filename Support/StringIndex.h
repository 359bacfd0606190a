// A lookup index over a constant table of text pairs (an interface string
// table: the English text as key, its translation as value). The tables are
// plain lists in table order so they read as data; the index is what makes a
// lookup on every redraw cheap. It holds views into the table, so the table
// must outlive it: build it from a table that lives for the whole program
// (a function-local static) and keep the index in a function-local static
// too, so that it is built once, on first use, and thread-safely.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace tavro {

class StringIndex {
 public:
  // An index of `rows`: for each row, `key(row)` maps to `value(row)`
  // (member pointers or any callables giving text). Where two rows have the
  // same key the first row in table order is the one found; a later
  // duplicate is ignored.
  template <class Rows, class Key, class Value>
  StringIndex(const Rows& rows, Key key, Value value) {
    for (const auto& row : rows) {
      map_.emplace(std::string_view(std::invoke(key, row)), std::string_view(std::invoke(value, row)));
    }
  }

  // The value stored under exactly `key` (case-sensitive, whole text), or none.
  std::optional<std::string_view> find(std::string_view key) const {
    auto found = map_.find(key);
    if (found == map_.end()) return std::nullopt;
    return found->second;
  }

  // How many distinct keys the index holds.
  std::size_t size() const { return map_.size(); }

 private:
  std::unordered_map<std::string_view, std::string_view> map_;
};

}  // namespace tavro
