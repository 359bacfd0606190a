#include "Platform/Bundle.h"

#include "Support/File.h"

#include <plist/plist.h>

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <system_error>

namespace tavro::platform {

PlistValue::PlistValue(PlistArray value)
    : storage_(std::make_shared<const PlistArray>(std::move(value))) {}

PlistValue::PlistValue(PlistDictionary value)
    : storage_(std::make_shared<const PlistDictionary>(std::move(value))) {}

PlistValue PlistValue::uid(std::uint64_t value) {
  return PlistValue(Uid{value});
}

PlistValue::Kind PlistValue::kind() const {
  switch (storage_.index()) {
    case 0:
      return Kind::boolean;
    case 1:
      return Kind::integer;
    case 2:
      return Kind::real;
    case 3:
      return Kind::string;
    case 4:
      return Kind::data;
    case 5:
      return Kind::date;
    case 6:
      return Kind::array;
    case 7:
      return Kind::dictionary;
    default:
      return Kind::uid;
  }
}

std::optional<bool> PlistValue::boolean() const {
  if (const bool* value = std::get_if<bool>(&storage_)) return *value;
  return std::nullopt;
}

std::optional<std::int64_t> PlistValue::integer() const {
  if (const std::int64_t* value = std::get_if<std::int64_t>(&storage_)) return *value;
  return std::nullopt;
}

std::optional<double> PlistValue::real() const {
  if (const double* value = std::get_if<double>(&storage_)) return *value;
  return std::nullopt;
}

const std::string* PlistValue::string() const {
  return std::get_if<std::string>(&storage_);
}

const PlistValue::Data* PlistValue::data() const {
  return std::get_if<Data>(&storage_);
}

std::optional<Date> PlistValue::date() const {
  if (const Date* value = std::get_if<Date>(&storage_)) return *value;
  return std::nullopt;
}

const PlistArray* PlistValue::array() const {
  auto* value = std::get_if<std::shared_ptr<const PlistArray>>(&storage_);
  return value ? value->get() : nullptr;
}

const PlistDictionary* PlistValue::dictionary() const {
  auto* value = std::get_if<std::shared_ptr<const PlistDictionary>>(&storage_);
  return value ? value->get() : nullptr;
}

std::optional<std::uint64_t> PlistValue::uidValue() const {
  if (const Uid* value = std::get_if<Uid>(&storage_)) return value->value;
  return std::nullopt;
}

bool operator==(const PlistValue& a, const PlistValue& b) {
  if (a.storage_.index() != b.storage_.index()) return false;
  if (const PlistArray* left = a.array()) return *left == *b.array();
  if (const PlistDictionary* left = a.dictionary()) return *left == *b.dictionary();
  return a.storage_ == b.storage_;
}

namespace {

// Frees a libplist tree on every path.
struct PlistHandle {
  plist_t node = nullptr;
  ~PlistHandle() {
    if (node) plist_free(node);
  }
};

PlistValue convert(plist_t node, int depth);

PlistDictionary convertDictionary(plist_t node, int depth) {
  if (depth > maximumPlistDepth) throw PropertyListError("The property list is nested too deeply.");
  PlistDictionary dictionary;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  if (!iterator) throw std::bad_alloc();
  // The iterator is a small allocation of libplist's own.
  struct IteratorHandle {
    plist_dict_iter iterator;
    ~IteratorHandle() { free(iterator); }
  } handle{iterator};
  for (;;) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node, iterator, &key, &value);
    if (!value) {
      free(key);
      break;
    }
    std::string name = key ? key : "";
    free(key);
    // A key given twice keeps its first value.
    PlistValue converted = convert(value, depth + 1);
    dictionary.emplace(std::move(name), std::move(converted));
  }
  return dictionary;
}

PlistValue convert(plist_t node, int depth) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PlistValue(value != 0);
    }
    case PLIST_UINT: {
      // libplist keeps every integer as a 64-bit pattern; negative integers
      // of either form come back as their two's complement.
      uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PlistValue(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      uint64_t length = 0;
      const char* value = plist_get_string_ptr(node, &length);
      return PlistValue(std::string(value ? value : "", value ? length : 0));
    }
    case PLIST_DATA: {
      uint64_t length = 0;
      const char* value = plist_get_data_ptr(node, &length);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(value);
      return PlistValue(PlistValue::Data(bytes, bytes + (value ? length : 0)));
    }
    case PLIST_DATE: {
      int32_t seconds = 0;
      int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      return PlistValue(
          Date{static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6});
    }
    case PLIST_ARRAY: {
      if (depth > maximumPlistDepth) {
        throw PropertyListError("The property list is nested too deeply.");
      }
      PlistArray array;
      uint32_t size = plist_array_get_size(node);
      array.reserve(size);
      for (uint32_t i = 0; i < size; ++i) {
        array.push_back(convert(plist_array_get_item(node, i), depth + 1));
      }
      return PlistValue(std::move(array));
    }
    case PLIST_DICT:
      return PlistValue(convertDictionary(node, depth));
    case PLIST_UID: {
      uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return PlistValue::uid(value);
    }
    case PLIST_NONE:
      break;
  }
  throw PropertyListError("The property list holds a value of an unknown type.");
}

