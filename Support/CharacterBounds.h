// Character (grapheme cluster) boundaries of UTF-8 text without copying it,
// for code that walks the same short texts on every keystroke. The answers
// agree with `text::graphemes` and `text::graphemeCount` (Text.h); texts whose
// code points can never join a neighbour (plain ASCII, kana, most CJK) are
// split per code point without running a break iterator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::text {

// The byte offset at which each character of `text` ends, in order; the last
// offset is `text.size()`. Empty for an empty text. Ill-formed UTF-8 is read
// as U+FFFD per bad sequence, each its own character, so the offsets always
// cut `text` into slices that cover it exactly.
std::vector<std::size_t> characterEnds(std::string_view text);

// The number of characters of `text`: `characterEnds(text).size()`.
std::size_t characterCount(std::string_view text);

// The byte length of the first character of `text` (0 when it is empty).
std::size_t firstCharacterSize(std::string_view text);

// True when every byte of `text` is ASCII.
bool isAscii(std::string_view text);

// Full Unicode upper-casing (root locale), e.g. "ß" becomes "SS".
std::string uppercased(std::string_view text);

}  // namespace tavro::text
