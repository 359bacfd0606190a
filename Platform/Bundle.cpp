#include "Platform/Bundle.h"

#include <plist/plist.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

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
  // regular file is read.
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) throw std::system_error(errno, std::generic_category(), path.string());
  struct Closer {
    int descriptor;
    ~Closer() { ::close(descriptor); }
  } closer{descriptor};

  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    throw std::system_error(errno, std::generic_category(), path.string());
  }
  if (!S_ISREG(status.st_mode)) throw PropertyListError("Info.plist is not a regular file.");
  if (status.st_size > maximumInfoPlistBytes)
    throw PropertyListError("The property list is too large.");

  // Read one byte past the bound so a file that grew meanwhile is still refused.
  std::string bytes(static_cast<std::size_t>(maximumInfoPlistBytes) + 1, '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    ssize_t count = ::read(descriptor, bytes.data() + filled, bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), path.string());
    }
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  bytes.resize(filled);
  return parsePropertyList(bytes);
}

}  // namespace tavro::platform
