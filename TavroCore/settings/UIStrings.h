// The interface in English or Japanese. The host writes every label,
// message and menu item in English; the English text is the key of a fixed
// translation table, and a text without a translation is shown in English.
// Also the minutes-and-seconds duration format and the labels of the six
// guided romaji rounds.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::UIStrings {

struct Translation {
  std::string english;
  std::string japanese;
};

// The translation table, 267 rows with unique English keys, in table order;
// built once on first use. The download message's key and translation name
// the maker's web domain (`configuration::webDomain()`).
const std::vector<Translation>& japanese();

// The Japanese text stored under exactly `english` (case-sensitive, whole
// text), or none.
std::optional<std::string_view> translation(std::string_view english);

// The text to show: `text` itself in the English interface; otherwise its
// translation, or `text` itself when the table has none.
std::string text(std::string_view text, bool english);

// Whole seconds (rounded down; negative, NaN and infinite values count as
// 0, values beyond signed 64 bits as the largest) as minutes and seconds:
// "2 min 5 sec" in English, "2分 5秒" in Japanese. Minutes are not capped at 59.
std::string duration(double seconds, bool english);

// The six guided romaji round labels, in round order; each is a key of the
// table (the middle dot is U+00B7).
inline constexpr std::array<std::string_view, 6> guidedRomajiRoundLabels = {
    "Kihon Tango · 2-moji", "Kihon Tango · 3-moji", "Dakuon & Sokuon",
    "Yoon & Oyo Tango",     "Tanbun & Rizumu",      "Jitsuyobun & Suji"};

}  // namespace tavro::UIStrings
