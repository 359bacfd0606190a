#include "TavroUpdate/NumericComparison.h"

namespace tavro::NumericComparison {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The digit run that starts at `at`, without its leading zeros; `at` moves
// past the run.
std::string_view digitRun(std::string_view text, std::size_t& at) {
  std::size_t start = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  std::string_view run = text.substr(start, at - start);
  std::size_t significant = run.find_first_not_of('0');
  return significant == std::string_view::npos ? std::string_view() : run.substr(significant);
}

}  // namespace

std::weak_ordering compare(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::string_view left = digitRun(a, i);
      std::string_view right = digitRun(b, j);
      // Without leading zeros, the longer run is the larger value.
      if (left.size() != right.size()) return left.size() <=> right.size();
      if (int order = left.compare(right); order != 0) return order <=> 0;
      continue;
    }
    // UTF-8 bytes order like the code points they encode.
    auto left = static_cast<unsigned char>(a[i]);
    auto right = static_cast<unsigned char>(b[j]);
    if (left != right) return left <=> right;
    ++i;
    ++j;
  }
  return (a.size() - i) <=> (b.size() - j);
}

}  // namespace tavro::NumericComparison
