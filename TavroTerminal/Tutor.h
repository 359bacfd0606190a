// The navigator of the tutor's screens: it owns the shared TutorState and
// one object per screen (setup, home, practice, results, settings,
// account, custom text), hands each key to the screen that is up and
// applies the transition it answers with, and draws that screen with its
// footer. Above every screen it keeps what no screen owns: the size
// notice that pauses a round, a paste typed as keys, the interrupt. It
// never touches the terminal, so tests and benchmarks drive it with keys
// and read the frame back as text.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroHost/AccountTask.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroTerminal/CustomTextEditor.h"
#include "TavroHost/ExerciseText.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Key.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroTerminal/ResultsScreen.h"
#include "TavroTerminal/Screen.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/TutorState.h"
#include "TavroTerminal/TutorStrings.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace tavro::terminal {

class AccountScreen;
class SetupScreen;

class Tutor {
 public:
  // How long after a round ends its results take no keys.
  static constexpr double resultsGraceSeconds = ResultsScreen::graceSeconds;

  // The smallest terminal the screens fit in.
  static constexpr int minimumWidth = 80;
  static constexpr int minimumHeight = 24;

  using Screen = ScreenId;

  // `preferences` outlives the tutor. The archive comes from `loadArchive`;
  // its notice, if any, is shown on the home screen. A learner without an
  // archive or earlier preferences meets the first-launch setup, resumed
  // from its draft when an earlier start left it unfinished.
  Tutor(StoragePaths paths, LoadedArchive archive, platform::UserDefaults& preferences);
  ~Tutor();
  Tutor(const Tutor&) = delete;
  Tutor& operator=(const Tutor&) = delete;

  // How account operations reach the account service; without it the
  // account screen says there is no connection.
  void setAccountService(FetchMaker makeFetch);

  // Adds a problem found with the files at start to the home screen's
  // notices (the archive's own comes with it).
  void addNotice(TutorStrings::Message notice) { state_.notices.push_back(std::move(notice)); }

  // Takes in the result of an account operation that finished on its
  // worker thread. The terminal loop calls it once per turn, before drawing.
  void tick();
  // True while an account operation runs.
  bool busy() const;
  const AccountState& account() const { return state_.account; }
  // A stored profile that breaks the profile rules (an empty id, control
  // characters) is no account to act for: signed out until the next sign-in.
  bool signedIn() const { return state_.signedIn(); }
  // Whose local attempts are whose (see AttemptOwners).
  const AttemptOwners& attemptOwners() const { return state_.owners; }

  // Tests make the archive's bounds small enough to reach.
  void setArchiveBounds(ArchiveBounds bounds) { state_.bounds = bounds; }

  // Handles one key at `now` (seconds on a steady clock).
  void handle(const Key& key, double now);

  // Lays the current screen out into `frame` (cleared first). A frame
  // smaller than the minimum shows only what size is needed; until a frame
  // of the minimum size is drawn again, keys (but the interrupt) do nothing
  // and the round being typed is paused, its time not counted.
  void render(Frame& frame, double now) const;

  // Starts a round built by the caller (benchmarks, tests).
  void startRound(PracticeRound round);

  // True once the learner asked to quit.
  bool finished() const { return finished_; }

  Screen screen() const { return current_; }
  // The colour theme: the preference (the archive's old value taken over
  // once); during the setup, the theme its step shows.
  AppearanceTheme theme() const;
  SpeedUnit speedUnit() const { return state_.unit; }
  RomajiStyle guideStyle() const { return state_.guideStyle; }
  const Archive& archive() const { return state_.archive; }
  Exercise exercise() const { return state_.exercise; }
  // The round being typed, if any.
  const std::optional<PracticeRound>& round() const { return state_.practice; }

 private:
  void apply(Transition transition);
  terminal::Screen& up() const { return *screens_[static_cast<std::size_t>(current_)]; }

  TutorState state_;
  std::array<std::unique_ptr<terminal::Screen>, screenCount> screens_;
  SetupScreen* setup_ = nullptr;
  AccountScreen* account_ = nullptr;
  ScreenId current_ = ScreenId::home;
  bool finished_ = false;
  // What the last drawing showed, kept by `render`: keys act on it.
  mutable bool sizeNotice_ = false;
};

}  // namespace tavro::terminal
