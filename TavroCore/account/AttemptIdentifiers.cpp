#include "TavroCore/account/AttemptIdentifiers.h"

#include <array>
#include <bit>
#include <cstring>

namespace tavro {
namespace {

std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

// Two 64-bit keys from the system's cryptographic random source.
const std::array<std::uint64_t, 2>& hashKeys() {
  static const std::array<std::uint64_t, 2> keys = [] {
    Uuid random = Uuid::random();
    std::array<std::uint64_t, 2> result{};
    std::memcpy(result.data(), random.bytes.data(), sizeof result);
    return result;
  }();
  return keys;
}

std::uint64_t hashOf(const Uuid& id) {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  std::memcpy(&high, id.bytes.data(), 8);
  std::memcpy(&low, id.bytes.data() + 8, 8);
  const auto& keys = hashKeys();
  return mix(mix(high ^ keys[0]) ^ low ^ keys[1]);
}

}  // namespace

AttemptIdentifierSet::AttemptIdentifierSet(std::size_t expected) {
  // At most half full, so probe runs stay short.
  std::size_t capacity = std::bit_ceil(expected * 2 + 16);
  slots_.resize(capacity);
  used_.assign(capacity, 0);
  mask_ = capacity - 1;
}

std::size_t AttemptIdentifierSet::slotOf(const Uuid& id) const {
  std::size_t slot = static_cast<std::size_t>(hashOf(id)) & mask_;
  while (used_[slot] && slots_[slot] != id) slot = (slot + 1) & mask_;
  return slot;
}

bool AttemptIdentifierSet::insert(const Uuid& id) {
  if ((count_ + 1) * 2 > slots_.size()) grow();
  std::size_t slot = slotOf(id);
  if (used_[slot]) return false;
  used_[slot] = 1;
  slots_[slot] = id;
  ++count_;
  return true;
}

bool AttemptIdentifierSet::contains(const Uuid& id) const {
  return used_[slotOf(id)] != 0;
}

void AttemptIdentifierSet::grow() {
  std::vector<Uuid> oldSlots = std::move(slots_);
  std::vector<std::uint8_t> oldUsed = std::move(used_);
  slots_.assign(oldSlots.size() * 2, Uuid{});
  used_.assign(oldSlots.size() * 2, 0);
  mask_ = slots_.size() - 1;
  count_ = 0;
  for (std::size_t i = 0; i < oldSlots.size(); ++i) {
    if (oldUsed[i]) insert(oldSlots[i]);
  }
}

}  // namespace tavro