// libplist expands every reference of a binary property list into a node of
// its own, so a few hundred bytes whose containers refer to one another many
// times become gigabytes, and some byte sequences (U+0000 inside a key) make
// it abort. The structure is therefore checked here, on the raw bytes and
// without allocating per reference, before libplist sees it: the trailer and
// offset table, every object reachable from the root with its header and
// payload inside the object area, references inside the table, no cycles,
// the nesting depth, and the size of the tree once every reference has been
// expanded. Anything unusual in an Info.plist is refused rather than
// interpreted.
class BinaryPlistCheck {
 public:
  explicit BinaryPlistCheck(std::string_view bytes) : bytes_(bytes) {}

  void run() {
    constexpr std::size_t headerLength = 8;
    constexpr std::size_t trailerLength = 32;
    if (bytes_.size() < headerLength + trailerLength) refuse();
    const std::size_t trailer = bytes_.size() - trailerLength;
    offsetSize_ = byteAt(trailer + 6);
    referenceSize_ = byteAt(trailer + 7);
    const std::uint64_t objectCount = number(trailer + 8, 8);
    const std::uint64_t root = number(trailer + 16, 8);
    const std::uint64_t tableOffset = number(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8) refuse();
    // Each object takes at least one byte, so the count is bounded by the size.
    if (objectCount == 0 || objectCount > bytes_.size() || root >= objectCount) refuse();
    if (tableOffset < headerLength || tableOffset > trailer) refuse();
    if (objectCount * offsetSize_ != trailer - tableOffset) refuse();
    objectCount_ = objectCount;
    objectsEnd_ = tableOffset;
    tableOffset_ = tableOffset;
    state_.assign(objectCount, {});
    walkFrom(root);
  }

 private:
  struct Totals {
    std::uint64_t nodes = 0;
    std::uint64_t bytes = 0;
    int depth = 0;  // containers on the longest chain from here
  };
  enum class Mark : std::uint8_t { unseen, open, done };
  struct State {
    Mark mark = Mark::unseen;
    Totals totals;
  };
  struct Object {
    std::uint8_t type = 0;
    std::uint64_t payloadStart = 0;  // references for containers, bytes otherwise
    std::uint64_t length = 0;        // elements (entries for dictionaries) or bytes
    std::uint64_t payloadBytes = 0;  // bytes of the value itself (strings, data, numbers)
  };

  [[noreturn]] static void refuse() {
    throw PropertyListError("The data is not a property list.");
  }

  [[noreturn]] static void tooDeep() {
    throw PropertyListError("The property list is nested too deeply.");
  }

  std::uint8_t byteAt(std::uint64_t at) const {
    if (at >= bytes_.size()) refuse();
    return static_cast<std::uint8_t>(bytes_[at]);
  }

  std::uint64_t number(std::uint64_t at, std::uint64_t size) const {
    if (at > bytes_.size() || size > bytes_.size() - at) refuse();
    std::uint64_t value = 0;
    for (std::uint64_t i = 0; i < size; ++i) value = (value << 8) | byteAt(at + i);
    return value;
  }

  std::uint64_t offsetOf(std::uint64_t index) const {
    std::uint64_t offset = number(tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < 8 || offset >= objectsEnd_) refuse();
    return offset;
  }

  // The payload [start, start + size) must lie inside the object area.
  void requireInside(std::uint64_t start, std::uint64_t size) const {
    if (start > objectsEnd_ || size > objectsEnd_ - start) refuse();
  }

