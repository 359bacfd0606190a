// A host program built against the installed core: it reads a Japanese text
// through the core's suggested readings (MeCab and its dictionary), spells
// kana in romaji (ICU normalisation) and prints the answers; the test checks
// them.
#include "TavroCore/content/CustomPractice.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/release/ReleaseIdentity.h"

#include <algorithm>
#include <cstdio>
#include <string>

int main() {
  int failures = 0;
  const std::string reading = tavro::CustomPractice::suggestedReading("洞察力を大切に");
  std::printf("reading: %s\n", reading.c_str());
  if (reading != "どうさつりょくをたいせつに") {
    std::fprintf(stderr, "unexpected reading: %s\n", reading.c_str());
    ++failures;
  }
  const auto spellings = tavro::Romaji::spellings("しゃ");
  if (std::find(spellings.begin(), spellings.end(), "sha") == spellings.end() ||
      std::find(spellings.begin(), spellings.end(), "sya") == spellings.end()) {
    std::fprintf(stderr, "しゃ is missing the spellings sha and sya\n");
    ++failures;
  }
  std::printf("version: %s\n", std::string(tavro::ReleaseIdentity::version).c_str());
  return failures == 0 ? 0 : 1;
}
