// The first-launch setup in the window, one step at a time: the practice
// language, the keyboard layout with a picture of it, the guide lines and
// the keyboard during practice, the theme (each shown as practice looks in
// it), and the account. Every change is kept as the draft, so a setup left
// half-way resumes at its step; finishing writes the choices as the
// terminal tutor's setup does (the host layer's finishSetup), so either
// tutor finds them.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/settings/FirstLaunchSetup.h"

#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace tavro::desktop {

class KeyboardPreview;

class SetupPage : public QWidget {
  Q_OBJECT

 public:
  // `preferences` and `archive` (the window's archive in memory) outlive the
  // page; `archiveFile` is where the scores are kept, as the account step
  // tells. `system` is the platform's palette, for the System theme's sample.
  // The controls' object names: "setupTitle", "setupLanguage", "setupLayout",
  // "setupKeyboard" (the picture), "setupExamples", "setupGuideLines",
  // "setupKeyboardGuide", "setupTheme-<theme's stored value>" (one choice
  // per theme), "setupAccount", "setupBack", "setupNext".
  SetupPage(platform::UserDefaults& preferences, Archive& archive, std::string archiveFile,
            const QPalette& system, QWidget* parent = nullptr);

  // Whether the setup is due: no archive, no earlier preferences, or a setup
  // begun and not finished.
  static bool needed(bool archiveFound, const platform::UserDefaults& preferences);

  // Begins the setup when it is due, resuming the draft at its step; false
  // when there is nothing to set up (the page then shows the defaults).
  bool begin(bool archiveFound);

  // The choices as the page holds them now.
  const FirstLaunchSetup& setup() const { return setup_; }

  // Puts every text in the interface language chosen now.
  void retranslate();

 signals:
  // The setup was finished: the preferences are written and the window's
  // archive holds the layout, theme and sound; the window saves the archive.
  void finished();
  // A preference could not be stored; the message says why. The choice
  // still holds for the session.
  void problem(const QString& message);

 protected:
  // Return or Enter, wherever the focus is, goes on to the next step (as
  // the Next button does), so the setup can be done from the keyboard.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildWelcome();
  void buildKeyboard();
  void buildGuidance();
  void buildAppearance();
  void buildAccount();
  // Shows the choices and the step of setup_, storing nothing.
  void showSetup();
  void refreshKeyboard();
  void markChosenTheme();
  // Keeps the draft after a change; a store that fails becomes problem().
  void keepDraft();
  void keep(const std::function<void()>& write);
  void move(int offset);

  platform::UserDefaults& preferences_;
  Archive& archive_;
  std::string archiveFile_;
  QPalette system_;
  FirstLaunchSetup setup_;

  QLabel* title_ = nullptr;
  QStackedWidget* steps_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  // Welcome
  QLabel* welcome_ = nullptr;
  QLabel* languageQuestion_ = nullptr;
  QLabel* languageLabel_ = nullptr;
  QComboBox* language_ = nullptr;
  // Keyboard
  QLabel* layoutQuestion_ = nullptr;
  QLabel* layoutLabel_ = nullptr;
  QComboBox* layout_ = nullptr;
  KeyboardPreview* keyboard_ = nullptr;
  QLabel* examplesCaption_ = nullptr;
  QLabel* examples_ = nullptr;
  // Guidance
  QLabel* guidanceQuestion_ = nullptr;
  QCheckBox* guideLines_ = nullptr;
  QLabel* guideLinesNote_ = nullptr;
  QCheckBox* keyboardGuide_ = nullptr;
  // Appearance
  QLabel* themeQuestion_ = nullptr;
  QButtonGroup* themes_ = nullptr;
  std::vector<QFrame*> themeTiles_;
  // Account
  QLabel* account_ = nullptr;
};

}  // namespace tavro::desktop
