// The desktop tutor's first-launch setup on Qt's offscreen platform: walked
// step by step as a learner clicks through it, it leaves the preferences and
// the archive in the form the terminal tutor reads; a setup left half-way
// resumes at its step; the keyboard step shows the chosen layout's keys;
// the Japanese interface has a glyph for every text and nothing is clipped
// at 900x700.
#include "Platform/UserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/KeyboardPreview.h"
#include "TavroDesktop/SetupPage.h"
#include "TavroHost/PracticeChoices.h"

#include "JapaneseChecks.h"
#include "OffscreenApplication.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

const std::filesystem::path screenshots =
    std::filesystem::path(TAVRO_BINARY_DIR) / "desktop-screenshots";

struct Fixture {
  Fixture() { testing::offscreenApplication(); }
  platform::InMemoryUserDefaults preferences;
  Archive archive;
};

std::unique_ptr<SetupPage> pageOf(Fixture& fixture) {
  return std::make_unique<SetupPage>(fixture.preferences, fixture.archive,
                                     "/home/learner/.local/share/tavro/archive.json",
                                     QApplication::palette());
}

void clickNext(SetupPage& page) {
  page.findChild<QPushButton*>("setupNext")->click();
}

void chooseItem(SetupPage& page, const char* name, const QString& text) {
  auto* box = page.findChild<QComboBox*>(name);
  ASSERT_NE(box, nullptr) << name;
  int index = box->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  box->setCurrentIndex(index);
}

