// Compares safeDetail on arbitrary bytes with the same redaction written as
// ICU regular expressions (the link and secret patterns applied after line
// breaks and ASCII control characters are dropped, then the cut to 600
// characters). Inputs are kept short: ICU's matcher is quadratic on some of
// them, which is why safeDetail does not use it.
#include "Support/Text.h"
#include "TavroCore/account/AccountService.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::string replaceAll(const std::string& subject, const char* pattern, const char* replacement) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(subject);
  icu::RegexMatcher matcher(icu::UnicodeString::fromUTF8(pattern), unicode, 0, status);
  icu::UnicodeString out = matcher.replaceAll(icu::UnicodeString::fromUTF8(replacement), status);
  if (U_FAILURE(status)) __builtin_trap();
  std::string result;
  out.toUTF8String(result);
  return result;
}

std::string referenceDetail(std::string_view text) {
  std::string cleaned;
  for (char32_t c : tavro::text::codePoints(text)) {
    if (c <= 0x1F || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029) continue;
    cleaned += tavro::text::fromCodePoint(c);
  }
  std::string links =
      replaceAll(cleaned, R"(https?://[^\s]+|brelva-[^\s]+://[^\s]+)", "[URL redacted]");
  std::string secrets = replaceAll(links, "[A-Za-z0-9_+/=-]{43,}", "[secret redacted]");
  return tavro::text::graphemePrefix(secrets, 600);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (tavro::AccountService::safeDetail(text) != referenceDetail(text)) __builtin_trap();
  return 0;
}
