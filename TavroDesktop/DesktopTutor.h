// The desktop tutor's window: home (the practice choices and the rounds
// with their best and latest scores), practice (the prompt large, its
// reading, the typed-form line with the typed part marked, key hints, the
// keyboard with the next key and its finger, live speed, accuracy and word
// count) and results (the top five with the new attempt marked, the weakest
// keys, the round to take next). It reads and saves the same archive and
// preferences as the terminal tutor, through the host layer.
//
// Keys: in rounds typed on the layout's keys the physical key of each event
// is what counts (its X11 keycode, mapped by PhysicalKeys), so kana-key
// rounds work on a JIS keyboard whatever layout the system has; romaji,
// English and Nepali take the text the system's layout typed. Key repeat is
// never typed.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroCore/practice/Suggestion.h"
#include "TavroHost/PracticeChoices.h"
#include "TavroHost/Storage.h"

#include <QMainWindow>
#include <QPalette>

#include <cstdint>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QFormLayout;
class QMenu;
class QPushButton;
class QLabel;
class QListWidget;
class QStackedWidget;
class QTimer;

namespace tavro::desktop {

class KeyboardView;
class ProgressView;
class SettingsPage;

class DesktopTutor : public QMainWindow {
  Q_OBJECT

 public:
  enum class Page { home, practice, results, settings, progress };

  // `preferences` outlives the window.
  DesktopTutor(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences,
               QWidget* parent = nullptr);
  ~DesktopTutor() override;

  Page page() const { return page_; }
  const Archive& archive() const { return archive_; }
  const std::optional<PracticeRound>& round() const { return round_; }
  const PracticeChoices& choices() const { return choices_; }
  // The line under the window: the last problem (a save that failed).
  QString status() const;

  // Starts round `number` of the chosen exercise (the drill for drillRound);
  // false, with the reason in the status line, when it has no prompts.
  bool startRound(std::int64_t number);
  // Starts a round built elsewhere (benchmarks, tests).
  void startRound(PracticeRound round);
  // Judges the text of one key at `now` (seconds on the window's clock), as
  // a key event does.
  void typeKey(const std::string& piece, double now);
  // The X11 keycode of a key event with or without Shift, as a key event
  // in a round typed on the layout's keys gives it.
  void pressPhysicalKey(std::uint32_t x11Keycode, bool shift, double now);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildMenus();
  void buildHome();
  void buildPractice();
  void buildResults();
  void buildSettings();
  void buildProgress();
  // Puts the texts of the built pages in the interface language.
  void retranslate();
  // Takes the settings page's choices: theme, interface language, guides,
  // keyboard, unit, spelling.
  void takeSettings();
  void connectSettings();
  void showPage(Page page);
  void refreshHome();
  void refreshPractice(double now);
  void refreshResults();
  void finishRound();
  void keepChoice(const std::function<void()>& change);
  void save();
  double clock() const;
  // The round to take next in the exercise chosen.
  std::optional<Suggestion> suggest() const;

  StoragePaths paths_;
  Archive archive_;
  // The archive as this window last read or saved it: what the terminal
  // tutor saved since is taken in at the next save.
  Archive savedBase_;
  bool canSave_;
  platform::UserDefaults& preferences_;
  PracticeChoices choices_;
  std::optional<PracticeRound> round_;
  std::optional<Uuid> latest_;
  std::optional<Suggestion> suggestion_;
  Page page_ = Page::home;
  QString problem_;

  QStackedWidget* pages_ = nullptr;
  // Home
  QComboBox* languageBox_ = nullptr;
  QComboBox* inputBox_ = nullptr;
  QComboBox* levelBox_ = nullptr;
  QComboBox* layoutBox_ = nullptr;
  QListWidget* roundList_ = nullptr;
  // Practice
  QLabel* heading_ = nullptr;
  QLabel* prompt_ = nullptr;
  QLabel* reading_ = nullptr;
  QLabel* guide_ = nullptr;
  QLabel* hints_ = nullptr;
  QLabel* nextKey_ = nullptr;
  QLabel* metrics_ = nullptr;
  KeyboardView* keyboard_ = nullptr;
  QTimer* ticker_ = nullptr;
  // Results
  QLabel* results_ = nullptr;
  QLabel* resultsHint_ = nullptr;
  // Settings
  SettingsPage* settings_ = nullptr;
  QPalette systemPalette_;
  // Texts set once when the pages are built
  QLabel* title_ = nullptr;
  QLabel* roundsLabel_ = nullptr;
  QPushButton* start_ = nullptr;
  QFormLayout* form_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* homeAction_ = nullptr;
  QAction* settingsAction_ = nullptr;
  QAction* progressAction_ = nullptr;
  // Progress
  ProgressView* progress_ = nullptr;
  QAction* quitAction_ = nullptr;
};

}  // namespace tavro::desktop
