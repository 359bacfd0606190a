// Feeds arbitrary prompts and typed texts to the romaji search, the matcher
// and kana input. Nothing may crash, every answer must be well-formed and
// bounded, and the first spelling of a prompt must be typeable key by key.
#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavro;
  // Prompt and typed text are separated by the first 0xFE byte (never in UTF-8).
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t split = bytes.find('\xFE');
  std::string_view prompt = bytes.substr(0, split);
  std::string_view typed = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
  if (prompt.size() > 300) prompt = prompt.substr(0, 300);

  std::vector<std::string> spellings = Romaji::spellings(prompt);
  check(spellings.size() <= 128);
  for (const std::string& spelling : spellings) check(text::isValidUtf8(spelling));

  // Both texts are compared in normalization form C, and spellings come in it.
  std::vector<std::string> matching = Romaji::matchingSpellings(prompt, typed);
  check(matching.size() <= 128);
  if (text::isValidUtf8(typed)) {
    std::string composedTyped = text::nfc(typed);
    for (const std::string& spelling : matching) {
      check(std::string_view(spelling).starts_with(composedTyped));
      check(text::nfc(spelling) == spelling);
    }
  }
  std::int64_t completed = Romaji::completedCharacters(prompt, typed);
  check(completed >= 0 && static_cast<std::size_t>(completed) <= text::graphemeCount(text::nfc(prompt)));
  check(Romaji::hints(prompt, typed, 3).size() <= 3);

  // "\r\n" is one character and cannot be typed one key at a time.
  if (!spellings.empty() && isAscii(spellings.front()) && spellings.front().find('\r') == std::string::npos &&
      text::lowercased(spellings.front()) == spellings.front()) {
    Matcher matcher = Matcher::romaji(std::string(prompt));
    for (char key : spellings.front()) check(matcher.input(std::string(1, key)));
    check(matcher.complete());
  }
  Matcher typing = Matcher::romaji(std::string(prompt));
  typing.input(typed);
  (void)typing.next();
  (void)typing.expectedInput();

  for (bool jis : {false, true}) {
    std::string keys = KanaInput::keys(prompt, jis);
    for (const KanaHint& hint : KanaInput::hints(prompt, typed, jis, 4)) check(!hint.keys.empty());
    (void)KanaInput::label(typed, jis);
    (void)KanaInput::shiftedLabel(typed, jis);
    (void)keys;
  }
  return 0;
}
