// Strict JSON reading. A document is parsed once (strict grammar, UTF-8,
// nesting bounded by the parser) and its values are read with an exact JSON
// type: a string is never taken for a number, a float never for an integer,
// and a null is only ever accepted where the key is optional. Every mismatch
// is a json::DecodingError whose message names the key.
//
// Values and objects borrow from their Document and must not outlive it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::json {

// Malformed JSON, a wrong JSON type, a null where a value is required or a
// missing required key.
class DecodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Kind { null, boolean, integer, number, string, array, object };

class Object;
class Array;

class Value {
 public:
  Kind kind() const;
  bool isNull() const { return kind() == Kind::null; }

  // Each accessor requires its exact JSON type and throws DecodingError
  // otherwise. integer() takes only integers that fit in signed 64 bits
  // (1.0 and 1e3 are numbers, not integers); number() takes any number.
  std::string string() const;
  std::string_view stringView() const;
  bool boolean() const;
  std::int64_t integer() const;
  double number() const;
  Object object() const;
  Array array() const;

  // The key (or "key[index]") this value was read under, for messages.
  std::string name() const;

 private:
  friend class Document;
  friend class Object;
  friend class Array;
  [[noreturn]] void fail(std::string_view expected) const;

  alignas(8) unsigned char element_[16];
  std::string_view key_;
  std::int64_t index_ = -1;
};

class Object {
 public:
  // The value under `key`, null included; no value when the key is missing.
  // When a key occurs twice, the first occurrence counts.
  std::optional<Value> field(std::string_view key) const;
  // The value under a required key: missing or null is a DecodingError.
  Value required(std::string_view key) const;
  // The value under an optional key: missing or null gives no value.
  std::optional<Value> optional(std::string_view key) const;

  // Shorthands for required(key).<type>() and optional(key)-><type>().
  std::string string(std::string_view key) const { return required(key).string(); }
  bool boolean(std::string_view key) const { return required(key).boolean(); }
  std::int64_t integer(std::string_view key) const { return required(key).integer(); }
  double number(std::string_view key) const { return required(key).number(); }
  Object object(std::string_view key) const;
  Array array(std::string_view key) const;
  std::optional<std::string> optionalString(std::string_view key) const;
  std::optional<bool> optionalBoolean(std::string_view key) const;
  std::optional<std::int64_t> optionalInteger(std::string_view key) const;
  std::optional<double> optionalNumber(std::string_view key) const;

  // The values under each of `keys` (which must be distinct), each as
  // field(key) gives it, found in one pass over the members instead of one
  // pass per key. For objects read by the thousand, such as archived
  // attempts, whose members mostly come in the order the keys are listed.
  template <std::size_t N>
  std::array<std::optional<Value>, N> lookup(const std::array<std::string_view, N>& keys) const {
    std::array<std::optional<Value>, N> found;
    lookup(keys.data(), found.data(), N);
    return found;
  }

  // Every member in document order (keys are not deduplicated).
  std::vector<std::pair<std::string_view, Value>> fields() const;
  std::size_t size() const;

 private:
  friend class Value;
  void lookup(const std::string_view* keys, std::optional<Value>* found, std::size_t count) const;
  alignas(8) unsigned char object_[16];
  std::string_view key_;
};

// Object::required() and Object::optional() for what lookup() found under `key`.
Value requiredValue(const std::optional<Value>& found, std::string_view key);
std::optional<Value> optionalValue(const std::optional<Value>& found);

class Array {
 public:
  // The elements in order without gathering them first, for arrays too
  // long to copy into a vector (`for (Value element : array)`).
  class Iterator {
   public:
    Value operator*() const;
    Iterator& operator++();
    bool operator==(const Iterator& other) const;

   private:
    friend class Array;
    alignas(8) unsigned char iterator_[16];
    std::string_view key_;
    std::int64_t index_ = 0;
  };
  Iterator begin() const;
  Iterator end() const;

  std::vector<Value> elements() const;
  std::size_t size() const;

 private:
  friend class Value;
  Iterator at(bool first) const;
  alignas(8) unsigned char array_[16];
  std::string_view key_;
};

class Document {
 public:
  // Parses `bytes` as one JSON text. Throws DecodingError for malformed JSON,
  // ill-formed UTF-8 or nesting deeper than the parser allows.
  static Document parse(std::string_view bytes);
  // The same for bytes the document may keep: when they have paddingBytes
  // to spare beyond their size (in capacity), they are parsed in place
  // instead of being copied into a padded buffer first, which for a file of
  // many megabytes is a copy and as many fresh pages again.
  static Document parseKeeping(std::string bytes);
  static constexpr std::size_t paddingBytes = 64;

  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  Value root() const;

 private:
  struct Impl;
  explicit Document(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavro::json
