// The desktop tutor's own-text page on Qt's offscreen platform: the core's
// verdict shown as the learner types, Start only while it accepts, the
// round made of the text's lines, the fields bounded by the core's limits
// whatever is pasted or typed, a generated reading, and the Japanese
// interface drawn with a glyph for every text.
#include "TavroCore/practice/Exercise.h"
#include "TavroDesktop/CustomTextPage.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroHost/CustomText.h"

#include "JapaneseChecks.h"
#include "OffscreenApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavro::desktop {
namespace {

const std::filesystem::path screenshots =
    std::filesystem::path(TAVRO_BINARY_DIR) / "desktop-screenshots";

QPlainTextEdit* field(CustomTextPage& page, const char* name) {
  return page.findChild<QPlainTextEdit*>(name);
}

QString verdictText(CustomTextPage& page) {
  return page.findChild<QLabel*>("customVerdict")->text();
}

QPushButton* startButton(CustomTextPage& page) {
  return page.findChild<QPushButton*>("startCustom");
}

// `count` copies of あ.
std::string kana(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += "あ";
  return text;
}

// Pastes `text` into `edit` through the clipboard, as Ctrl+V does.
void paste(QPlainTextEdit* edit, const std::string& text) {
  QApplication::clipboard()->setText(QString::fromStdString(text));
  edit->setFocus();
  edit->paste();
}

TEST(DesktopCustomTextPage, TheVerdictFollowsTheFieldsAndStartOnlyWhenAccepted) {
  testing::offscreenApplication();
  useEnglishInterface(true);
  struct Case {
    const char* name;
    std::string text;
    std::string reading;
    bool accepted;
    std::string said;  // a part of what the page says
    std::optional<int> faultyBlock;
  };
  const std::vector<Case> cases = {
      {"empty", "", "", false, "Paste or type the Japanese text first", std::nullopt},
      {"no reading", "学校", "", false, "Give the reading of each line", std::nullopt},
      {"two lines, one reading", "学校\n駅", "がっこう", false,
       "The text has 2 lines and the reading 1", std::nullopt},
      {"reading in Latin letters", "学校", "gakkou", false, "Reading line 1 cannot be typed", 0},
      {"a kanji in the second reading, after a blank line", "学校\n駅", "がっこう\n\n駅", false,
       "Reading line 2 cannot be typed", 2},
      {"matching lines", "学校\n駅", "がっこう\nえき", true, "Ready: 2 practice items.",
       std::nullopt},
      {"katakana reading", "学校", "ガッコウ", true, "Ready: 1 practice item.", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CustomTextPage page;
    field(page, "customText")->setPlainText(QString::fromStdString(c.text));
    field(page, "customReading")->setPlainText(QString::fromStdString(c.reading));
    EXPECT_EQ(page.verdict().accepted(), c.accepted);
    EXPECT_EQ(startButton(page)->isEnabled(), c.accepted);
    EXPECT_TRUE(verdictText(page).contains(QString::fromStdString(c.said)))
        << verdictText(page).toStdString();
    // A refusal always states the rule too.
    EXPECT_EQ(verdictText(page).contains("Use matching lines"), !c.accepted);
    EXPECT_EQ(page.verdict().faultyReadingLine,
              c.faultyBlock ? std::optional<std::size_t>(static_cast<std::size_t>(*c.faultyBlock))
                            : std::nullopt);
    // The refused line is marked in the reading field.
    QList<QTextEdit::ExtraSelection> marks = field(page, "customReading")->extraSelections();
    EXPECT_EQ(!marks.isEmpty(), c.faultyBlock.has_value());
    if (c.faultyBlock && !marks.isEmpty()) {
      EXPECT_EQ(marks.back().cursor.blockNumber(), *c.faultyBlock);
    }
  }
}

TEST(DesktopCustomTextPage, StartGivesTheTextsLinesAsARoundOfTheOwnTextMode) {
  testing::offscreenApplication();
  useEnglishInterface(true);
  CustomTextPage page;
  std::vector<JapanesePrompt> started;
  int starts = 0;
  QObject::connect(&page, &CustomTextPage::startRequested, &page,
                   [&](const std::vector<JapanesePrompt>& prompts) {
                     started = prompts;
                     ++starts;
                   });
  // Refused: the click does nothing.
  field(page, "customText")->setPlainText("学校\n\n駅");
  startButton(page)->click();
  EXPECT_EQ(starts, 0);
  field(page, "customReading")->setPlainText("ガッコウ\r\nえ き");
  startButton(page)->click();
  ASSERT_EQ(starts, 1);
  std::optional<PracticeRound> round = customTextRound(started, false);
  ASSERT_TRUE(round.has_value());
  EXPECT_EQ(round->mode(), "kana-custom");
  EXPECT_EQ(round->exercise(), Exercise::customText);
  EXPECT_EQ(round->prompt().display(), "学校");
  EXPECT_EQ(round->nextDisplay(), "駅");
  ASSERT_EQ(started.size(), 2u);
  // The reading as the core keeps it: hiragana, no spaces.
  EXPECT_EQ(started[0].reading(), "がっこう");
  EXPECT_EQ(started[1].reading(), "えき");
}

TEST(DesktopCustomTextPage, TheFieldsHoldNoMoreThanTheCoreTakes) {
  testing::offscreenApplication();
  useEnglishInterface(true);
  struct Case {
    const char* name;
    std::string pasted;
    bool fits;
  };
  const std::vector<Case> cases = {
      {"2,000 characters", kana(2000), true},
      {"2,001 characters", kana(2001), false},
      {"a megabyte", std::string(1 << 20, 'a'), false},
      // Few characters, many bytes: each a carries five combining marks.
      {"over the byte bound",
       [] {
         std::string text;
         for (int i = 0; i < 1600; ++i) text += "a\u0301\u0301\u0301\u0301\u0301";
         return text;
       }(),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CustomTextPage page;
    QPlainTextEdit* text = field(page, "customText");
    text->setPlainText("駅");
    text->moveCursor(QTextCursor::End);
    paste(text, c.fits ? c.pasted.substr(0, c.pasted.size() - 3) : c.pasted);
    if (c.fits) {
      EXPECT_TRUE(text->toPlainText().toStdString() ==
                  "駅" + c.pasted.substr(0, c.pasted.size() - 3));
      // The field is full now: one more typed character is taken back.
      QTest::keyClicks(text, "x");
      EXPECT_EQ(page.text().size(), c.pasted.size());
      EXPECT_TRUE(verdictText(page).contains("This field is full"))
          << verdictText(page).toStdString();
    } else {
      EXPECT_TRUE(text->toPlainText() == "駅") << text->toPlainText().size() << " UTF-16 units";
      EXPECT_TRUE(verdictText(page).contains("The paste does not fit"))
          << verdictText(page).toStdString();
    }
  }
}

TEST(DesktopCustomTextPage, LinesWithATabPasteTheirReadingsIntoTheReadingField) {
  testing::offscreenApplication();
  useEnglishInterface(true);
  CustomTextPage page;
  QPlainTextEdit* text = field(page, "customText");
  QPlainTextEdit* reading = field(page, "customReading");
  // A word list copied from a spreadsheet: Windows line ends, one line
  // without a reading, one with a second Tab.
  paste(text, "学校\tがっこう\r\n駅\tえき\tstation\r\n本");
  EXPECT_EQ(page.text(), "学校\n駅\n本");
  EXPECT_EQ(page.reading(), "がっこう\nえき station");
  EXPECT_TRUE(verdictText(page).contains("after each Tab went into the reading field, 2 lines"))
      << verdictText(page).toStdString();
  // The next paste's readings go on a line of their own.
  text->moveCursor(QTextCursor::End);
  paste(text, "\n山\tやま");
  EXPECT_EQ(page.reading(), "がっこう\nえき station\nやま");
  // One that would overflow the reading field is refused whole.
  std::string many;
  for (int i = 0; i < 700; ++i) many += "\n木\tきき";
  paste(text, many);
  EXPECT_EQ(page.text(), "学校\n駅\n本\n山");
  EXPECT_TRUE(verdictText(page).contains("The paste does not fit")) << verdictText(page).toStdString();
  // Without a Tab, and in the reading field, a paste is plain text.
  paste(reading, "\tx");
  EXPECT_EQ(page.text(), "学校\n駅\n本\n山");
  EXPECT_NE(page.reading().find("\tx"), std::string::npos) << page.reading();
}

TEST(DesktopCustomTextPage, AGeneratedReadingIsAcceptedAndAskedBeforeReplacingTheLearners) {
  testing::offscreenApplication();
  useEnglishInterface(true);
  CustomTextPage page;
  auto* generate = page.findChild<QPushButton*>("generateReading");
  field(page, "customText")->setPlainText("学校\n駅");
  generate->click();
  EXPECT_EQ(page.reading(), "がっこう\nえき");
  EXPECT_TRUE(startButton(page)->isEnabled());
  EXPECT_TRUE(verdictText(page).startsWith("Reading generated")) << verdictText(page).toStdString();
  // A reading of the learner's own is replaced only on a second press.
  field(page, "customReading")->setPlainText("がっこう\nえきまえ");
  generate->click();
  EXPECT_EQ(page.reading(), "がっこう\nえきまえ");
  generate->click();
  EXPECT_EQ(page.reading(), "がっこう\nえき");
}

TEST(DesktopCustomTextPage, TheJapaneseInterfaceHasEveryGlyphAndFitsTheWindow) {
  testing::offscreenApplication();
  useInterfaceFont();
  for (bool english : {true, false}) {
    SCOPED_TRACE(english ? "English" : "Japanese");
    useEnglishInterface(english);
    CustomTextPage page;
    page.resize(900, 700);
    page.show();
    field(page, "customText")->setPlainText("今日は雨です\n駅");
    field(page, "customReading")->setPlainText("きょうはあめです\neki");
    QApplication::processEvents();
    QFontMetrics metrics(page.font());
    std::vector<QString> texts;
    for (QLabel* label : page.findChildren<QLabel*>()) {
      if (!label->isVisibleTo(&page)) continue;
      texts.push_back(label->text());
      SCOPED_TRACE(label->text().toStdString());
      if (label->wordWrap()) {
        EXPECT_GE(label->height(), label->heightForWidth(label->width()));
      } else {
        EXPECT_GE(label->width(), label->sizeHint().width());
      }
    }
    for (QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
      texts.push_back(button->text());
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
    if (!english) {
      testing::expectJapanese(texts, metrics, {"Paste", "Japanese", "Generate", "Hiragana", "Start",
                                               "lines", "Reading", "matching"});
    }
    std::filesystem::create_directories(screenshots);
    EXPECT_TRUE(page.grab().save(QString::fromStdString(
        (screenshots / (english ? "custom-text-en.png" : "custom-text-ja.png")).string())));
  }
  useEnglishInterface(true);
}

}  // namespace
}  // namespace tavro::desktop
