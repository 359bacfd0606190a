#include "TavroCore/settings/UIStrings.h"

#include "Support/StringIndex.h"

#include <cmath>
#include <cstdint>

namespace tavro::UIStrings {
namespace {

std::int64_t wholeSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  // 2^63 is exactly representable; every double below it fits in int64_t.
  constexpr double limit = 9223372036854775808.0;
  if (seconds >= limit) return INT64_MAX;
  return static_cast<std::int64_t>(std::floor(seconds));
}

}  // namespace

std::optional<std::string_view> translation(std::string_view english) {
  static const StringIndex byEnglish(japanese(), &Translation::english, &Translation::japanese);
  return byEnglish.find(english);
}

std::string text(std::string_view text, bool english) {
  if (english) return std::string(text);
  return std::string(translation(text).value_or(text));
}

std::string duration(double seconds, bool english) {
  std::int64_t whole = wholeSeconds(seconds);
  std::string minutes = std::to_string(whole / 60);
  std::string rest = std::to_string(whole % 60);
  if (english) return minutes + " min " + rest + " sec";
  return minutes + "分 " + rest + "秒";
}

}  // namespace tavro::UIStrings
