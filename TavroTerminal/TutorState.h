// What the tutor's screens share: the score archive and whether it may be
// saved, the preferences store and the practice choices read from it, the
// folders, the round being typed, the status line, the problems found at
// start, the account and whose attempts are whose, and the learner's own
// text. The navigator owns the one TutorState; every screen holds it by
// reference and never copies it. The operations here are the ones more
// than one screen needs (saving, starting a round, the interface texts).
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroTerminal/CustomTextEditor.h"
#include "TavroHost/ExerciseText.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroCore/practice/Suggestion.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/TutorStrings.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

struct TutorState {
  // Reads the practice choices, takes the archive's old theme and layout
  // over where they apply, and reads the account, its token and the
  // record of whose attempts are whose. `preferences` outlives the state.
  TutorState(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences);
  TutorState(const TutorState&) = delete;
  TutorState& operator=(const TutorState&) = delete;

  // --- Interface texts

  // An interface text in the chosen language (English when neither table
  // has a translation).
  std::string say(std::string_view english) const;
  // The same for a text with values in it ("{1}", "{2}", ...), filled in
  // after the lookup.
  std::string say(std::string_view pattern, std::initializer_list<std::string> values) const;

  // --- Preferences and saving

  // Reads the practice choices from the preferences store.
  void readPreferences();
  // Runs a change of the preferences store; a store that cannot be written
  // is reported in the status line, and the choice still holds for the
  // session.
  void keepPreference(const std::function<void()>& change);
  // Copies the archive's layout into the preferences.
  void keepLayout();
  // Keeps the round chosen, the keyboard switch and the interface language.
  void keepRound();
  void keepKeyboard();
  void keepInterface();
  // Saves the archive, taking in what another program saved since (a
  // failure, or saving being off, is kept in `saveFailure` for the screens).
  void save();
  // The same save for the account's operations: the reason it failed.
  std::optional<std::string> saveShared();

  // --- Practice

  // Prepares a round of the curriculum; false (and a status line) when the
  // round has no prompts.
  bool prepareRound(std::int64_t number);
  // Prepares a round built elsewhere (the learner's own text, benchmarks,
  // tests).
  void prepareRound(PracticeRound round);
  // Prepares a round of the prompts the custom text screen accepted last;
  // false when it accepted none.
  bool prepareCustomText();
  // The JLPT level of a round whose words come from it, as attempts keep it.
  std::optional<std::string_view> levelOf(std::string_view mode, std::int64_t round) const;
  // The round to take next in the exercise chosen, and why (nothing for the
  // learner's own text). Builds the drill to know whether it has prompts.
  std::optional<Suggestion> suggestNext() const;
  // The learner's choice of kana keys for Japanese, whichever language is
  // practised now (backups and sync carry it).
  bool kanaInput() const;
  // The round's clock: `now` less the time the round stood behind the size
  // notice.
  double roundClock(double now) const;
  // "Japanese · Romaji input · N5": the exercise as the screens name it.
  std::string exerciseLine() const;
  // The exercise line with the round's number and title.
  std::string roundHeading(const PracticeRound& round) const;

  // --- Account

  // A stored profile that breaks the profile rules (an empty id, control
  // characters) is no account to act for: signed out until the next sign-in.
  bool signedIn() const { return account.profile.has_value() && !invalidProfile && token.has_value(); }

  // Files and saving
  StoragePaths paths;
  Archive archive;
  // The archive as this tutor last read or saved it: what another program
  // (the desktop tutor) saved since is taken in at the next save.
  Archive savedBase;
  bool canSave;
  std::vector<TutorStrings::Message> notices;  // problems with the files, found at start
  platform::UserDefaults& preferences;
  std::optional<std::string> saveFailure;
  ArchiveBounds bounds;

  // The learner's choices
  Exercise exercise = Exercise::japaneseRomaji;
  JLPTLevel level = JLPTLevel::n5;
  bool showGuides = true;
  bool showKeyboard = true;
  InterfaceLanguage interfaceLanguage = InterfaceLanguage::english;
  AppearanceTheme theme = AppearanceTheme::system;
  RomajiStyle guideStyle = RomajiStyles::defaultStyle;
  SpeedUnit unit = SpeedUnit::keysPerMinute;
  std::int64_t round = 1;  // the round chosen on home
  // Set when the setup wrote new choices: home puts its focus on the round
  // chosen when it next comes up.
  bool choicesRenewed = false;

  // The round being typed, or the one whose results are shown.
  std::optional<PracticeRound> practice;
  double roundEndedAt = 0;           // when the round on the results screen ended
  bool lastWordMayContinue = false;  // the next key may still belong to the round's last word
  std::optional<Uuid> latest;        // the attempt the round just saved
  // The time the round stood behind the size notice; kept by drawing.
  mutable std::optional<double> pausedSince;  // when the notice came up
  mutable double pausedSeconds = 0;           // paused time of this round so far

  std::string status;  // one-line message under the current screen
  bool pasting = false;  // the keys being handled are the characters of a paste

  // The account
  AccountState account;
  bool invalidProfile = false;  // the stored profile breaks the rules: signed out
  std::optional<std::string> token;  // the session token; never drawn or put in a message
  AttemptOwners owners;
  bool ownersUsable = true;  // false: the record could not be read; nothing may need it

  // The learner's own text, kept in memory only while the tutor runs.
  CustomTextEditor customText;
};

}  // namespace tavro::terminal
