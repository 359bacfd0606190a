#include "Support/CharacterBounds.h"

#include "Support/internal/CharacterIterator.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>

namespace tavro::text {
namespace {

// A code point whose Grapheme_Cluster_Break value is Other joins neither the
// code point before it nor the one after it under any rule of the default
// segmentation, so a text made only of such code points has one character per
// code point. Returns false (and leaves `ends` unspecified) as soon as the
// text holds anything else, including ill-formed UTF-8.
bool splitSimple(std::string_view text, std::vector<std::size_t>* ends) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t index = 0;
  while (index < length) {
    uint8_t lead = bytes[index];
    if (lead >= 0x20 && lead < 0x7F) {
      ++index;  // printable ASCII is always Other
    } else {
      UChar32 point;
      U8_NEXT(bytes, index, length, point);
      if (point < 0 || u_getIntPropertyValue(point, UCHAR_GRAPHEME_CLUSTER_BREAK) != U_GCB_OTHER) return false;
    }
    if (ends) ends->push_back(static_cast<std::size_t>(index));
  }
  return true;
}

void splitWithIterator(std::string_view text, std::vector<std::size_t>& ends) {
  ends.clear();
  UErrorCode status = U_ZERO_ERROR;
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU text over UTF-8 unavailable");
  icu::BreakIterator& iterator = characterIterator();
  iterator.setText(utext, status);
  if (U_FAILURE(status)) {
    utext_close(utext);
    throw std::runtime_error("ICU character break iterator refused the text");
  }
  // Native indexes of a UTF-8 UText are byte offsets.
  for (int32_t end = iterator.next(); end != icu::BreakIterator::DONE; end = iterator.next()) {
    ends.push_back(static_cast<std::size_t>(end));
  }
  // The iterator keeps a pointer to the UText; point it elsewhere before closing.
  iterator.setText(icu::UnicodeString());
  utext_close(utext);
}

}  // namespace

std::vector<std::size_t> characterEnds(std::string_view text) {
  std::vector<std::size_t> ends;
  if (text.empty()) return ends;
  ends.reserve(text.size());
  if (!splitSimple(text, &ends)) splitWithIterator(text, ends);
  return ends;
}

std::size_t characterCount(std::string_view text) {
  if (text.empty()) return 0;
  if (isAscii(text) && text.find('\r') == std::string_view::npos) return text.size();
  return characterEnds(text).size();
}

std::size_t firstCharacterSize(std::string_view text) {
  if (text.empty()) return 0;
  // Two printable ASCII characters never join.
  auto printable = [](char c) { return c >= 0x20 && c < 0x7F; };
  if (printable(text[0]) && (text.size() == 1 || printable(text[1]))) return 1;
  // Characters are short; look at a bounded window first. Whether a boundary
  // falls after the first character depends on that character and the one
  // code point after it, so the window's answer holds when that code point
  // (at most four bytes) lies wholly inside the window.
  constexpr std::size_t kWindow = 64;
  if (text.size() <= kWindow) return characterEnds(text).front();
  std::size_t first = characterEnds(text.substr(0, kWindow)).front();
  if (first + 4 <= kWindow) return first;
  return characterEnds(text).front();
}

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace tavro::text
