#include "TavroCore/account/AccountText.h"

#include "Support/Text.h"

#include <algorithm>
#include <vector>

namespace tavro::accounttext {
namespace {

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string trimmed(std::string_view text) {
  // Most texts are plain ASCII; keep them off ICU.
  if (isAscii(text)) {
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
  }
  std::vector<char32_t> points = text::codePoints(text);
  std::size_t begin = 0, end = points.size();
  while (begin < end && text::isWhiteSpace(points[begin])) ++begin;
  while (end > begin && text::isWhiteSpace(points[end - 1])) --end;
  if (begin == 0 && end == points.size() && text::isValidUtf8(text)) return std::string(text);
  return text::fromCodePoints(std::vector<char32_t>(points.begin() + begin, points.begin() + end));
}

bool hasControlOrFormat(std::string_view text) {
  if (isAscii(text)) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c < 0x20 || c == 0x7F; });
  }
  std::vector<char32_t> points = text::codePoints(text);
  return std::any_of(points.begin(), points.end(), text::isControlOrFormat);
}

bool sameText(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (isAscii(a) && isAscii(b)) return false;
  if (!text::isValidUtf8(a) || !text::isValidUtf8(b)) return false;
  return text::nfc(a) == text::nfc(b);
}

}  // namespace tavro::accounttext
