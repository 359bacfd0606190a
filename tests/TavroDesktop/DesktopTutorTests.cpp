// The desktop tutor's window on Qt's offscreen platform: rounds typed key by
// key as events reach it, what is saved, and the keys that must not type.
#include "JapaneseChecks.h"
#include "OffscreenApplication.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/practice/Exercise.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/DesktopTutor.h"
#include "TavroDesktop/PhysicalKeys.h"
#include "TavroHost/PracticeChoices.h"
#include "TavroHost/Storage.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QTextDocument>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::TemporaryDirectory;

struct Window {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  std::unique_ptr<DesktopTutor> tutor;

  explicit Window(const std::function<void(platform::UserDefaults&, Archive&)>& prepare = {}) {
    testing::offscreenApplication();
    Archive archive;
    if (prepare) prepare(preferences, archive);
    EXPECT_FALSE(saveArchive(archive, paths.archive()));
    tutor = std::make_unique<DesktopTutor>(paths, loadArchive(paths.archive()), preferences);
  }

  // Starts over an archive file that holds `archiveFile` as it is (a
  // damaged one, say).
  explicit Window(std::string_view archiveFile) {
    testing::offscreenApplication();
    tavro::testing::writeFile(paths.archive(), archiveFile);
    tutor = std::make_unique<DesktopTutor>(paths, loadArchive(paths.archive()), preferences);
  }
};

// An archive file cut off in the middle of its attempts.
constexpr std::string_view damagedArchive = "{\"attempts\": [oops";

// The X11 keycode that types `label` (with `shift`) on the layout, found
// through the table itself, as a physical keyboard would send it.
std::optional<std::uint32_t> keycodeOf(const std::string& text, bool jis) {
  for (bool shift : {false, true}) {
    for (std::uint32_t code = 0; code < 256; ++code) {
      if (keyText(code, shift, jis) == text) return code;
    }
  }
  return std::nullopt;
}

// Types every word of the round along its guide (romaji) as text keys.
void typeRoundAsText(DesktopTutor& tutor, double& now) {
  for (int guard = 0; guard < 2000 && tutor.page() == DesktopTutor::Page::practice; ++guard) {
    const PracticeView& view = tutor.round()->view();
    ASSERT_TRUE(view.expectedInput.has_value());
    tutor.typeKey(*view.expectedInput, now += 0.2);
  }
}

TEST(DesktopTutorTest, ARomajiRoundIsTypedSavedAndRankedAsTheTerminalRanksIt) {
  Window window;
  DesktopTutor& tutor = *window.tutor;
  ASSERT_EQ(tutor.page(), DesktopTutor::Page::home);
  ASSERT_TRUE(tutor.startRound(2));
  double now = 100;
  tutor.typeKey("q", now);  // a miss on the first word
  typeRoundAsText(tutor, now);
  ASSERT_EQ(tutor.page(), DesktopTutor::Page::results);

  Archive saved = Archive::read(window.paths.archive());
  ASSERT_EQ(saved.attempts.size(), 1u);
  EXPECT_EQ(saved.attempts[0].mode(), "romaji");
  EXPECT_EQ(saved.attempts[0].round(), 2);
  EXPECT_EQ(saved.attempts[0].jlptLevel(), "N5");
  EXPECT_EQ(saved.attempts[0].misses(), 1);
  ASSERT_TRUE(saved.weakKeys.has_value());
  EXPECT_FALSE(saved.weakKeys->rankedKeys("romaji").empty());
  auto* results = tutor.findChild<QLabel*>("results");
  ASSERT_NE(results, nullptr);
  EXPECT_TRUE(results->text().contains("new")) << results->text().toStdString();
  // The round chosen is kept in the preferences both tutors read.
  EXPECT_EQ(window.preferences.integer(PracticeChoices::roundKey), 2);
}

