// The settings page: the interface language, the theme, the romaji guide
// spelling, the speed unit, the on-screen keyboard and the guide line of the
// practice language. Each change is stored at once in the preferences both
// tutors share, in the form the terminal tutor reads, so a choice made here
// is the choice there.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/input/TavroLanguage.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/SpeedUnit.h"

#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;

namespace tavro::desktop {

class SettingsPage : public QWidget {
  Q_OBJECT

 public:
  // Shows the stored preferences. `preferences` outlives the page. The
  // controls' object names: "interfaceLanguage", "theme", "guideSpelling",
  // "speedUnit", "keyboard", "guideLines".
  explicit SettingsPage(platform::UserDefaults& preferences, QWidget* parent = nullptr);

  // Shows the preferences as they are stored now (another program may have
  // changed them). Stores nothing and emits nothing.
  void reload();

  // The choices as the page shows them. A choice that could not be stored
  // still holds here for the rest of the session.
  bool englishInterface() const;
  AppearanceTheme theme() const;
  RomajiStyle guideStyle() const;
  SpeedUnit unit() const;
  bool showKeyboard() const;
  // The guide line of the practice language; always true for English,
  // which has no such line to hide (as the shared practice choices read it).
  bool showGuides() const;

 signals:
  // Any control was changed by the learner, stored or not.
  void changed();
  // A change could not be stored; the message says why.
  void problem(const QString& message);

 private:
  // Runs `store`; a failure becomes problem(). changed() follows either way.
  void keep(const std::function<void()>& store);

  platform::UserDefaults& preferences_;
  // The practice language whose guide line the page switches.
  TavroLanguage language_ = TavroLanguage::japanese;
  QComboBox* interfaceLanguage_ = nullptr;
  QComboBox* theme_ = nullptr;
  QComboBox* guideSpelling_ = nullptr;
  QComboBox* speedUnit_ = nullptr;
  QCheckBox* keyboard_ = nullptr;
  QCheckBox* guideLines_ = nullptr;
};

}  // namespace tavro::desktop
