#include "Platform/UserDefaults.h"

#include <utility>

namespace tavro::platform {
namespace {

template <typename T>
std::optional<T> typed(const UserDefaults& store, std::string_view key) {
  std::optional<DefaultsValue> stored = store.value(key);
  if (!stored) return std::nullopt;
  if (T* value = std::get_if<T>(&*stored)) return std::move(*value);
  return std::nullopt;
}

}  // namespace

std::optional<bool> UserDefaults::boolean(std::string_view key) const { return typed<bool>(*this, key); }

std::optional<std::int64_t> UserDefaults::integer(std::string_view key) const {
  return typed<std::int64_t>(*this, key);
}

std::optional<double> UserDefaults::number(std::string_view key) const { return typed<double>(*this, key); }

std::optional<std::string> UserDefaults::string(std::string_view key) const {
  return typed<std::string>(*this, key);
}

std::optional<DefaultsData> UserDefaults::data(std::string_view key) const {
  return typed<DefaultsData>(*this, key);
}

std::optional<DefaultsValue> InMemoryUserDefaults::value(std::string_view key) const {
  std::lock_guard lock(mutex_);
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void InMemoryUserDefaults::setValue(std::string_view key, DefaultsValue value) {
  std::lock_guard lock(mutex_);
  auto found = values_.find(key);
  if (found == values_.end()) {
    values_.emplace(std::string(key), std::move(value));
  } else {
    found->second = std::move(value);
  }
}

void InMemoryUserDefaults::removeValue(std::string_view key) {
  std::lock_guard lock(mutex_);
  auto found = values_.find(key);
  if (found != values_.end()) values_.erase(found);
}

std::vector<std::string> InMemoryUserDefaults::keys() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  out.reserve(values_.size());
  for (const auto& entry : values_) out.push_back(entry.first);
  return out;
}

}  // namespace tavro::platform