  Object read(std::uint64_t index) const {
    const std::uint64_t at = offsetOf(index);
    const std::uint8_t marker = byteAt(at);
    Object object;
    object.type = marker >> 4;
    const std::uint8_t low = marker & 0x0F;
    std::uint64_t start = at + 1;
    auto count = [&]() -> std::uint64_t {
      if (low != 0x0F) return low;
      // A longer count follows as an integer object of 1, 2, 4 or 8 bytes.
      const std::uint8_t integer = byteAt(start);
      if ((integer >> 4) != 0x1 || (integer & 0x0F) > 3) refuse();
      const std::uint64_t size = std::uint64_t{1} << (integer & 0x0F);
      const std::uint64_t value = number(start + 1, size);
      start += 1 + size;
      return value;
    };
    switch (object.type) {
      case 0x0:  // only false and true; null and fill bytes have no place here
        if (low != 0x8 && low != 0x9) refuse();
        break;
      case 0x1:  // integer of 1, 2, 4, 8 or 16 bytes
        if (low > 4) refuse();
        object.payloadBytes = std::uint64_t{1} << low;
        break;
      case 0x2:  // real of 4 or 8 bytes
        if (low != 2 && low != 3) refuse();
        object.payloadBytes = std::uint64_t{1} << low;
        break;
      case 0x3:  // date
        if (low != 3) refuse();
        object.payloadBytes = 8;
        break;
      case 0x4:  // data
      case 0x5:  // ASCII string
        object.payloadBytes = count();
        break;
      case 0x6:  // UTF-16 string, counted in code units
        object.length = count();
        if (object.length > bytes_.size()) refuse();
        object.payloadBytes = object.length * 2;
        break;
      case 0x8:  // UID of 1 to 8 bytes
        if (low > 7) refuse();
        object.payloadBytes = std::uint64_t{low} + 1;
        break;
      case 0xA:  // array
      case 0xD: {  // dictionary: the key references, then the value references
        object.length = count();
        const std::uint64_t references = object.type == 0xD ? 2 : 1;
        if (object.length > bytes_.size()) refuse();
        requireInside(start, object.length * references * referenceSize_);
        break;
      }
      default:  // sets and reserved types
        refuse();
    }
    object.payloadStart = start;
    requireInside(start, object.payloadBytes);
    if (object.type == 0x5) {
      for (std::uint64_t i = 0; i < object.payloadBytes; ++i) {
        const std::uint8_t c = byteAt(start + i);
        if (c == 0 || c >= 0x80) refuse();
      }
    } else if (object.type == 0x6) {
      checkUtf16(start, object.length);
    }
    return object;
  }

  // Well-formed UTF-16 (big-endian) without U+0000.
  void checkUtf16(std::uint64_t start, std::uint64_t units) const {
    for (std::uint64_t i = 0; i < units; ++i) {
      const std::uint64_t unit = number(start + 2 * i, 2);
      if (unit == 0) refuse();
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (i + 1 == units) refuse();
        const std::uint64_t next = number(start + 2 * (i + 1), 2);
        if (next < 0xDC00 || next > 0xDFFF) refuse();
        ++i;
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        refuse();
      }
    }
  }

  std::uint64_t referenceAt(const Object& object, std::uint64_t position) const {
    std::uint64_t reference = number(object.payloadStart + position * referenceSize_, referenceSize_);
    if (reference >= objectCount_) refuse();
    return reference;
  }

  static bool isContainer(const Object& object) { return object.type == 0xA || object.type == 0xD; }
  static std::uint64_t childCount(const Object& object) {
    return object.type == 0xD ? object.length * 2 : object.type == 0xA ? object.length : 0;
  }

  // Depth-first over the references with an explicit stack, so hostile
  // nesting cannot exhaust ours; each object is reckoned once and its totals
  // reused wherever it is referred to again.
  void walkFrom(std::uint64_t root) {
    struct Frame {
      std::uint64_t index;
      Object object;
      std::uint64_t next = 0;
      Totals totals;
    };
    std::vector<Frame> stack;
    auto enter = [&](std::uint64_t index) {
      state_[index].mark = Mark::open;
      Object object = read(index);
      Totals totals;
      totals.nodes = 1;
      totals.bytes = object.payloadBytes;
      totals.depth = isContainer(object) ? 1 : 0;
      stack.push_back(Frame{index, object, 0, totals});
    };
    enter(root);
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < childCount(frame.object)) {
        const std::uint64_t child = referenceAt(frame.object, frame.next++);
        // Keys of a dictionary must be strings.
        if (frame.object.type == 0xD && frame.next <= frame.object.length) {
          const std::uint8_t type = byteAt(offsetOf(child)) >> 4;
          if (type != 0x5 && type != 0x6) refuse();
        }
        State& state = state_[child];
        if (state.mark == Mark::open) refuse();  // a container that holds itself
        if (state.mark == Mark::unseen) {
          if (stack.size() > static_cast<std::size_t>(maximumPlistDepth)) tooDeep();
          enter(child);
          continue;
        }
        add(frame, state.totals);
        continue;
      }
      State& state = state_[frame.index];
      state.mark = Mark::done;
      state.totals = frame.totals;
      stack.pop_back();
      if (!stack.empty()) add(stack.back(), state.totals);
    }
    if (state_[root].totals.depth > maximumPlistDepth) tooDeep();
  }

  static void add(auto& frame, const Totals& child) {
    frame.totals.nodes += child.nodes;
    frame.totals.bytes += child.bytes;
    if (frame.object.type == 0xA || frame.object.type == 0xD) {
      frame.totals.depth = std::max(frame.totals.depth, child.depth + 1);
    }
    // Checked as the totals grow, so they never overflow.
    if (frame.totals.nodes > maximumExpandedPlistNodes || frame.totals.bytes > maximumExpandedPlistBytes) {
      throw PropertyListError("The property list expands too far.");
    }
  }

  std::string_view bytes_;
  std::uint64_t offsetSize_ = 0;
  std::uint64_t referenceSize_ = 0;
  std::uint64_t objectCount_ = 0;
  std::uint64_t objectsEnd_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::vector<State> state_;
};

