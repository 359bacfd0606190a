// The desktop tutor's settings page on Qt's offscreen platform: each control
// stores the form the terminal tutor reads, the page shows what another
// program stored, a store that fails leaves the choice standing, and the
// theme palettes keep their text readable.
#include "Platform/UserDefaults.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/GuideSpelling.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroDesktop/SettingsPage.h"

#include "OffscreenApplication.h"
#include "TavroDesktop/ThemePalette.h"
#include "TavroHost/PracticeChoices.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tavro::desktop {
namespace {

using platform::DefaultsValue;

// One application for the whole program, on the offscreen platform (the
// window's tests may have made it already).
QComboBox* box(SettingsPage& page, const char* name) {
  return page.findChild<QComboBox*>(name);
}

QCheckBox* check(SettingsPage& page, const char* name) {
  return page.findChild<QCheckBox*>(name);
}

// Changes a control as the learner would: a combo box to the item with
// `choice` as its text, a check box to "on" or "off".
void choose(SettingsPage& page, const std::string& control, const std::string& choice) {
  if (QComboBox* combo = box(page, control.c_str())) {
    int index = combo->findText(QString::fromStdString(choice));
    ASSERT_GE(index, 0) << choice;
    combo->setCurrentIndex(index);
    return;
  }
  QCheckBox* toggle = check(page, control.c_str());
  ASSERT_NE(toggle, nullptr) << control;
  ASSERT_TRUE(toggle->isEnabled());
  toggle->setChecked(choice == "on");
}

using Stored = std::vector<std::pair<std::string, DefaultsValue>>;

TEST(DesktopSettingsPage, EachControlStoresTheFormTheTerminalTutorReads) {
  testing::offscreenApplication();
  struct Case {
    const char* name;
    Stored before;  // so that the choice is a change
    std::string control;
    std::string choice;
    std::string key;
    DefaultsValue stored;
  };
  const std::string interfaceKey(PracticeChoices::interfaceKey);
  const std::string keyboardKey(PracticeChoices::keyboardKey);
  const std::string themeKey(AppearanceThemes::preferenceKey);
  const std::string spellingKey(GuideSpelling::preferenceKey);
  const std::string unitKey(SpeedUnits::preferenceKey);
  const std::string languageKey(TavroLanguages::preferenceKey);
  // clang-format off
  const Case cases[] = {
      {"Japanese interface", {}, "interfaceLanguage", "日本語", interfaceKey, false},
      {"English interface", {{interfaceKey, false}}, "interfaceLanguage", "English", interfaceKey,
       true},
      {"High Contrast theme", {}, "theme", "High Contrast", themeKey, std::string("High Contrast")},
      {"Sakura theme", {{themeKey, std::string("Dark")}}, "theme", "Sakura", themeKey,
       std::string("Sakura")},
      {"System theme", {{themeKey, std::string("Ocean")}}, "theme", "System", themeKey,
       std::string("System")},
      {"Kunrei", {}, "guideSpelling", "Kunrei (si, tu, zya)", spellingKey, std::string("kunrei")},
      {"fewest keys", {}, "guideSpelling", "Fewest keys", spellingKey, std::string("fewestKeys")},
      {"words per minute", {}, "speedUnit", "Words per minute (WPM)", unitKey,
       std::string("wordsPerMinute")},
      {"keys per minute for English", {{languageKey, std::string("english")}}, "speedUnit",
       "Keys per minute", unitKey, std::string("keysPerMinute")},
      {"keyboard off", {}, "keyboard", "off", keyboardKey, false},
      {"keyboard on", {{keyboardKey, false}}, "keyboard", "on", keyboardKey, true},
      {"Japanese guide line off", {}, "guideLines", "off", "practiceShowRomaji.japanese", false},
      {"Nepali guide line off", {{languageKey, std::string("nepali")}}, "guideLines", "off",
       "practiceShowRomaji.nepali", false},
      {"Nepali guide line on",
       {{languageKey, std::string("nepali")}, {"practiceShowRomaji.nepali", false}},
       "guideLines", "on", "practiceShowRomaji.nepali", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::InMemoryUserDefaults preferences;
    for (const auto& [key, value] : c.before) preferences.setValue(key, value);
    SettingsPage page(preferences);
    QSignalSpy changed(&page, &SettingsPage::changed);
    QSignalSpy problem(&page, &SettingsPage::problem);
    choose(page, c.control, c.choice);
    EXPECT_EQ(preferences.value(c.key), std::optional<DefaultsValue>(c.stored));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(problem.count(), 0);
    // Nothing else is written: the other tutor's choices stay as they were.
    std::vector<std::string> expectedKeys;
    for (const auto& [key, value] : c.before) expectedKeys.push_back(key);
    if (std::find(expectedKeys.begin(), expectedKeys.end(), c.key) == expectedKeys.end())
      expectedKeys.push_back(c.key);
    std::sort(expectedKeys.begin(), expectedKeys.end());
    EXPECT_EQ(preferences.keys(), expectedKeys);
  }
}

TEST(DesktopSettingsPage, ReloadShowsWhatAnotherProgramStoredAndWritesNothing) {
  testing::offscreenApplication();
  struct Case {
    const char* name;
    Stored stored;
    QString interfaceText, themeText, spellingText, unitText;
    bool keyboard, guides, guidesEnabled;
  };
  // clang-format off
  const Case cases[] = {
      {"every choice away from its default",
       {{"interfaceEnglish", false},
        {"appearanceTheme", std::string("Ocean")},
        {"romajiGuideStyle", std::string("kunrei")},
        {"speedUnit", std::string("wordsPerMinute")},
        {"showJapaneseKeyboardGuide", false},
        {"practiceShowRomaji.japanese", false}},
       "日本語", "Ocean", "Kunrei (si, tu, zya)", "Words per minute (WPM)", false, false, true},
      {"values of the wrong type or unknown read as the defaults",
       {{"interfaceEnglish", std::string("false")},
        {"appearanceTheme", std::string("ocean")},
        {"romajiGuideStyle", std::int64_t{1}},
        {"speedUnit", std::string("WPM")},
        {"showJapaneseKeyboardGuide", std::int64_t{0}},
        {"practiceShowRomaji.japanese", std::string("no")}},
       "English", "System", "Hepburn (shi, tsu, ja)", "Keys per minute", true, true, true},
      {"English practice has no guide line and counts words",
       {{"practiceTavroLanguage", std::string("english")}, {"practiceShowRomaji.english", false}},
       "English", "System", "Hepburn (shi, tsu, ja)", "Words per minute (WPM)", true, false,
       false},
      {"the Nepali line has its own switch",
       {{"practiceTavroLanguage", std::string("nepali")},
        {"practiceShowRomaji.japanese", false},
        {"appearanceTheme", std::string("High Contrast")}},
       "English", "High Contrast", "Hepburn (shi, tsu, ja)", "Keys per minute", true, true, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::InMemoryUserDefaults preferences;
    SettingsPage page(preferences);
    QSignalSpy changed(&page, &SettingsPage::changed);
    for (const auto& [key, value] : c.stored) preferences.setValue(key, value);
    std::vector<std::string> keysBefore = preferences.keys();
    page.reload();
    EXPECT_EQ(box(page, "interfaceLanguage")->currentText(), c.interfaceText);
    EXPECT_EQ(box(page, "theme")->currentText(), c.themeText);
    EXPECT_EQ(box(page, "guideSpelling")->currentText(), c.spellingText);
    EXPECT_EQ(box(page, "speedUnit")->currentText(), c.unitText);
    EXPECT_EQ(check(page, "keyboard")->isChecked(), c.keyboard);
    EXPECT_EQ(check(page, "guideLines")->isChecked(), c.guides);
    EXPECT_EQ(check(page, "guideLines")->isEnabled(), c.guidesEnabled);
    // What the window reads from the page agrees with the shared choices.
    PracticeChoices choices = PracticeChoices::read(preferences);
    EXPECT_EQ(page.englishInterface(), choices.englishInterface);
    EXPECT_EQ(page.theme(), choices.theme);
    EXPECT_EQ(page.guideStyle(), choices.guideStyle);
    EXPECT_EQ(page.unit(), choices.unit);
    EXPECT_EQ(page.showKeyboard(), choices.showKeyboard);
    EXPECT_EQ(page.showGuides(), choices.showGuides);
    // Showing is not choosing: nothing written back, nothing announced.
    EXPECT_EQ(preferences.keys(), keysBefore);
    for (const auto& [key, value] : c.stored)
      EXPECT_EQ(preferences.value(key), std::optional<DefaultsValue>(value)) << key;
    EXPECT_EQ(changed.count(), 0);
  }
}

// A store whose every write fails, as a full disk makes it.
class FailingDefaults final : public platform::UserDefaults {
 public:
  std::optional<DefaultsValue> value(std::string_view key) const override {
    return kept.value(key);
  }
  void setValue(std::string_view, DefaultsValue) override {
    throw std::runtime_error("the disk is full");
  }
  void removeValue(std::string_view) override { throw std::runtime_error("the disk is full"); }

  platform::InMemoryUserDefaults kept;
};

TEST(DesktopSettingsPage, AStoreThatFailsKeepsTheChoiceAndSaysWhy) {
  testing::offscreenApplication();
  FailingDefaults preferences;
  SettingsPage page(preferences);
  QSignalSpy changed(&page, &SettingsPage::changed);
  QSignalSpy problem(&page, &SettingsPage::problem);

  struct Step {
    std::string control;
    std::string choice;
  };
  const Step steps[] = {{"theme", "Dark"},
                        {"keyboard", "off"},
                        {"speedUnit", "Words per minute (WPM)"},
                        {"interfaceLanguage", "日本語"},
                        {"guideSpelling", "Fewest keys"},
                        {"guideLines", "off"}};
  int count = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.control);
    choose(page, step.control, step.choice);
    ++count;
    ASSERT_EQ(problem.count(), count);
    EXPECT_TRUE(problem.last().at(0).toString().contains("the disk is full"));
    EXPECT_EQ(changed.count(), count);
  }
  // Every choice stands for the session although none was stored.
  EXPECT_EQ(page.theme(), AppearanceTheme::dark);
  EXPECT_EQ(box(page, "theme")->currentText(), "Dark");
  EXPECT_FALSE(page.showKeyboard());
  EXPECT_EQ(page.unit(), SpeedUnit::wordsPerMinute);
  EXPECT_FALSE(page.englishInterface());
  EXPECT_EQ(page.guideStyle(), RomajiStyle::fewestKeys);
  EXPECT_FALSE(page.showGuides());
  EXPECT_TRUE(preferences.kept.keys().empty());
}

// WCAG 2 relative luminance and contrast ratio of two colours.
double luminance(const QColor& colour) {
  auto channel = [](int value) {
    double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
         0.0722 * channel(colour.blue());
}

double contrast(const QColor& a, const QColor& b) {
  double la = luminance(a);
  double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(DesktopThemePalette, EveryThemeKeepsItsTextReadable) {
  testing::offscreenApplication();
  struct Case {
    AppearanceTheme theme;
    double minimum;
  };
  const Case cases[] = {{AppearanceTheme::light, 4.5},    {AppearanceTheme::dark, 4.5},
                        {AppearanceTheme::midnight, 4.5}, {AppearanceTheme::sakura, 4.5},
                        {AppearanceTheme::ocean, 4.5},    {AppearanceTheme::highContrast, 7.0}};
  struct Pair {
    QPalette::ColorRole text;
    QPalette::ColorRole background;
    const char* name;
  };
  const Pair pairs[] = {{QPalette::WindowText, QPalette::Window, "window text"},
                        {QPalette::Text, QPalette::Base, "text"},
                        {QPalette::PlaceholderText, QPalette::Base, "placeholder"},
                        {QPalette::Link, QPalette::Base, "link"},
                        {QPalette::ButtonText, QPalette::Button, "button"},
                        {QPalette::HighlightedText, QPalette::Highlight, "highlight"}};
  // A black-on-white system, so that a role left to the system would fail
  // the dark themes, and a white-on-black one for the light themes.
  QPalette blackOnWhite(Qt::black, Qt::white, Qt::white, Qt::black, Qt::gray, Qt::black, Qt::black,
                        Qt::white, Qt::white);
  QPalette whiteOnBlack(Qt::white, Qt::black, Qt::black, Qt::white, Qt::gray, Qt::white, Qt::white,
                        Qt::black, Qt::black);
  for (const Case& c : cases) {
    for (const QPalette* system : {&blackOnWhite, &whiteOnBlack}) {
      QPalette palette = themePalette(c.theme, *system);
      for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (const Pair& pair : pairs) {
          SCOPED_TRACE(std::string(rawValue(c.theme)) + ", " + pair.name +
                       (group == QPalette::Active ? ", active" : ", inactive"));
          EXPECT_GE(
              contrast(palette.color(group, pair.text), palette.color(group, pair.background)),
              c.minimum);
        }
      }
    }
  }
}

TEST(DesktopThemePalette, SystemIsThePlatformsPaletteAndOtherThemesIgnoreIt) {
  testing::offscreenApplication();
  QPalette system(QColor(0x123456), QColor(0x654321));
  system.setColor(QPalette::Highlight, QColor(0x00ff7f));
  EXPECT_EQ(themePalette(AppearanceTheme::system, system), system);
  EXPECT_EQ(themePalette(AppearanceTheme::system, system).color(QPalette::Highlight),
            QColor(0x00ff7f));
  QPalette other(Qt::red, Qt::green);
  for (AppearanceTheme theme : AppearanceThemes::allCases) {
    if (theme == AppearanceTheme::system) continue;
    SCOPED_TRACE(std::string(rawValue(theme)));
    EXPECT_EQ(themePalette(theme, system), themePalette(theme, other));
    EXPECT_NE(themePalette(theme, system), system);
  }
  // Each theme looks like itself: no two share their window and highlight.
  for (AppearanceTheme a : AppearanceThemes::allCases) {
    for (AppearanceTheme b : AppearanceThemes::allCases) {
      if (a == b || a == AppearanceTheme::system || b == AppearanceTheme::system) continue;
      QPalette pa = themePalette(a, system);
      QPalette pb = themePalette(b, system);
      EXPECT_FALSE(pa.color(QPalette::Window) == pb.color(QPalette::Window) &&
                   pa.color(QPalette::Highlight) == pb.color(QPalette::Highlight))
          << rawValue(a) << " and " << rawValue(b);
    }
  }
}

}  // namespace
}  // namespace tavro::desktop
