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
};

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
  auto result = impl->parser.parse(bytes.data(), bytes.size(), true);
  if (result.error()) {
    throw DecodingError(std::string("The data is not valid JSON: ") + simdjson::error_message(result.error()));
  }
  impl->root = result.value_unsafe();
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

Value Object::required(std::string_view key) const {
  std::optional<Value> value = field(key);
  if (!value) throw DecodingError("Missing " + quoted(key));
  if (value->isNull()) throw DecodingError("Expected a value for " + quoted(key) + ", found null");
  return *value;
}

std::optional<Value> Object::optional(std::string_view key) const {
  std::optional<Value> value = field(key);
  if (!value || value->isNull()) return std::nullopt;
  return value;
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

std::size_t Array::size() const { return load<DomArray>(array_).size(); }

}  // namespace tavro::json
