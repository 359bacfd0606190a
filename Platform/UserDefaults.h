// The user-defaults store: the small key-value store of the user's
// preferences that the host passes to every operation reading or writing a
// preference. Values are typed (Boolean, 64-bit integer, double, text or
// bytes); a key without a value reads as "no value". `UserDefaults` is the
// interface the core programs against; `InMemoryUserDefaults` keeps the values
// in memory (tests, previews). Every store is safe to use from several threads.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavro::platform {

// Raw bytes stored under a key.
using DefaultsData = std::vector<std::uint8_t>;

// One stored value: exactly one of the five types.
using DefaultsValue = std::variant<bool, std::int64_t, double, std::string, DefaultsData>;

class UserDefaults {
 public:
  virtual ~UserDefaults() = default;

  // The value stored under `key`, or no value.
  virtual std::optional<DefaultsValue> value(std::string_view key) const = 0;

  // Stores `value` under `key`, replacing whatever was there (of any type).
  virtual void setValue(std::string_view key, DefaultsValue value) = 0;

  // Removes the value under `key`; nothing happens when there is none.
  virtual void removeValue(std::string_view key) = 0;

  // Typed readers: the stored value when it has exactly that type, otherwise
  // no value. A value of another type is never converted (an integer 1 is not
  // a Boolean, the text "true" is not a Boolean), so a reader falls back to
  // its own default instead of guessing.
  std::optional<bool> boolean(std::string_view key) const;
  std::optional<std::int64_t> integer(std::string_view key) const;
  std::optional<double> number(std::string_view key) const;
  std::optional<std::string> string(std::string_view key) const;
  std::optional<DefaultsData> data(std::string_view key) const;

  // Typed writers, shorthands for `setValue`. The `int` and `const char*`
  // overloads keep a literal from being stored as a Boolean.
  void set(std::string_view key, bool value) { setValue(key, value); }
  void set(std::string_view key, std::int64_t value) { setValue(key, value); }
  void set(std::string_view key, int value) { setValue(key, std::int64_t{value}); }
  void set(std::string_view key, double value) { setValue(key, value); }
  void set(std::string_view key, std::string value) { setValue(key, std::move(value)); }
  void set(std::string_view key, const char* value) { setValue(key, std::string(value)); }
  void set(std::string_view key, DefaultsData value) { setValue(key, std::move(value)); }

 protected:
  UserDefaults() = default;
  UserDefaults(const UserDefaults&) = default;
  UserDefaults& operator=(const UserDefaults&) = default;
};

// A store that lives as long as the object: nothing is written anywhere.
class InMemoryUserDefaults final : public UserDefaults {
 public:
  InMemoryUserDefaults() = default;

  std::optional<DefaultsValue> value(std::string_view key) const override;
  void setValue(std::string_view key, DefaultsValue value) override;
  void removeValue(std::string_view key) override;

  // Every key that has a value, in ascending order.
  std::vector<std::string> keys() const;

 private:
  // The platform's store may be used from any thread; so may this one.
  mutable std::mutex mutex_;
  std::map<std::string, DefaultsValue, std::less<>> values_;
};

}  // namespace tavro::platform
