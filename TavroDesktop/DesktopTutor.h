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
#include "TavroHost/HostMessage.h"
#include "TavroHost/PracticeChoices.h"
#include "TavroHost/Storage.h"
#include "TavroHost/TokenStore.h"

#include <QMainWindow>
#include <QPalette>
#include <QSize>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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
class AccountPage;
class CustomTextPage;
class SettingsPage;
class SetupPage;

class DesktopTutor : public QMainWindow {
  Q_OBJECT

 public:
  enum class Page { home, practice, results, settings, progress, setup, customText, account };

  // `preferences` outlives the window. `tokens` keeps the session token
  // (the owner-only file of the config folder when none is given);
  // `tokenInKeyring` says whether it is the system's keyring.
  DesktopTutor(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences,
               std::unique_ptr<TokenStore> tokens = nullptr, bool tokenInKeyring = false,
               QWidget* parent = nullptr);
  ~DesktopTutor() override;

  Page page() const { return page_; }
  const Archive& archive() const { return archive_; }
  const std::optional<PracticeRound>& round() const { return round_; }
  const PracticeChoices& choices() const { return choices_; }
  AccountPage& accountPage() { return *account_; }
  // The line under the window: the last problem (a save that failed).
  QString status() const;
  // Shows a notice from the start (a damaged preferences file set aside) in
  // the line under the window.
  void addNotice(const HostMessage& notice);

  // The smallest window every page fits in without cutting a text.
  static constexpr int minimumWidth = 760;
  static constexpr int minimumHeight = 600;
  // The size the window had when it was last closed (kept in the shared
  // preferences under the keys below), within the minimum and 16384 pixels
  // a side; 900x700 the first time.
  static QSize rememberedSize(const platform::UserDefaults& preferences);
  static constexpr std::string_view widthKey = "desktopWindowWidth";
  static constexpr std::string_view heightKey = "desktopWindowHeight";
  static constexpr std::string_view maximizedKey = "desktopWindowMaximized";
  // True when the window was maximized when last closed.
  static bool rememberedMaximized(const platform::UserDefaults& preferences);

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

 public slots:
  // A browser sign-in's callback address that reached the window: the
  // account page takes it and comes to the front (unless a round is being
  // typed), and the window is raised over the browser.
  void takeCallback(const QString& address);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Keeps the window's size for the next start.
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildHome();
  void buildPractice();
  void buildResults();
  void buildSettings();
  void buildProgress();
  void buildSetup();
  void buildCustomText();
  void buildAccount(std::unique_ptr<TokenStore> tokens, bool tokenInKeyring);
  // Takes the choices a finished setup stored.
  void takeSetup();
  // Puts the interface in the language chosen now: the settings page made
  // again in it, every other page's texts changed.
  void changeLanguage();
  // Puts the texts of the built pages in the interface language.
  void retranslate();
  // Takes the settings page's choices: theme, interface language, guides,
  // keyboard, unit, spelling.
  void takeSettings();
  void connectSettings();
  void focusFirstSetting();
  void showPage(Page page);
  void refreshHome();
  void refreshPractice(double now);
  void refreshResults();
  void finishRound();
  void keepChoice(const std::function<void()>& change);
  // Saves the archive, taking in what another program saved since; the
  // status line says why when it could not.
  void save();
  // The same; why it could not, or nothing.
  std::optional<std::string> saveShared();
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
  // First-launch setup and the learner's own text
  SetupPage* setup_ = nullptr;
  CustomTextPage* customText_ = nullptr;
  QAction* customTextAction_ = nullptr;
  // The account
  AccountPage* account_ = nullptr;
  QAction* accountAction_ = nullptr;
  QAction* quitAction_ = nullptr;
};

}  // namespace tavro::desktop