TEST(DesktopTutorTest, AKanaRoundOnJISIsTypedByPhysicalKeys) {
  Window window([](platform::UserDefaults& preferences, Archive& archive) {
    saveInput(Exercise::japaneseKana, preferences);
    archive.jis = true;
  });
  DesktopTutor& tutor = *window.tutor;
  ASSERT_TRUE(tutor.startRound(1));
  double now = 100;
  int keys = 0;
  for (int guard = 0; guard < 2000 && tutor.page() == DesktopTutor::Page::practice; ++guard) {
    const std::optional<NextKey>& next = tutor.round()->view().nextKey;
    ASSERT_TRUE(next.has_value());
    std::optional<std::uint32_t> code = keycodeOf(next->label, true);
    ASSERT_TRUE(code.has_value()) << next->label;
    tutor.pressPhysicalKey(*code, next->shift, now += 0.2);
    ++keys;
  }
  ASSERT_EQ(tutor.page(), DesktopTutor::Page::results);
  Archive saved = Archive::read(window.paths.archive());
  ASSERT_EQ(saved.attempts.size(), 1u);
  EXPECT_EQ(saved.attempts[0].mode(), "kana");
  EXPECT_EQ(saved.attempts[0].misses(), 0);
  EXPECT_EQ(saved.attempts[0].correct(), keys);
}

TEST(DesktopTutorTest, RepeatedKeysAndEscapeKeepNothing) {
  Window window;
  DesktopTutor& tutor = *window.tutor;
  ASSERT_TRUE(tutor.startRound(1));
  // A held key: the repeats are not typed.
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q", true);
  QApplication::sendEvent(&tutor, &repeat);
  EXPECT_EQ(tutor.round()->session().misses(), 0);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q");
  QApplication::sendEvent(&tutor, &press);
  EXPECT_EQ(tutor.round()->session().misses(), 1);
  // Escape leaves the round; nothing of it is kept.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&tutor, &escape);
  EXPECT_EQ(tutor.page(), DesktopTutor::Page::home);
  EXPECT_TRUE(Archive::read(window.paths.archive()).attempts.empty());
}

TEST(DesktopTutorTest, ADamagedArchiveIsSetAsideNamedAndANewOneKept) {
  Window window(damagedArchive);
  DesktopTutor& tutor = *window.tutor;
  // The damaged file was set aside and the learner told where.
  EXPECT_TRUE(tutor.status().contains("damaged")) << tutor.status().toStdString();
  ASSERT_TRUE(tutor.startRound(1));
  double now = 100;
  typeRoundAsText(tutor, now);
  EXPECT_EQ(Archive::read(window.paths.archive()).attempts.size(), 1u);
  int setAside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(window.folder.path()))
    setAside += entry.path().filename().string().rfind("archive.json.damaged-", 0) == 0 ? 1 : 0;
  EXPECT_EQ(setAside, 1);
}

