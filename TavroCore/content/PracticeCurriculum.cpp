#include "TavroCore/content/PracticeCurriculum.h"

#include "Support/Text.h"
#include "TavroCore/content/ExerciseMode.h"
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Romaji.h"

#include <algorithm>
#include <set>

namespace tavro::PracticeCurriculum {
namespace {

constexpr std::int64_t fixedRounds = 6;
constexpr std::int64_t weakRound = 7;
constexpr int numpadWeakPromptCount = 25;

// The characters of the keypad that the numeric weak round can practise.
constexpr std::string_view numpadKeys = "0123456789.+-*/";
constexpr std::string_view digits = "0123456789";

std::vector<std::string> fixedPrompts(std::string_view mode, std::int64_t round);

// Every character of the keys typed for `prompt` in `mode`.
std::set<std::string, std::less<>> keyCharacters(std::string_view mode, std::string_view prompt,
                                                 bool jis) {
  std::vector<std::string> keyTexts;
  if (ExerciseMode::usesRomaji(mode)) {
    keyTexts = Romaji::spellings(prompt);
  } else if (mode == "kana") {
    keyTexts.push_back(KanaInput::keys(prompt, jis));
  } else {
    keyTexts.emplace_back(prompt);
  }
  std::set<std::string, std::less<>> characters;
  for (const std::string& keys : keyTexts) {
    for (std::string& character : text::graphemes(keys)) characters.insert(std::move(character));
  }
  return characters;
}

std::vector<std::string> weakKeyPrompts(std::string_view mode, std::string_view weakKeys,
                                        bool jis) {
  std::vector<std::string> pool;
  for (std::int64_t round = 1; round <= fixedRounds; ++round) {
    std::vector<std::string> prompts = fixedPrompts(mode, round);
    pool.insert(pool.end(), prompts.begin(), prompts.end());
  }
  std::vector<std::string> weak = text::graphemes(weakKeys);
  if (weak.empty()) return pool;

  // The keys of each prompt are worked out once, however many weak keys
  // are tried against them.
  std::vector<std::set<std::string, std::less<>>> characters;
  characters.reserve(pool.size());
  for (const std::string& prompt : pool) characters.push_back(keyCharacters(mode, prompt, jis));

  for (const std::string& key : weak) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < pool.size(); ++i) {
      if (characters[i].count(key) != 0) kept.push_back(pool[i]);
    }
    if (!kept.empty()) return kept;
  }
  return pool;
}

std::vector<std::string> numpadWeakPrompts(std::string_view weakKeys) {
  std::string pool;
  for (const std::string& character : text::graphemes(weakKeys)) {
    if (character.size() == 1 && numpadKeys.find(character[0]) != std::string_view::npos)
      pool += character;
  }
  if (pool.empty()) pool = digits;

  std::vector<std::string> prompts;
  prompts.reserve(numpadWeakPromptCount);
  for (int i = 0; i < numpadWeakPromptCount; ++i) {
    char a = pool[static_cast<std::size_t>(i) % pool.size()];
    char b = pool[static_cast<std::size_t>(i + 1) % pool.size()];
    std::string prompt;
    if (i % 2 == 0) {
      prompt = {a, digits[static_cast<std::size_t>(i / 10)],
                digits[static_cast<std::size_t>(i % 10)], b};
    } else {
      prompt = {digits[static_cast<std::size_t>(i % 10)], b, a,
                digits[static_cast<std::size_t>(i / 10)]};
    }
    prompts.push_back(std::move(prompt));
  }
  return prompts;
}

std::vector<std::string> fixedPrompts(std::string_view mode, std::int64_t round) {
  if (mode == "numpad") return numpadRounds()[static_cast<std::size_t>(round - 1)];
  if (mode == "kana" && round == 5) return RomajiCurriculum::kanaPhrases();
  return RomajiCurriculum::prompts(round);
}

}  // namespace

// clang-format off
const std::vector<std::vector<std::string>>& numpadRounds() {
  static const std::vector<std::vector<std::string>> table = {
    {"14", "45", "56", "41", "54", "65", "15", "46"},
    {"147", "258", "369", "789", "456", "123"},
    {"102", "304", "506", "708", "900", "120"},
    {"12345", "67890", "31415", "90210", "24680"},
    {"12.50", "0.75", "123.45", "90.08", "1000.00"},
    {"12+34", "56-7", "8*9", "144/12", "25.5+4.5"},
  };
  return table;
}
// clang-format on

std::vector<std::string> prompts(std::string_view mode, std::int64_t round,
                                 std::string_view weakKeys, bool jis) {
  if (round < 1 || round > weakRound) return {};
  if (round <= fixedRounds) return fixedPrompts(mode, round);
  if (mode == "numpad") return numpadWeakPrompts(weakKeys);
  return weakKeyPrompts(mode, weakKeys, jis);
}

}  // namespace tavro::PracticeCurriculum
