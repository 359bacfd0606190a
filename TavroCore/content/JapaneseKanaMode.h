// Japanese practice typed with the kana keys of the keyboard: whether the
// learner chose it (saved in the user-defaults store) and its rounds, which
// are the JLPT rounds with a weak-key round of its own that looks at the kana
// keys each prompt needs.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/content/JapanesePrompt.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavro::JapaneseKanaMode {

// The user-defaults key holding the choice as a Boolean.
inline constexpr std::string_view preferenceKey = "practiceJapaneseKanaInput";

// The saved choice; false when nothing (or no Boolean) is saved.
bool saved(const platform::UserDefaults& store);

// Saves the choice as a Boolean under preferenceKey.
void save(bool enabled, platform::UserDefaults& store);

// The prompts of a round for kana-key typing. Rounds other than 7, and round
// 7 without weak keys, are the JLPT rounds of the level without weak keys.
// Round 7 with weak keys keeps, from the JLPT rounds 1 to 6 of the level in
// order, every prompt whose kana-key sequence on the chosen layout holds a
// character of the weak keys (both compared in lower case), or all of them
// when none does.
std::vector<JapanesePrompt> prompts(JLPTLevel level, std::int64_t round, std::string_view weakKeys,
                                    bool jis);

}  // namespace tavro::JapaneseKanaMode
