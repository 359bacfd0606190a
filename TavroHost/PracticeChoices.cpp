#include "TavroHost/PracticeChoices.h"

#include "TavroCore/settings/GuideSpelling.h"
#include "TavroCore/settings/LanguagePreference.h"

namespace tavro {

PracticeChoices PracticeChoices::read(const platform::UserDefaults& preferences) {
  PracticeChoices choices;
  TavroLanguage language = TavroLanguages::saved(preferences);
  choices.exercise = savedExercise(language, preferences);
  choices.level = JLPTLevels::saved(preferences);
  choices.showGuides =
      language == TavroLanguage::english || TavroLanguages::savedShowRomaji(language, preferences);
  choices.showKeyboard = preferences.boolean(keyboardKey).value_or(true);
  choices.englishInterface = preferences.boolean(interfaceKey).value_or(true);
  choices.guideStyle = GuideSpelling::saved(preferences);
  choices.unit = SpeedUnits::saved(preferences, language);
  choices.theme = AppearanceThemes::saved(preferences);
  std::int64_t chosen = preferences.integer(roundKey).value_or(1);
  bool known = (chosen >= 1 && chosen <= rounds(choices.exercise)) ||
               (chosen == drillRound && offersDrill(choices.exercise));
  choices.round = known ? chosen : 1;
  return choices;
}

bool PracticeChoices::settleLayout(Archive& archive, bool archiveRead,
                                   const platform::UserDefaults& preferences) {
  std::optional<bool> copy = preferences.boolean(layoutKey);
  if (archiveRead) return copy != archive.jis;
  if (copy) archive.jis = *copy;
  return false;
}

bool PracticeChoices::kanaInput(Exercise exercise, const platform::UserDefaults& preferences) {
  if (language(exercise) == TavroLanguage::japanese) return exercise == Exercise::japaneseKana;
  return savedExercise(TavroLanguage::japanese, preferences) == Exercise::japaneseKana;
}

}  // namespace tavro