TEST(DesktopSetupPage, WalkingEveryStepStoresWhatTheTerminalTutorReads) {
  useEnglishInterface(true);
  struct Case {
    const char* name;
    const char* language;  // as the list shows it
    const char* layout;
    bool guideLines;
    bool keyboard;
    AppearanceTheme theme;
    // What is stored
    std::string languageValue;
    std::optional<std::string>
        ownGuideKey;  // the language's own guide-line switch, when not Japanese's
  };
  const std::vector<Case> cases = {
      {"japanese on JIS, guides off", "Japanese", "JIS (Japanese)", false, true,
       AppearanceTheme::sakura, "japanese", std::nullopt},
      {"nepali on US, keyboard off", "Nepali", "US (ANSI)", false, false,
       AppearanceTheme::highContrast, "nepali", "practiceShowRomaji.nepali"},
      {"english keeps the guide lines of Japanese on", "English", "JIS (Japanese)", true, true,
       AppearanceTheme::midnight, "english", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture fixture;
    auto page = pageOf(fixture);
    QSignalSpy finished(page.get(), &SetupPage::finished);
    ASSERT_TRUE(page->begin(false));
    EXPECT_EQ(fixture.preferences.boolean(FirstLaunchSetup::startedKey), true);

    chooseItem(*page, "setupLanguage", QString::fromUtf8(c.language));
    clickNext(*page);
    chooseItem(*page, "setupLayout", QString::fromUtf8(c.layout));
    clickNext(*page);
    auto* guides = page->findChild<QCheckBox*>("setupGuideLines");
    // English prompts have no guide lines: the step does not offer them.
    EXPECT_EQ(guides->isVisibleTo(page.get()), c.languageValue != "english");
    if (guides->isVisibleTo(page.get())) guides->setChecked(c.guideLines);
    page->findChild<QCheckBox*>("setupKeyboardGuide")->setChecked(c.keyboard);
    clickNext(*page);
    page->findChild<QRadioButton*>(QString("setupTheme-") + rawValue(c.theme).data())->click();
    clickNext(*page);
    EXPECT_EQ(page->setup().step, SetupStep::account);
    EXPECT_EQ(finished.count(), 0);
    clickNext(*page);
    clickNext(*page);  // a second press finishes nothing more
    EXPECT_EQ(finished.count(), 1);

    const platform::UserDefaults& stored = fixture.preferences;
    bool jis = std::string(c.layout) == "JIS (Japanese)";
    EXPECT_EQ(stored.string("practiceTavroLanguage"), c.languageValue);
    EXPECT_EQ(stored.boolean("practiceShowRomaji.japanese"), c.guideLines);
    if (c.ownGuideKey) {
      EXPECT_EQ(stored.boolean(*c.ownGuideKey), c.guideLines);
    }
    EXPECT_EQ(stored.boolean("showJapaneseKeyboardGuide"), c.keyboard);
    EXPECT_EQ(stored.boolean("firstLaunchSetupCompleted"), true);
    EXPECT_FALSE(stored.value("firstLaunchSetupStarted").has_value());
    EXPECT_FALSE(stored.value("guidedSetupDraft").has_value());
    EXPECT_EQ(stored.boolean("terminalUsesJIS"), jis);
    EXPECT_EQ(stored.string("appearanceTheme"), std::string(rawValue(c.theme)));
    EXPECT_EQ(fixture.archive.jis, jis);
    EXPECT_EQ(fixture.archive.appearance, std::string(rawValue(c.theme)));
    // The terminal tutor's reading of the same store.
    PracticeChoices choices = PracticeChoices::read(stored);
    EXPECT_EQ(TavroLanguages::saved(stored), *fromRawValue<TavroLanguage>(c.languageValue));
    EXPECT_EQ(choices.showKeyboard, c.keyboard);
    EXPECT_EQ(choices.showGuides, c.languageValue == "english" || c.guideLines);
    EXPECT_EQ(choices.theme, c.theme);
    // A finished setup is not shown again.
    EXPECT_FALSE(SetupPage::needed(false, stored));
  }
}

TEST(DesktopSetupPage, AHalfDoneSetupResumesAtItsStepWithItsChoices) {
  useEnglishInterface(true);
  Fixture fixture;
  {
    auto page = pageOf(fixture);
    ASSERT_TRUE(page->begin(false));
    chooseItem(*page, "setupLanguage", "Nepali");
    clickNext(*page);
    chooseItem(*page, "setupLayout", "JIS (Japanese)");
    clickNext(*page);
    ASSERT_EQ(page->setup().step, SetupStep::guidance);
  }  // the window closed half-way
  // Other preferences stored since do not hide a setup begun.
  fixture.preferences.set("practiceJLPTLevel", std::string("N4"));
  ASSERT_TRUE(SetupPage::needed(false, fixture.preferences));
  auto page = pageOf(fixture);
  ASSERT_TRUE(page->begin(false));
  EXPECT_EQ(page->setup().step, SetupStep::guidance);
  EXPECT_EQ(page->findChild<QLabel*>("setupTitle")->text().toStdString(),
            "Tavro · Welcome   (3/5)");
  EXPECT_EQ(page->findChild<QComboBox*>("setupLanguage")->currentText().toStdString(), "Nepali");
  EXPECT_EQ(page->findChild<QComboBox*>("setupLayout")->currentText().toStdString(),
            "JIS (Japanese)");
  // Back goes to the keyboard step and is kept as the step to resume.
  page->findChild<QPushButton*>("setupBack")->click();
  EXPECT_EQ(FirstLaunchSetup::draft(fixture.preferences).step, SetupStep::keyboard);
}

TEST(DesktopSetupPage, TheSetupIsDueOnlyForANewLearner) {
  struct Case {
    const char* name;
    bool archiveFound;
    std::optional<std::string> storedKey;
    bool due;
  };
  const std::vector<Case> cases = {
      {"nothing stored", false, std::nullopt, true},
      {"an archive", true, std::nullopt, false},
      {"an earlier version's level", false, "practiceJLPTLevel", false},
      {"an account of an earlier version", false, "tavroAccountState", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture fixture;
    if (c.storedKey) fixture.preferences.set(*c.storedKey, std::string("x"));
    EXPECT_EQ(SetupPage::needed(c.archiveFound, fixture.preferences), c.due);
    auto page = pageOf(fixture);
    EXPECT_EQ(page->begin(c.archiveFound), c.due);
    // Nothing is marked started when there is nothing to set up.
    EXPECT_EQ(fixture.preferences.value(FirstLaunchSetup::startedKey).has_value(), c.due);
  }
}

TEST(DesktopSetupPage, TheKeyboardStepShowsTheChosenLayoutsKeys) {
  useEnglishInterface(true);
  Fixture fixture;
  auto page = pageOf(fixture);
  ASSERT_TRUE(page->begin(false));
  clickNext(*page);
  auto* keyboard = page->findChild<KeyboardPreview*>("setupKeyboard");
  auto* examples = page->findChild<QLabel*>("setupExamples");
  ASSERT_NE(keyboard, nullptr);
  struct Case {
    const char* layout;
    std::vector<std::string> rows;                              // the picture's rows, as described
    std::vector<std::pair<std::string, std::string>> examples;  // the character, its keys
  };
  const std::vector<Case> cases = {
      {"US (ANSI)",
       {"` 1 2 3 4 5 6 7 8 9 0 - = Backspace", "Tab Q W E R T Y U I O P [ ] \\",
        "Caps Lock A S D F G H J K L ; ' Enter", "Shift Z X C V B N M , . / Shift", "Space"},
       {{"゛", "["}, {"゜", "]"}, {"ー", "Shift + \\"}, {"む", "`"}}},
      {"JIS (Japanese)",
       {"1 2 3 4 5 6 7 8 9 0 - ^ ¥ Backspace", "Tab Q W E R T Y U I O P @ [ Enter",
        "Caps Lock A S D F G H J K L ; : ]", "Shift Z X C V B N M , . / \\ Shift", "Space"},
       {{"゛", "@"}, {"゜", "["}, {"ー", "¥"}, {"れ", ";"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    chooseItem(*page, "setupLayout", c.layout);
    QStringList rows = keyboard->accessibleDescription().split('\n');
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(c.rows.size()));
    for (std::size_t i = 0; i < c.rows.size(); ++i)
      EXPECT_EQ(rows[static_cast<qsizetype>(i)].toStdString(), c.rows[i]);
    // Drawn at their widths: Backspace as wide as two keys, the space bar
    // wider than four; F and J filled, the other home keys outlined, each
    // letter with its kana.
    const auto drawn = keyboard->keys();
    const double one = drawn.at(1).at(1).box.width();  // Q
    EXPECT_NEAR(drawn.at(0).back().box.width(), 2 * one, one / 4) << "Backspace";
    EXPECT_GT(drawn.back().front().box.width(), 4 * one) << "Space";
    for (const auto& row : drawn) {
      for (const KeyboardPreview::DrawnKey& key : row) {
        SCOPED_TRACE(key.cap.toStdString());
        EXPECT_EQ(key.anchor, key.cap == "F" || key.cap == "J");
        EXPECT_EQ(key.home, QStringList({"A", "S", "D", "F", "J", "K", "L", ";"}).contains(key.cap));
      }
    }
    EXPECT_EQ(drawn.at(2).at(1).legend.toStdString(), "ち");  // A
    EXPECT_EQ(drawn.at(0).back().legend.toStdString(), "");  // Backspace has none
    // The examples table, cell by cell: the characters, then their keys.
    QTextDocument document;
    document.setHtml(examples->text());
    std::vector<std::string> cells;
    for (const auto& [character, keys] : c.examples) cells.push_back(character);
    for (const auto& [character, keys] : c.examples) cells.push_back(keys);
    QStringList shown = document.toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(shown.size(), static_cast<qsizetype>(cells.size()))
        << document.toPlainText().toStdString();
    for (std::size_t i = 0; i < cells.size(); ++i)
      EXPECT_EQ(shown[static_cast<qsizetype>(i)].toStdString(), cells[i]);
    // The layout chosen is the draft's at once.
    EXPECT_EQ(FirstLaunchSetup::draft(fixture.preferences).usesJIS,
              std::string(c.layout) == "JIS (Japanese)");
  }
}

// Every text the page shows now: labels (as plain text), buttons, the
// choice lists.
std::vector<QString> shownTexts(QWidget& page) {
  std::vector<QString> texts;
  for (QLabel* label : page.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&page) || label->text().isEmpty()) continue;
    QTextDocument document;
    document.setHtml(label->text());
    texts.push_back(label->textFormat() == Qt::PlainText || !Qt::mightBeRichText(label->text())
                        ? label->text()
                        : document.toPlainText());
  }
  for (QAbstractButton* button : page.findChildren<QAbstractButton*>())
    if (button->isVisibleTo(&page)) texts.push_back(button->text());
  for (QComboBox* box : page.findChildren<QComboBox*>()) {
    if (!box->isVisibleTo(&page)) continue;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->itemText(i));
  }
  return texts;
}

// No visible label or button is cut off: each has the room its text needs
// at its width.
void expectNothingClipped(QWidget& page) {
  for (QLabel* label : page.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&page) || label->text().isEmpty()) continue;
    SCOPED_TRACE(label->text().toStdString());
    if (label->wordWrap()) {
      EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    } else {
      EXPECT_GE(label->width(), label->sizeHint().width());
    }
    EXPECT_GE(label->geometry().bottom(), 0);
    EXPECT_LE(label->mapTo(&page, QPoint(0, label->height())).y(), page.height());
  }
  for (QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&page)) continue;
    SCOPED_TRACE(button->text().toStdString());
    EXPECT_GE(button->width(), button->sizeHint().width());
    EXPECT_LE(button->mapTo(&page, QPoint(button->width(), button->height())).x(), page.width());
  }
}

