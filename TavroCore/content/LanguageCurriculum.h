// The English and Nepali curricula: six rounds each, from home-row drills or
// single letters to full sentences, and a seventh round built from the
// learner's weak keys. Each round is stored as one text of entries separated
// by "|" (Nepali entries: display/roman/variant/...) and parsed on every call.
#pragma once

#include "TavroCore/input/LanguagePrompt.h"
#include "TavroCore/input/TavroLanguage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::LanguageCurriculum {

// The six round titles of each language, in round order.
const std::vector<std::string>& englishTitles();
const std::vector<std::string>& nepaliTitles();

// The prompts of a round of English or Nepali. Rounds 1 to 6 are the stored
// rounds. Round 7 keeps, from rounds 2 to 6 in order, every prompt where some
// Unicode scalar of `weakKeys` occurs in the lower-cased roman form or in the
// shown text (variants are not looked at), or all of them when none does.
// Japanese and any other round give an empty list.
std::vector<LanguagePrompt> prompts(TavroLanguage language, std::int64_t round,
                                    std::string_view weakKeys);

}  // namespace tavro::LanguageCurriculum
