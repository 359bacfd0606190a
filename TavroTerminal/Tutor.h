// The screen model of the tutor: which screen is up (home, practice,
// results), what each key does there, and how each screen is laid out into
// a Frame. It holds the learner's choices, the score archive and the round
// being typed, and saves the archive when a round is finished. It never
// touches the terminal, so tests and benchmarks drive it with keys and read
// the frame back as text.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroTerminal/AccountTask.h"
#include "TavroTerminal/AttemptOwners.h"
#include "TavroTerminal/CustomTextEditor.h"
#include "TavroTerminal/Exercise.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Key.h"
#include "TavroTerminal/PracticeRound.h"
#include "TavroTerminal/Storage.h"
#include "TavroTerminal/TutorStrings.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro::terminal {

class Tutor {
 public:
  // How long after a round ends its results take no keys: a key typed a
  // moment late (the Enter or the letter the learner thought was still
  // needed) must not skip the results before they were seen.
  static constexpr double resultsGraceSeconds = 0.5;

  // The smallest terminal the screens fit in.
  static constexpr int minimumWidth = 80;
  static constexpr int minimumHeight = 24;

  enum class Screen { setup, home, practice, results, settings, account, customText };

  // `preferences` outlives the tutor. The archive comes from `loadArchive`;
  // its notice, if any, is shown on the home screen. A learner without an
  // archive or earlier preferences meets the first-launch setup, resumed
  // from its draft when an earlier start left it unfinished.
  Tutor(StoragePaths paths, LoadedArchive archive, platform::UserDefaults& preferences);
  ~Tutor();

  // How account operations reach the account service; without it the
  // account screen says there is no connection.
  void setAccountService(FetchMaker makeFetch) { makeFetch_ = std::move(makeFetch); }

  // Adds a problem found with the files at start to the home screen's
  // notices (the archive's own comes with it).
  void tell(TutorStrings::Message notice) { notices_.push_back(std::move(notice)); }

  // Takes in the result of an account operation that finished on its
  // worker thread. The terminal loop calls it before every redraw.
  void tick();
  // True while an account operation runs.
  bool busy() const { return task_ != nullptr; }
  const AccountState& account() const { return account_; }
  // A stored profile that breaks the profile rules (an empty id, control
  // characters) is no account to act for: signed out until the next sign-in.
  bool signedIn() const {
    return account_.profile.has_value() && !invalidProfile_ && token_.has_value();
  }
  // Whose local attempts are whose (see AttemptOwners).
  const AttemptOwners& attemptOwners() const { return owners_; }

  // Tests make the archive's bounds small enough to reach.
  void setArchiveBounds(ArchiveBounds bounds) { bounds_ = bounds; }

  // Handles one key at `now` (seconds on a steady clock).
  void handle(const Key& key, double now);

  // Lays the current screen out into `frame` (cleared first). A frame
  // smaller than the minimum shows only what size is needed; until a frame
  // of the minimum size is drawn again, keys (but the interrupt) do nothing
  // and the round being typed is paused, its time not counted.
  void render(Frame& frame, double now) const;

  // Starts a round built by the caller (benchmarks, tests).
  void practise(PracticeRound round);

  // True once the learner asked to quit.
  bool finished() const { return finished_; }

  Screen screen() const { return screen_; }
  // The colour theme: the preference (the archive's old value taken over
  // once); during the setup, the theme its step shows.
  AppearanceTheme theme() const;
  SpeedUnit speedUnit() const { return unit_; }
  RomajiStyle guideStyle() const { return guideStyle_; }
  // True for the English interface, false for Japanese.
  bool englishInterface() const { return english_; }
  const Archive& archive() const { return archive_; }
  Exercise exercise() const { return exercise_; }
  std::int64_t selectedRound() const { return round_; }
  const std::optional<PracticeRound>& round() const { return practice_; }

 private:
  enum class Item { language, input, level, layout, guides, keyboard, round };

