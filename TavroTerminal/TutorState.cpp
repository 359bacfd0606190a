#include "TavroTerminal/TutorState.h"

#include "TavroCore/settings/LanguagePreference.h"
#include "TavroHost/AccountStart.h"
#include "TavroHost/CustomText.h"
#include "TavroHost/KeptRound.h"
#include "TavroHost/PracticeChoices.h"
#include "TavroHost/RoundPrompts.h"

#include <algorithm>
#include <exception>

namespace tavro::terminal {
namespace {

constexpr std::string_view keyboardKey = PracticeChoices::keyboardKey;
constexpr std::string_view interfaceKey = PracticeChoices::interfaceKey;
constexpr std::string_view roundKey = PracticeChoices::roundKey;
constexpr std::string_view layoutKey = PracticeChoices::layoutKey;

}  // namespace

TutorState::TutorState(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences)
    : paths(std::move(paths)),
      archive(std::move(loaded.archive)),
      savedBase(archive),
      canSave(loaded.canSave),
      notices(loaded.notice ? std::vector<TutorStrings::Message>{*loaded.notice}
                            : std::vector<TutorStrings::Message>{}),
      preferences(preferences) {
  readPreferences();
  // The theme moved from the archive to the preferences: an archive that
  // was read hands its theme over once; a damaged one has none to give.
  bool archiveRead = loaded.found && canSave && notices.empty();
  std::optional<std::string_view> archived;
  if (archiveRead) archived = archive.appearance;
  keepPreference([&] { theme = AppearanceThemes::savedOrAdopted(this->preferences, archived); });
  // A readable archive holds the layout of record; without one (damaged,
  // unreadable, gone) the copy in the preferences keeps the learner's.
  if (PracticeChoices::settleLayout(archive, archiveRead, this->preferences)) keepLayout();
  FileTokenStore tokens(this->paths.configFolder);
  AccountStart start = readAccountStart(this->paths, this->preferences, tokens);
  account = std::move(start.account);
  invalidProfile = start.invalidProfile;
  token = std::move(start.token);
  owners = std::move(start.owners);
  ownersUsable = start.ownersUsable;
  if (start.notice) notices.push_back(std::move(*start.notice));
}

std::string TutorState::say(std::string_view text) const {
  return TutorStrings::text(text, interfaceLanguage);
}

std::string TutorState::say(std::string_view pattern,
                            std::initializer_list<std::string> values) const {
  return TutorStrings::text(pattern, interfaceLanguage, values);
}

void TutorState::readPreferences() {
  PracticeChoices choices = PracticeChoices::read(preferences);
  exercise = choices.exercise;
  level = choices.level;
  showGuides = choices.showGuides;
  showKeyboard = choices.showKeyboard;
  interfaceLanguage =
      choices.englishInterface ? InterfaceLanguage::english : InterfaceLanguage::japanese;
  guideStyle = choices.guideStyle;
  unit = choices.unit;
  theme = choices.theme;
  round = choices.round;
}

void TutorState::keepPreference(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    // The choice still holds for this session.
    status = say("Could not save the preference: {1}", {error.what()});
  }
}

void TutorState::keepLayout() {
  keepPreference([&] { preferences.set(layoutKey, archive.jis); });
}

void TutorState::keepRound() {
  keepPreference([&] { preferences.set(roundKey, round); });
}

void TutorState::keepKeyboard() {
  keepPreference([&] { preferences.set(keyboardKey, showKeyboard); });
}

void TutorState::keepInterface() {
  keepPreference(
      [&] { preferences.set(interfaceKey, interfaceLanguage == InterfaceLanguage::english); });
}

void TutorState::save() {
  if (!canSave) {
    saveFailure = say("Scores are not saved this session: the archive on disk could not be read.");
    return;
  }
  saveFailure = saveShared();
  if (saveFailure)
    saveFailure = say("Could not save the scores: {1}. They are kept until the next save.",
                      {*saveFailure});
}

std::optional<std::string> TutorState::saveShared() {
  return saveSharedArchive(archive, savedBase, paths.archive(), bounds);
}

bool TutorState::prepareRound(std::int64_t number) {
  std::vector<RoundPrompt> list = roundPrompts(exercise, level, number, archive, guideStyle);
  if (list.empty() && number == drillRound) {
    status = say("The drill needs keys you have missed: practise a round first.");
    return false;
  }
  if (list.empty()) {
    status = say("This round has no prompts.");
    return false;
  }
  prepareRound(PracticeRound(exercise, number, archive.jis, std::move(list)));
  return true;
}

void TutorState::prepareRound(PracticeRound next) {
  round = next.round();
  practice.emplace(std::move(next));
  practice->setGuideStyle(guideStyle);
  pausedSeconds = 0;
  status.clear();
}

bool TutorState::prepareCustomText() {
  std::optional<PracticeRound> next = customTextRound(customText.prompts(), archive.jis);
  if (!next) return false;
  prepareRound(std::move(*next));
  return true;
}

std::optional<std::string_view> TutorState::levelOf(std::string_view mode,
                                                    std::int64_t number) const {
  return levelOfRound(mode, number, level);
}

std::optional<Suggestion> TutorState::suggestNext() const {
  return nextSuggestion(exercise, level, archive, guideStyle);
}

bool TutorState::kanaInput() const {
  return PracticeChoices::kanaInput(exercise, preferences);
}

double TutorState::roundClock(double now) const {
  return (pausedSince ? *pausedSince : now) - pausedSeconds;
}

std::string TutorState::exerciseLine() const {
  std::string line = say(TavroLanguages::label(language(exercise))) + " · " + say(inputName(exercise));
  if (usesLevel(exercise)) line += " · " + std::string(rawValue(level));
  if (exercise == Exercise::japaneseKana) line += archive.jis ? " · JIS" : " · US";
  return line;
}

std::string TutorState::roundHeading(const PracticeRound& shown) const {
  // The learner's own text has a single round, named by the exercise line.
  if (shown.exercise() == Exercise::customText) return exerciseLine();
  return exerciseLine() + " — " + say("Round") + " " + std::to_string(shown.round()) + ": " +
         say(roundTitle(shown.exercise(), shown.round()));
}

}  // namespace tavro::terminal
