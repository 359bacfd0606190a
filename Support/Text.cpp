#include "Support/Text.h"

#include "Support/CharacterBounds.h"
#include "Support/internal/CharacterIterator.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

namespace tavro::text {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Calls `visit(start, end)` with the UTF-16 bounds of each character of `text`
// until it returns false.
template <typename Visit>
void forEachCharacter(const icu::UnicodeString& text, Visit visit) {
  icu::BreakIterator& iterator = characterIterator();
  iterator.setText(text);
  int32_t start = iterator.first();
  for (int32_t end = iterator.next(); end != icu::BreakIterator::DONE; start = end, end = iterator.next()) {
    if (!visit(start, end)) break;
  }
}

const icu::Normalizer2& normalizer(bool composed) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* instance =
      composed ? icu::Normalizer2::getNFCInstance(status) : icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status) || instance == nullptr) throw std::runtime_error("ICU normaliser unavailable");
  return *instance;
}

std::string normalized(std::string_view text, bool composed) {
  const icu::Normalizer2& form = normalizer(composed);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString source = toUnicode(text);
  if (form.isNormalized(source, status) && U_SUCCESS(status) && isValidUtf8(text)) {
    return std::string(text);
  }
  status = U_ZERO_ERROR;
  icu::UnicodeString result = form.normalize(source, status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU normalisation failed");
  return toUtf8(result);
}

}  // namespace

std::vector<std::string> graphemes(std::string_view text) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  icu::UnicodeString unicode = toUnicode(text);
  forEachCharacter(unicode, [&](int32_t start, int32_t end) {
    out.push_back(toUtf8(icu::UnicodeString(unicode, start, end - start)));
    return true;
  });
  return out;
}

std::size_t graphemeCount(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t count = 0;
  icu::UnicodeString unicode = toUnicode(text);
  forEachCharacter(unicode, [&](int32_t, int32_t) {
    ++count;
    return true;
  });
  return count;
}

std::string graphemePrefix(std::string_view text, std::size_t count) {
  if (count == 0 || text.empty()) return {};
  icu::UnicodeString unicode = toUnicode(text);
  int32_t limit = unicode.length();
  std::size_t seen = 0;
  forEachCharacter(unicode, [&](int32_t, int32_t end) {
    if (++seen == count) {
      limit = end;
      return false;
    }
    return true;
  });
  return toUtf8(icu::UnicodeString(unicode, 0, limit));
}

bool hasGraphemePrefix(std::string_view text, std::string_view prefix) {
  if (prefix.empty()) return true;
  if (prefix.size() > text.size() || text.substr(0, prefix.size()) != prefix) return false;
  if (prefix.size() == text.size()) return true;
  // A prefix that ends inside a multi-byte sequence cuts a character.
  if ((static_cast<unsigned char>(text[prefix.size()]) & 0xC0) == 0x80) return false;
  // The bytes agree; the prefix is a whole-character prefix only when a
  // character boundary of the text falls exactly where the prefix ends.
  icu::UnicodeString unicode = toUnicode(text);
  int32_t boundary = toUnicode(prefix).length();
  icu::BreakIterator& iterator = characterIterator();
  iterator.setText(unicode);
  return iterator.isBoundary(boundary);
}

std::string nfc(std::string_view text) {
  if (isAscii(text)) return std::string(text);
  return normalized(text, true);
}

std::string nfd(std::string_view text) {
  if (isAscii(text)) return std::string(text);
  return normalized(text, false);
}

std::string lowercased(std::string_view text) {
  if (isAscii(text)) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  icu::UnicodeString unicode = toUnicode(text);
  unicode.toLower(icu::Locale::getRoot());
  return toUtf8(unicode);
}

std::string uppercased(std::string_view text) {
  icu::UnicodeString unicode = toUnicode(text);
  unicode.toUpper(icu::Locale::getRoot());
  return toUtf8(unicode);
}

icu::BreakIterator& characterIterator() {
  // Break iterators are costly to create and unsafe to share, so each
  // thread keeps one.
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !made) throw std::runtime_error("ICU character break iterator unavailable");
    return made;
  }();
  return *iterator;
}

bool isValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t index = 0;
  while (index < length) {
    UChar32 codePoint;
    U8_NEXT(bytes, index, length, codePoint);
    if (codePoint < 0) return false;
  }
  return true;
}

std::string_view wellFormed(std::string_view text, std::string& storage) {
  if (isValidUtf8(text)) return text;
  storage = fromCodePoints(codePoints(text));
  return storage;
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::vector<char32_t> codePoints(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t index = 0;
  while (index < length) {
    UChar32 codePoint;
    U8_NEXT(bytes, index, length, codePoint);
    out.push_back(codePoint < 0 ? U'\uFFFD' : static_cast<char32_t>(codePoint));
  }
  return out;
}

std::string fromCodePoint(char32_t codePoint) {
  char buffer[U8_MAX_LENGTH];
  int32_t length = 0;
  UBool error = false;
  UChar32 value = codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)
                      ? 0xFFFD
                      : static_cast<UChar32>(codePoint);
  U8_APPEND(reinterpret_cast<uint8_t*>(buffer), length, U8_MAX_LENGTH, value, error);
  (void)error;  // cannot fail: the buffer holds any code point
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::string fromCodePoints(const std::vector<char32_t>& codePoints) {
  std::string out;
  out.reserve(codePoints.size());
  for (char32_t codePoint : codePoints) out += fromCodePoint(codePoint);
  return out;
}

bool isWhiteSpace(char32_t codePoint) {
  return u_hasBinaryProperty(static_cast<UChar32>(codePoint), UCHAR_WHITE_SPACE);
}

bool isControlOrFormat(char32_t codePoint) {
  int8_t category = u_charType(static_cast<UChar32>(codePoint));
  return category == U_CONTROL_CHAR || category == U_FORMAT_CHAR;
}

bool isLetter(char32_t codePoint) { return u_isalpha(static_cast<UChar32>(codePoint)); }

std::string transform(std::string_view id, std::string_view text, bool reverse) {
  // Transliterators are not safe to share between threads; each thread keeps
  // the few it has used.
  thread_local std::map<std::pair<std::string, bool>, std::unique_ptr<icu::Transliterator>> cache;
  auto key = std::make_pair(std::string(id), reverse);
  auto found = cache.find(key);
  if (found == cache.end()) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
        toUnicode(id), reverse ? UTRANS_REVERSE : UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !made) throw std::invalid_argument("unknown transform: " + std::string(id));
    found = cache.emplace(key, std::move(made)).first;
  }
  icu::UnicodeString unicode = toUnicode(text);
  found->second->transliterate(unicode);
  return toUtf8(unicode);
}

}  // namespace tavro::text
