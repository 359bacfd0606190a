// Unicode text helpers over ICU. Every text at our API is UTF-8; a
// "character" is a user-perceived character (an extended grapheme cluster),
// never a byte or a code point. Ill-formed UTF-8 is read as U+FFFD for each
// bad sequence, so no input makes these functions fail.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::text {

// The characters of `text`, in order.
std::vector<std::string> graphemes(std::string_view text);

// The number of characters of `text`.
std::size_t graphemeCount(std::string_view text);

// The first `count` characters of `text` (all of it when it is shorter).
std::string graphemePrefix(std::string_view text, std::size_t count);

// True when the characters of `prefix` are the first characters of `text`:
// "かa" starts with "か", but "か\u3099" (が, decomposed) does not start with
// "か" because the first character of the text is が. Compared byte for byte
// per character; normalise both sides first when canonical equivalence is wanted.
bool hasGraphemePrefix(std::string_view text, std::string_view prefix);

// Unicode normalisation forms C and D. ASCII text is its own normal form
// and is copied without a round trip through ICU, since keystrokes are
// normalised on every key.
std::string nfc(std::string_view text);
std::string nfd(std::string_view text);

// Full Unicode lower-casing (root locale), e.g. "İ" becomes "i̇" and "ẞ" "ß".
// ASCII text is lower-cased without a round trip through ICU.
std::string lowercased(std::string_view text);

// Full Unicode upper-casing (root locale), e.g. "ß" becomes "SS".
std::string uppercased(std::string_view text);

// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// `text` with every ill-formed UTF-8 sequence replaced by U+FFFD: `text`
// itself when it is well-formed, otherwise the repaired copy, which is kept
// in `storage`. For code that reads untrusted text byte by byte and must
// never produce ill-formed output.
std::string_view wellFormed(std::string_view text, std::string& storage);

// The pieces of `text` between the `separator`s, in order, empty pieces
// included: "a||b" gives "a", "", "b" and "" gives one empty piece. The
// pieces are views into `text`.
std::vector<std::string_view> split(std::string_view text, char separator);

// `text` without the spaces, tabs and line breaks (CR, LF) at either end,
// as a pasted token or path arrives with them.
std::string_view trimmed(std::string_view text);

// The code points of `text` (ill-formed sequences become U+FFFD), and back.
std::vector<char32_t> codePoints(std::string_view text);
std::string fromCodePoints(const std::vector<char32_t>& codePoints);
std::string fromCodePoint(char32_t codePoint);

// Character properties of one code point.
bool isWhiteSpace(char32_t codePoint);        // the White_Space property
bool isControlOrFormat(char32_t codePoint);   // general category Cc or Cf
bool isLetter(char32_t codePoint);            // any letter category, any script

// Runs an ICU transform such as "Fullwidth-Halfwidth", "Hiragana-Katakana"
// (pass `reverse` for Katakana-Hiragana), "Latin-Hiragana" or
// "Katakana-Latin". Transliterators are built once per thread and id.
// Throws std::invalid_argument for an id ICU does not know.
std::string transform(std::string_view id, std::string_view text, bool reverse = false);

}  // namespace tavro::text
