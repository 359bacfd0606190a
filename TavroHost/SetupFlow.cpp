#include "TavroHost/SetupFlow.h"

#include "TavroCore/settings/LanguagePreference.h"
#include "TavroHost/PracticeChoices.h"

#include <exception>
#include <functional>

namespace tavro {
namespace {

// Runs one write of the preferences; a failure is kept, not thrown, so the
// writes after it still happen.
void attempt(std::optional<std::string>& failure, const std::function<void()>& write) {
  try {
    write();
  } catch (const std::exception& error) {
    failure = error.what();
  }
}

}  // namespace

std::optional<BegunSetup> beginSetup(bool archiveFound, platform::UserDefaults& preferences) {
  if (!FirstLaunchSetup::shouldPresent(archiveFound, preferences)) return std::nullopt;
  BegunSetup begun;
  attempt(begun.storeFailure, [&] { FirstLaunchSetup::markStarted(preferences); });
  begun.setup = FirstLaunchSetup::draft(preferences);
  return begun;
}

bool setupOffersGuideLines(const FirstLaunchSetup& setup) {
  return setup.language != TavroLanguage::english;
}

std::optional<std::string> finishSetup(const FirstLaunchSetup& setup, Archive& archive,
                                       platform::UserDefaults& preferences) {
  std::optional<std::string> failure;
  attempt(failure, [&] { setup.complete(preferences); });
  // The setup keeps the guide lines as Japanese's switch; the language
  // chosen gets the learner's answer too.
  if (setupOffersGuideLines(setup))
    attempt(failure,
            [&] { TavroLanguages::saveShowRomaji(setup.language, setup.showRomaji, preferences); });
  archive = setup.applying(archive);
  attempt(failure, [&] { preferences.set(PracticeChoices::layoutKey, archive.jis); });
  return failure;
}

}  // namespace tavro
