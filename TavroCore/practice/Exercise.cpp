#include "TavroCore/practice/Exercise.h"

#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/content/JapaneseKanaMode.h"
#include "TavroCore/content/LanguageCurriculum.h"
#include "TavroCore/content/MainRomajiCurriculum.h"
#include "TavroCore/content/PracticeCurriculum.h"
#include "TavroCore/content/Vocabulary.h"
#include "TavroCore/input/DirectKeyboardMode.h"

namespace tavro {
namespace {

// The shared preferences keep only kana keys or romaji for Japanese
// (backups and sync carry that flag); which romaji exercise it was is kept
// apart under a key of its own.
constexpr std::string_view japaneseInputKey = "terminalJapaneseInput";

}  // namespace

TavroLanguage language(Exercise exercise) {
  switch (exercise) {
    case Exercise::english:
    case Exercise::englishDirect:
      return TavroLanguage::english;
    case Exercise::nepaliRoman:
    case Exercise::nepaliDirect:
      return TavroLanguage::nepali;
    default:
      return TavroLanguage::japanese;
  }
}

std::string_view mode(Exercise exercise) {
  switch (exercise) {
    case Exercise::japaneseRomaji:
      return "romaji";
    case Exercise::japaneseKana:
      return "kana";
    case Exercise::guidedRomaji:
      return "guided-romaji";
    case Exercise::english:
      return "english";
    case Exercise::englishDirect:
      return "english-direct";
    case Exercise::nepaliRoman:
      return "nepali";
    case Exercise::nepaliDirect:
      return "nepali-direct";
    case Exercise::customText:
      return "kana-custom";
  }
  return "romaji";
}

Exercise savedExercise(TavroLanguage language, const platform::UserDefaults& store) {
  switch (language) {
    case TavroLanguage::japanese: {
      if (JapaneseKanaMode::saved(store)) return Exercise::japaneseKana;
      std::optional<std::string> kept = store.string(japaneseInputKey);
      if (kept == mode(Exercise::guidedRomaji)) return Exercise::guidedRomaji;
      if (kept == mode(Exercise::customText)) return Exercise::customText;
      return Exercise::japaneseRomaji;
    }
    case TavroLanguage::english:
      return DirectKeyboardMode::saved(store) ? Exercise::englishDirect : Exercise::english;
    case TavroLanguage::nepali:
      return DirectKeyboardMode::saved(store) ? Exercise::nepaliDirect : Exercise::nepaliRoman;
  }
  return Exercise::japaneseRomaji;
}

void saveInput(Exercise exercise, platform::UserDefaults& store) {
  if (language(exercise) == TavroLanguage::japanese) {
    JapaneseKanaMode::save(exercise == Exercise::japaneseKana, store);
    store.set(japaneseInputKey, std::string(mode(exercise)));
  } else {
    DirectKeyboardMode::save(exercise == Exercise::englishDirect || exercise == Exercise::nepaliDirect,
                             store);
  }
}

bool usesLevel(Exercise exercise) {
  return exercise == Exercise::japaneseRomaji || exercise == Exercise::japaneseKana;
}

std::int64_t rounds(Exercise exercise) {
  return exercise == Exercise::customText ? 1 : roundCount;
}

std::int64_t nextRound(Exercise exercise, std::int64_t round) {
  if (exercise == Exercise::customText || round < 1 || round >= roundCount) return 1;
  return round + 1;
}

bool offersDrill(Exercise exercise) {
  return exercise != Exercise::customText;
}

bool typesRomaji(Exercise exercise) {
  return exercise == Exercise::japaneseRomaji || exercise == Exercise::guidedRomaji ||
         exercise == Exercise::customText;
}

bool typesLayoutKeys(Exercise exercise) {
  return exercise != Exercise::nepaliDirect;
}

std::vector<Exercise> exercises(TavroLanguage language) {
  std::vector<Exercise> result;
  for (Exercise exercise : allExercises) {
    if (tavro::language(exercise) == language) result.push_back(exercise);
  }
  return result;
}

std::string RoundPrompt::display() const {
  if (japanese) return japanese->display();
  if (language) return language->display;
  return "";
}

std::vector<RoundPrompt> prompts(Exercise exercise, JLPTLevel level, std::int64_t round,
                                 std::string_view weakKeys, bool jis) {
  std::vector<RoundPrompt> result;
  auto addJapanese = [&](std::vector<JapanesePrompt> list) {
    for (JapanesePrompt& prompt : list) result.push_back({std::move(prompt), std::nullopt});
  };
  switch (exercise) {
    case Exercise::japaneseRomaji:
      addJapanese(JLPTCurriculum::prompts(level, round, weakKeys));
      break;
    case Exercise::japaneseKana:
      addJapanese(JapaneseKanaMode::prompts(level, round, weakKeys, jis));
      break;
    case Exercise::guidedRomaji:
      if (round == weakKeyRound) {
        // The main curriculum has no weak round of its own: the hiragana
        // weak round, shown with the words the vocabulary knows in kanji.
        for (const std::string& text :
             PracticeCurriculum::prompts(mode(exercise), round, weakKeys, jis)) {
          result.push_back({Vocabulary::converted(text), std::nullopt});
        }
      } else {
        addJapanese(MainRomajiCurriculum::prompts(round));
      }
      break;
    case Exercise::english:
    case Exercise::englishDirect:
    case Exercise::nepaliRoman:
    case Exercise::nepaliDirect:
      for (LanguagePrompt& prompt :
           LanguageCurriculum::prompts(language(exercise), round, weakKeys)) {
        result.push_back({std::nullopt, std::move(prompt)});
      }
      break;
    case Exercise::customText:
      break;
  }
  return result;
}

std::string weakKeyText(const std::vector<std::string>& rankedKeys, std::size_t limit) {
  std::string text;
  for (std::size_t i = 0; i < rankedKeys.size() && i < limit; ++i) text += rankedKeys[i];
  return text;
}

}  // namespace tavro