TEST(DesktopTutorTest, TheWindowSizeIsKeptAtCloseAndAnyStoredSizeIsBroughtIntoRange) {
  struct Case {
    const char* name;
    std::optional<platform::DefaultsValue> width;
    std::optional<platform::DefaultsValue> height;
    QSize expected;
  };
  const Case cases[] = {
      {"nothing stored", std::nullopt, std::nullopt, {900, 700}},
      {"a size kept", std::int64_t{1000}, std::int64_t{820}, {1000, 820}},
      {"too small", std::int64_t{10}, std::int64_t{-5}, {DesktopTutor::minimumWidth, DesktopTutor::minimumHeight}},
      {"too large", std::int64_t{1} << 40, std::int64_t{99999}, {16384, 16384}},
      {"of another type", std::string("wide"), 3.5, {900, 700}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::InMemoryUserDefaults preferences;
    if (c.width) preferences.setValue(DesktopTutor::widthKey, *c.width);
    if (c.height) preferences.setValue(DesktopTutor::heightKey, *c.height);
    EXPECT_EQ(DesktopTutor::rememberedSize(preferences), c.expected);
  }

  Window window;
  window.tutor->resize(1010, 777);
  window.tutor->close();
  EXPECT_EQ(window.preferences.integer(DesktopTutor::widthKey), 1010);
  EXPECT_EQ(window.preferences.integer(DesktopTutor::heightKey), 777);
  EXPECT_EQ(window.preferences.boolean(DesktopTutor::maximizedKey), false);
  DesktopTutor again(window.paths, loadArchive(window.paths.archive()), window.preferences);
  EXPECT_EQ(again.size(), QSize(1010, 777));
}

TEST(DesktopTutorTest, ANoticeFromTheStartIsShownBesideAnEarlierProblem) {
  Window window(damagedArchive);
  DesktopTutor& tutor = *window.tutor;
  tutor.addNotice(HostMessage("The preferences file was damaged; it was kept as {1} and the defaults are used.",
                              {"/x/preferences.json.damaged"}));
  EXPECT_TRUE(tutor.status().contains("archive")) << tutor.status().toStdString();
  EXPECT_TRUE(tutor.status().contains("/x/preferences.json.damaged")) << tutor.status().toStdString();
}

// Every text the window shows now, as plain text: labels, buttons, choice
// lists, the rounds, the title and the menus.
std::vector<QString> shownTexts(DesktopTutor& tutor) {
  std::vector<QString> texts = {tutor.windowTitle()};
  for (QLabel* label : tutor.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&tutor) || label->text().isEmpty()) continue;
    QTextDocument document;
    document.setHtml(label->text());
    texts.push_back(label->textFormat() == Qt::PlainText ? label->text() : document.toPlainText());
  }
  for (QAbstractButton* button : tutor.findChildren<QAbstractButton*>())
    if (button->isVisibleTo(&tutor)) texts.push_back(button->text());
  for (QComboBox* box : tutor.findChildren<QComboBox*>()) {
    if (!box->isVisibleTo(&tutor)) continue;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->itemText(i));
  }
  for (QListWidget* list : tutor.findChildren<QListWidget*>()) {
    if (!list->isVisibleTo(&tutor)) continue;
    for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text());
  }
  for (QAction* action : tutor.findChildren<QAction*>()) texts.push_back(action->text());
  return texts;
}

// Checks the texts shown now: no English of the tables (words of four
// letters or more) and a glyph for every character.
void checkJapanese(DesktopTutor& tutor, const char* page) {
  SCOPED_TRACE(page);
  testing::expectJapanese(shownTexts(tutor), QFontMetrics(tutor.font()),
                          {"Rounds", "Start", "Speed", "Accuracy", "Round", "Next key", "Input",
                           "Layout", "Language", "keys/min", "Weakest", "Single Hiragana", "finger",
                           "Results", "complete", "Quit", "Home"});
}

TEST(DesktopTutorTest, TheJapaneseInterfaceLeavesNoEnglishAndDrawsEveryGlyph) {
  Window window([](platform::UserDefaults& preferences, Archive&) {
    preferences.set(PracticeChoices::interfaceKey, false);
  });
  useInterfaceFont();
  DesktopTutor& tutor = *window.tutor;
  tutor.show();
  checkJapanese(tutor, "home");
  // The choices are labelled, in Japanese.
  std::vector<QString> home = shownTexts(tutor);
  for (const char* label : {"言語", "入力方法", "配列", "ラウンド"})
    EXPECT_NE(std::find(home.begin(), home.end(), QString::fromUtf8(label)), home.end()) << label;
  ASSERT_TRUE(tutor.startRound(1));
  double now = 100;
  tutor.typeKey("q", now);
  checkJapanese(tutor, "practice");
  typeRoundAsText(tutor, now);
  ASSERT_EQ(tutor.page(), DesktopTutor::Page::results);
  checkJapanese(tutor, "results");
  // The menu's Settings item, as Ctrl+, reaches it.
  for (QAction* action : tutor.findChildren<QAction*>()) {
    if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Comma)) action->trigger();
  }
  ASSERT_EQ(tutor.page(), DesktopTutor::Page::settings);
  checkJapanese(tutor, "settings");
  useEnglishInterface(true);  // the other tests are in English
}

}  // namespace
}  // namespace tavro::desktop
