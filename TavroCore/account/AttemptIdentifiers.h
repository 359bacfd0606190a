// A set of attempt identifiers for the duplicate and membership checks of
// backups and sync. Identifiers come from files and the network, so the
// hash is keyed with a random value chosen once per process: a crafted list
// of identifiers cannot be made to collide and turn the linear checks into
// quadratic ones.
#pragma once

#include "Support/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavro {

class AttemptIdentifierSet {
 public:
  // An empty set with room for `expected` identifiers before it grows.
  explicit AttemptIdentifierSet(std::size_t expected = 0);

  // Adds `id`; false when it was already present.
  bool insert(const Uuid& id);
  bool contains(const Uuid& id) const;
  std::size_t size() const { return count_; }

 private:
  std::size_t slotOf(const Uuid& id) const;
  void grow();

  std::vector<Uuid> slots_;
  std::vector<std::uint8_t> used_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace tavro
