#include "TavroCore/content/JapaneseKanaMode.h"

#include "Support/Text.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/input/KanaInput.h"

#include <algorithm>
#include <string>

namespace tavro::JapaneseKanaMode {

bool saved(const platform::UserDefaults& store) {
  return store.boolean(preferenceKey).value_or(false);
}

void save(bool enabled, platform::UserDefaults& store) {
  store.set(preferenceKey, enabled);
}

std::vector<JapanesePrompt> prompts(JLPTLevel level, std::int64_t round, std::string_view weakKeys,
                                    bool jis) {
  if (round != 7 || weakKeys.empty()) return JLPTCurriculum::prompts(level, round, "");

  std::vector<JapanesePrompt> pool;
  for (std::int64_t poolRound = 1; poolRound <= 6; ++poolRound) {
    for (JapanesePrompt& prompt : JLPTCurriculum::prompts(level, poolRound, ""))
      pool.push_back(std::move(prompt));
  }
  const std::vector<std::string> keys = text::graphemes(text::lowercased(weakKeys));
  std::vector<JapanesePrompt> kept;
  for (const JapanesePrompt& prompt : pool) {
    const std::vector<std::string> sequence =
        text::graphemes(text::lowercased(KanaInput::keys(prompt.reading(), jis)));
    const bool matches = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
      return std::find(sequence.begin(), sequence.end(), key) != sequence.end();
    });
    if (matches) kept.push_back(prompt);
  }
  return kept.empty() ? pool : kept;
}

}  // namespace tavro::JapaneseKanaMode
