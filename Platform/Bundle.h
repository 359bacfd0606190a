// An application bundle's Info.plist, read into typed values. The property
// list is read in XML or binary form; every value keeps its property-list
// type, so an integer stored under a key is never mistaken for the text of
// its digits, and callers can insist on the type they expect.
#pragma once

#include "Support/Date.h"

#include <compare>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavro::platform {

class PlistValue;
using PlistArray = std::vector<PlistValue>;
using PlistDictionary = std::map<std::string, PlistValue, std::less<>>;

// One value of a property list. Arrays and dictionaries are shared between
// copies and never change once built, so copies behave as plain values.
class PlistValue {
 public:
  enum class Kind { boolean, integer, real, string, data, date, array, dictionary, uid };
  using Data = std::vector<std::uint8_t>;

  PlistValue(bool value) : storage_(value) {}
  template <std::integral T>
  requires(!std::same_as<T, bool>) PlistValue(T value)
      : storage_(static_cast<std::int64_t>(value)) {}
  PlistValue(double value) : storage_(value) {}
  PlistValue(std::string value) : storage_(std::move(value)) {}
  PlistValue(std::string_view value) : storage_(std::string(value)) {}
  PlistValue(const char* value) : storage_(std::string(value)) {}
  PlistValue(Data value) : storage_(std::move(value)) {}
  PlistValue(Date value) : storage_(value) {}
  PlistValue(PlistArray value);
  PlistValue(PlistDictionary value);
  // A keyed-archive object reference (the binary form's UID type).
  static PlistValue uid(std::uint64_t value);

  Kind kind() const;

  // The value when it has the named type, otherwise no value (or null).
  std::optional<bool> boolean() const;
  // Integers are kept as signed 64-bit numbers (the binary form's integer).
  std::optional<std::int64_t> integer() const;
  std::optional<double> real() const;
  const std::string* string() const;
  const Data* data() const;
  std::optional<Date> date() const;
  const PlistArray* array() const;
  const PlistDictionary* dictionary() const;
  std::optional<std::uint64_t> uidValue() const;

  // Same type and same value (arrays and dictionaries compared element by element).
  friend bool operator==(const PlistValue& a, const PlistValue& b);

 private:
  struct Uid {
    std::uint64_t value = 0;
    friend bool operator==(const Uid&, const Uid&) = default;
  };
  explicit PlistValue(Uid value) : storage_(value) {}

  std::variant<bool, std::int64_t, double, std::string, Data, Date,
               std::shared_ptr<const PlistArray>, std::shared_ptr<const PlistDictionary>, Uid>
      storage_;
};

// A property list that cannot be used: not a property list in either form,
// not a dictionary at the top, nested too deeply, or too large.
class PropertyListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest Info.plist read. Real ones are a few kilobytes; the bound keeps
// a hostile bundle from making us read an unbounded file, and it bounds the
// parse: libplist's binary reader takes time quadratic in the nesting depth,
// about a second for the deepest chain of arrays that fits in this bound.
inline constexpr std::int64_t maximumInfoPlistBytes = 256 * 1024;

// The deepest nesting of arrays and dictionaries accepted (the top-level
// dictionary is level 1).
inline constexpr int maximumPlistDepth = 64;

// Bounds on a binary property list once every reference in it has been
// followed (an object referred to twice counts twice): values, and bytes of
// text, data and numbers. A real Info.plist has a few hundred values and a
// few kilobytes; the bounds keep a small hostile file from growing into
// gigabytes in the reader.
inline constexpr std::uint64_t maximumExpandedPlistNodes = 20000;
inline constexpr std::uint64_t maximumExpandedPlistBytes = 4 * 1024 * 1024;

// Reads `bundle`/Contents/Info.plist (XML or binary). The file must be a
// regular file (a symbolic link to one is followed) of at most
// maximumInfoPlistBytes. Throws std::system_error (with errno) when it
// cannot be opened or read, PropertyListError when it is not a usable
// property list whose top level is a dictionary.
PlistDictionary infoDictionary(const std::filesystem::path& bundle);

// Parses the bytes of a property list in XML or binary form whose top level
// is a dictionary. Throws PropertyListError otherwise, and for input longer
// than maximumInfoPlistBytes, nested deeper than maximumPlistDepth, a binary
// form that is malformed, expands beyond the bounds above or holds U+0000 or
// ill-formed UTF-16 in a string.
PlistDictionary parsePropertyList(std::string_view bytes);

}  // namespace tavro::platform
