#include "Support/Json.h"

#include <simdjson.h>

#include <new>
#include <type_traits>

namespace tavro::json {
namespace {

using Element = simdjson::dom::element;
using DomObject = simdjson::dom::object;
using DomArray = simdjson::dom::array;

// Values keep simdjson's handles (a document pointer and a tape index) in
// place, so reading a field neither allocates nor exposes simdjson here.
static_assert(sizeof(Element) <= 16 && std::is_trivially_copyable_v<Element>);
static_assert(sizeof(DomObject) <= 16 && std::is_trivially_copyable_v<DomObject>);
static_assert(sizeof(DomArray) <= 16 && std::is_trivially_copyable_v<DomArray>);
static_assert(sizeof(DomArray::iterator) <= 16 &&
              std::is_trivially_copyable_v<DomArray::iterator>);
static_assert(Document::paddingBytes >= simdjson::SIMDJSON_PADDING);

template <typename T>
const T& load(const unsigned char* storage) {
  return *std::launder(reinterpret_cast<const T*>(storage));
}

template <typename T>
void store(unsigned char* storage, const T& value) {
  new (storage) T(value);
}

std::string quoted(std::string_view key) {
  if (key.empty()) return "the top-level value";
  return "key \"" + std::string(key) + "\"";
}

}  // namespace

struct Document::Impl {
  simdjson::dom::parser parser;
  Element root;
  std::string kept;  // the bytes parseKeeping() parsed in place
};

namespace {

Element parsed(simdjson::dom::parser& parser, const char* bytes, std::size_t size, bool copy) {
  auto result = parser.parse(bytes, size, copy);
  if (result.error()) {
    throw DecodingError(std::string("The data is not valid JSON: ") + simdjson::error_message(result.error()));
  }
  return result.value_unsafe();
}

}  // namespace

Document::Document(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

Document Document::parse(std::string_view bytes) {
  // An empty view may hold no pointer at all, and simdjson copies from it
  // even when there is nothing to copy.
  if (bytes.data() == nullptr) bytes = std::string_view("", 0);
  auto impl = std::make_unique<Impl>();
  // simdjson reads a little past the end of its input, so it parses a padded copy.
  impl->root = parsed(impl->parser, bytes.data(), bytes.size(), true);
  return Document(std::move(impl));
}

Document Document::parseKeeping(std::string bytes) {
  auto impl = std::make_unique<Impl>();
  impl->kept = std::move(bytes);
  std::size_t size = impl->kept.size();
  // The padding is written, not merely reserved, so that the parser never
  // reads bytes nobody initialised; it reallocates only when the caller
  // left too little room.
  impl->kept.append(paddingBytes, '\0');
  impl->root = parsed(impl->parser, impl->kept.data(), size, false);
  return Document(std::move(impl));
}

Value Document::root() const {
  Value value;
  store(value.element_, impl_->root);
  return value;
}

std::string Value::name() const {
  if (index_ < 0) return quoted(key_);
  return quoted(key_) + " [" + std::to_string(index_) + "]";
}

void Value::fail(std::string_view expected) const {
  throw DecodingError("Expected " + std::string(expected) + " for " + name() +
                      (isNull() ? ", found null" : ""));
}

Kind Value::kind() const {
  switch (load<Element>(element_).type()) {
    case simdjson::dom::element_type::NULL_VALUE: return Kind::null;
    case simdjson::dom::element_type::BOOL: return Kind::boolean;
    case simdjson::dom::element_type::INT64: return Kind::integer;
    case simdjson::dom::element_type::UINT64:
    case simdjson::dom::element_type::DOUBLE: return Kind::number;
    case simdjson::dom::element_type::STRING: return Kind::string;
    case simdjson::dom::element_type::ARRAY: return Kind::array;
    case simdjson::dom::element_type::OBJECT: return Kind::object;
  }
  return Kind::null;
}

std::string_view Value::stringView() const {
  std::string_view out;
  if (load<Element>(element_).get_string().get(out)) fail("a string");
  return out;
}

std::string Value::string() const { return std::string(stringView()); }

bool Value::boolean() const {
  bool out = false;
  if (load<Element>(element_).get_bool().get(out)) fail("a boolean");
  return out;
}

std::int64_t Value::integer() const {
  // Only the parser's signed 64-bit integers: an integer beyond that range
  // (kept as unsigned or as a double) and any number written with a fraction
  // or exponent are refused.
  const Element& element = load<Element>(element_);
  if (element.type() != simdjson::dom::element_type::INT64) fail("an integer within 64 bits");
  return element.get_int64().value_unsafe();
}

double Value::number() const {
  double out = 0;
  if (load<Element>(element_).get_double().get(out)) fail("a number");
  return out;
}

Object Value::object() const {
  DomObject out;
  if (load<Element>(element_).get_object().get(out)) fail("an object");
  Object object;
  store(object.object_, out);
  object.key_ = key_;
  return object;
}

Array Value::array() const {
  DomArray out;
  if (load<Element>(element_).get_array().get(out)) fail("an array");
  Array array;
  store(array.array_, out);
  array.key_ = key_;
  return array;
}

std::optional<Value> Object::field(std::string_view key) const {
  const DomObject& object = load<DomObject>(object_);
  for (auto member : object) {
    if (member.key == key) {
      Value value;
      store(value.element_, member.value);
      value.key_ = member.key;
      return value;
    }
  }
  return std::nullopt;
}

void Object::lookup(const std::string_view* keys, std::optional<Value>* found,
                    std::size_t count) const {
  const DomObject& object = load<DomObject>(object_);
  std::size_t missing = count;
  std::size_t expected = 0;  // the key most likely to come next
  for (auto member : object) {
    if (missing == 0) break;  // a later repeat of a key would not count
    std::size_t match = count;
    if (expected < count && member.key == keys[expected]) {
      match = expected;
    } else {
      for (std::size_t i = 0; i < count; ++i) {
        if (member.key == keys[i]) {
          match = i;
          break;
        }
      }
    }
    if (match == count) continue;  // a key nobody asked for
    expected = match + 1;
    if (found[match]) continue;    // the first occurrence counts
    Value value;
    store(value.element_, member.value);
    value.key_ = member.key;
    found[match] = value;
    --missing;
  }
}

Value requiredValue(const std::optional<Value>& found, std::string_view key) {
  if (!found) throw DecodingError("Missing " + quoted(key));
  if (found->isNull()) throw DecodingError("Expected a value for " + quoted(key) + ", found null");
  return *found;
}

std::optional<Value> optionalValue(const std::optional<Value>& found) {
  if (!found || found->isNull()) return std::nullopt;
  return found;
}

Value Object::required(std::string_view key) const { return requiredValue(field(key), key); }

std::optional<Value> Object::optional(std::string_view key) const {
  return optionalValue(field(key));
}

Object Object::object(std::string_view key) const { return required(key).object(); }
Array Object::array(std::string_view key) const { return required(key).array(); }

std::optional<std::string> Object::optionalString(std::string_view key) const {
  auto value = optional(key);
  return value ? std::optional<std::string>(value->string()) : std::nullopt;
}
std::optional<bool> Object::optionalBoolean(std::string_view key) const {
  auto value = optional(key);
  return value ? std::optional<bool>(value->boolean()) : std::nullopt;
}
std::optional<std::int64_t> Object::optionalInteger(std::string_view key) const {
  auto value = optional(key);
  return value ? std::optional<std::int64_t>(value->integer()) : std::nullopt;
}
std::optional<double> Object::optionalNumber(std::string_view key) const {
  auto value = optional(key);
  return value ? std::optional<double>(value->number()) : std::nullopt;
}

std::vector<std::pair<std::string_view, Value>> Object::fields() const {
  const DomObject& object = load<DomObject>(object_);
  std::vector<std::pair<std::string_view, Value>> out;
  out.reserve(object.size());
  for (auto member : object) {
    Value value;
    store(value.element_, member.value);
    value.key_ = member.key;
    out.emplace_back(member.key, value);
  }
  return out;
}

std::size_t Object::size() const { return load<DomObject>(object_).size(); }

std::vector<Value> Array::elements() const {
  const DomArray& array = load<DomArray>(array_);
  std::vector<Value> out;
  out.reserve(array.size());
  std::int64_t index = 0;
  for (Element element : array) {
    Value value;
    store(value.element_, element);
    value.key_ = key_;
    value.index_ = index++;
    out.push_back(value);
  }
  return out;
}

Array::Iterator Array::at(bool first) const {
  const DomArray& array = load<DomArray>(array_);
  Iterator iterator;
  store(iterator.iterator_, first ? array.begin() : array.end());
  iterator.key_ = key_;
  return iterator;
}

Array::Iterator Array::begin() const { return at(true); }
Array::Iterator Array::end() const { return at(false); }

Value Array::Iterator::operator*() const {
  Value value;
  store(value.element_, *load<DomArray::iterator>(iterator_));
  value.key_ = key_;
  value.index_ = index_;
  return value;
}

Array::Iterator& Array::Iterator::operator++() {
  DomArray::iterator next = load<DomArray::iterator>(iterator_);
  ++next;
  store(iterator_, next);
  ++index_;
  return *this;
}

bool Array::Iterator::operator==(const Iterator& other) const {
  return load<DomArray::iterator>(iterator_) == load<DomArray::iterator>(other.iterator_);
}

std::size_t Array::size() const { return load<DomArray>(array_).size(); }

}  // namespace tavro::json