  std::vector<Item> homeItems() const;
  // Puts the home screen's focus on the chosen round.
  void focusRound();
  // The JLPT level of a round whose words come from it, as attempts keep it.
  std::optional<std::string_view> levelOf(std::string_view mode, std::int64_t round) const;
  void dispatch(const Key& key, double now);
  void handleHome(const Key& key, double now);
  void handlePractice(const Key& key, double now);
  void handleResults(const Key& key, double now);
  void handleSettings(const Key& key);
  void handleSetup(const Key& key);
  void openAccount();
  void handleAccount(const Key& key);
  void submitEntry();
  void startTask(std::string title, AccountTask::Work work);
  void completeSignIn(const std::string& token, const AccountProfile& profile);
  void signOut(const std::string& reason);
  void startSync();
  void beginBrowserSignIn();
  void submitCallback(const std::string& callback);
  void startDevices();
  // Asks, when another account than the holder of the local attempts is
  // signed in, whether this computer's scores may go into its account.
  void checkOwner();
  void answerOwner(bool add);
  // Asks for the path of a backup to export (`exporting`) or import; no
  // account is needed for either.
  void openBackupEntry(bool exporting);
  // Signed in: this account's attempts. Signed out: a local backup of every
  // attempt on this computer, tied to no account.
  void exportBackup(const std::string& path);
  // Refuses a backup of another account, one breaking a limit, or one with
  // an attempt dated more than a day ahead. Signed out, or for a local
  // backup, the attempts join the local scores without a claim.
  void importBackup(const std::string& path);
  void renderAccount(Frame& frame) const;
  void finishSetup();
  void renderSetup(Frame& frame) const;
  // Reads the practice choices from the preferences store.
  void readPreferences();
  // An interface text in the chosen language (English when the table has
  // no translation).
  std::string t(std::string_view english) const;
  // The same for a text with values in it ("{1}", "{2}", ...), filled in
  // after the lookup.
  std::string t(std::string_view pattern, std::initializer_list<std::string> values) const;
  void change(Item item, int step);
  // Runs a change of the preferences store; a store that cannot be written
  // is reported in the status line.
  void remember(const std::function<void()>& change);
  // Copies the archive's layout into the preferences.
  void rememberLayout();
  void start(std::int64_t round);
  // Starts a round of the prompts the custom text screen accepted last.
  void startCustomText();
  // Ends the round at `now`; `lastKeyTyped` is true when the key that ended
  // it went into the last word (so the word may still take more).
  void finishRound(double now, bool lastKeyTyped);
  // Leaves the round being typed, keeping nothing of it.
  void leaveRound();
  void save();
  std::string weakKeysFor(Exercise exercise) const;
  // The learner's choice of kana keys for Japanese, whichever language is
  // practised now (backups and sync carry it).
  bool kanaInput() const;

  void renderHome(Frame& frame) const;
  void renderPractice(Frame& frame, double now) const;
  void renderResults(Frame& frame) const;
  void renderSettings(Frame& frame) const;
  void renderKeyboard(Frame& frame, int top) const;
  std::string exerciseLine() const;
  // The exercise line with the round's number and title.
  std::string roundHeading(const PracticeRound& round) const;

  StoragePaths paths_;
  Archive archive_;
  bool canSave_;
  std::vector<TutorStrings::Message> notices_;  // problems with the files, found at start
  platform::UserDefaults& preferences_;

  Exercise exercise_ = Exercise::japaneseRomaji;
  JLPTLevel level_ = JLPTLevel::n5;
  bool showGuides_ = true;
  bool showKeyboard_ = true;
  bool english_ = true;
  AppearanceTheme theme_ = AppearanceTheme::system;
  RomajiStyle guideStyle_ = RomajiStyles::defaultStyle;
  SpeedUnit unit_ = SpeedUnit::keysPerMinute;
  std::size_t settingsFocus_ = 0;
  std::optional<FirstLaunchSetup> setup_;
  std::size_t setupFocus_ = 0;

  Screen screen_ = Screen::home;
  std::size_t focus_ = 0;  // index into homeItems()
  std::int64_t round_ = 1;
  std::optional<PracticeRound> practice_;
  bool confirmLeave_ = false;        // Esc in a round with keys typed: asking before leaving
  double roundEndedAt_ = 0;          // when the round on the results screen ended
  bool lastWordMayContinue_ = false;  // the next key may still belong to the round's last word
  std::string status_;  // one-line message under the current screen
  std::optional<Uuid> latest_;
  std::optional<std::string> saveFailure_;
  ArchiveBounds bounds_;
  AttemptOwners owners_;
  bool ownersUsable_ = true;  // false: the record could not be read; nothing may need it
  bool finished_ = false;
  bool pasting_ = false;  // the keys being handled are the characters of a paste

  // The round's clock: `now` less the time the round stood behind the size
  // notice.
  double roundClock(double now) const;
  // What the last drawing showed, kept by `render`: keys act on it.
  mutable bool sizeNotice_ = false;
  mutable std::optional<double> pausedSince_;  // when the notice came up
  mutable double pausedSeconds_ = 0;           // paused time of this round so far

  // The account screen.
  enum class Entry { none, token, exportPath, importPath };
  AccountState account_;
  bool invalidProfile_ = false;  // the stored profile breaks the rules: signed out
  bool askOwner_ = false;        // the question of whose scores waits for an answer
  std::optional<std::string> token_;  // the session token; never drawn or put in a message
  FetchMaker makeFetch_;
  std::unique_ptr<AccountTask> task_;
  std::string taskTitle_;
  Entry entry_ = Entry::none;
  std::string entryText_;
  std::string accountMessage_;
  bool accountFailed_ = false;
  AccountBrowserSession browser_;  // the browser sign-in whose page URL is shown
  std::optional<std::vector<AccountDevice>> devices_;

  // The learner's own text, kept in memory only while the tutor runs.
  CustomTextEditor custom_;
};

}  // namespace tavro::terminal