void saveScreenshot(QWidget& page, const std::string& name) {
  std::filesystem::create_directories(screenshots);
  EXPECT_TRUE(page.grab().save(QString::fromStdString((screenshots / (name + ".png")).string())));
}

TEST(DesktopSetupPage, EveryStepFitsAndTheJapaneseInterfaceHasEveryGlyph) {
  testing::offscreenApplication();  // run alone, the font needs the application
  useInterfaceFont();
  for (bool english : {true, false}) {
    SCOPED_TRACE(english ? "English" : "Japanese");
    useEnglishInterface(english);
    Fixture fixture;
    auto page = pageOf(fixture);
    page->resize(900, 700);
    page->show();
    ASSERT_TRUE(page->begin(false));
    QFontMetrics metrics(page->font());
    for (SetupStep step : SetupSteps::allCases) {
      SCOPED_TRACE(rawValue(step));
      ASSERT_EQ(page->setup().step, step);
      QApplication::processEvents();
      expectNothingClipped(*page);
      if (!english) {
        testing::expectJapanese(shownTexts(*page), metrics,
                                {"Welcome", "Which", "Keyboard", "Guide", "colours", "scores",
                                 "Next", "Back", "Finish", "Language", "Theme"});
      }
      if (step == SetupStep::keyboard || step == SetupStep::appearance)
        saveScreenshot(*page, std::string("setup-") +
                                  (step == SetupStep::keyboard ? "keyboard" : "theme") +
                                  (english ? "-en" : "-ja"));
      if (step != SetupStep::account) clickNext(*page);
    }
  }
  useEnglishInterface(true);
}

}  // namespace
}  // namespace tavro::desktop