bool isBinaryPlist(std::string_view bytes) { return bytes.starts_with("bplist"); }

// libplist parses and frees nested values recursively, so a small hostile
// file nested tens of thousands of levels deep could overflow a thread's
// stack (more so under sanitizers) before we could look at its depth.
// Parsing therefore runs on a thread of its own whose stack is far larger
// than anything that fits within maximumInfoPlistBytes needs; the memory is
// only reserved, not used, by ordinary files.
constexpr std::size_t parserStackBytes = std::size_t{64} * 1024 * 1024;

struct ParseJob {
  std::string_view bytes;
  PlistDictionary result;
  std::exception_ptr failure;
};

void parseOnThisThread(ParseJob& job) {
  if (isBinaryPlist(job.bytes)) BinaryPlistCheck(job.bytes).run();
  PlistHandle root;
  plist_from_memory(job.bytes.data(), static_cast<uint32_t>(job.bytes.size()), &root.node);
  if (!root.node) throw PropertyListError("The data is not a property list.");
  if (plist_get_node_type(root.node) != PLIST_DICT) {
    throw PropertyListError("The property list is not a dictionary.");
  }
  job.result = convertDictionary(root.node, 1);
}

void* runParseJob(void* argument) {
  auto& job = *static_cast<ParseJob*>(argument);
  try {
    parseOnThisThread(job);
  } catch (...) {
    job.failure = std::current_exception();
  }
  return nullptr;
}

}  // namespace

PlistDictionary parsePropertyList(std::string_view bytes) {
  if (bytes.size() > static_cast<std::uint64_t>(maximumInfoPlistBytes)) {
    throw PropertyListError("The property list is too large.");
  }
  if (bytes.empty()) throw PropertyListError("The data is not a property list.");

  ParseJob job{bytes, {}, nullptr};
  // A binary list that passed its structure check is at most
  // maximumPlistDepth containers deep, so it is parsed on the caller's stack;
  // only XML, whose nesting is known once parsed, needs the large one.
  if (isBinaryPlist(bytes)) {
    parseOnThisThread(job);
    return std::move(job.result);
  }
  pthread_attr_t attributes;
  if (int error = pthread_attr_init(&attributes))
    throw std::system_error(error, std::generic_category());
  int error = pthread_attr_setstacksize(&attributes, parserStackBytes);
  pthread_t thread;
  if (!error) error = pthread_create(&thread, &attributes, runParseJob, &job);
  pthread_attr_destroy(&attributes);
  if (error)
    throw std::system_error(error, std::generic_category(),
                            "Cannot start the property list parser");
  pthread_join(thread, nullptr);
  if (job.failure) std::rethrow_exception(job.failure);
  return std::move(job.result);
}

PlistDictionary infoDictionary(const std::filesystem::path& bundle) {
  const std::filesystem::path path = bundle / "Contents" / "Info.plist";
  // Non-blocking so that a FIFO in place of the file cannot stall us; only a
  // regular file is read, and one that grew past the bound meanwhile is
  // still refused.
  file::Contents contents = file::readRegular(
      path, {.limit = static_cast<std::uintmax_t>(maximumInfoPlistBytes)});
  switch (contents.failure) {
    case file::Failure::none:
      break;
    case file::Failure::notRegular:
      throw PropertyListError("Info.plist is not a regular file.");
    case file::Failure::tooLarge:
      throw PropertyListError("The property list is too large.");
    case file::Failure::open:
    case file::Failure::status:
    case file::Failure::read:
      throw std::system_error(contents.error, std::generic_category(), path.string());
  }
  const std::string& bytes = contents.bytes;
  return parsePropertyList(bytes);
}

}  // namespace tavro::platform
