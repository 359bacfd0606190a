// The learner's own Japanese text in the window: the text, one practice
// item per line, and its hiragana reading, typed or pasted, with a reading
// proposed on request (the words it guessed underlined). The core's verdict
// is shown as the learner types, what is wrong before the rule, and Start
// is enabled only while the core accepts both fields. Each field holds at
// most what the core takes; a paste that does not fit is refused whole.
// The text lives in the page while the window runs and is never written to
// disk, as in the terminal tutor.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"
#include "TavroHost/CustomText.h"

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tavro::desktop {

class CustomTextPage : public QWidget {
  Q_OBJECT

 public:
  // The controls' object names: "customText", "customReading" (the two
  // fields), "customTextCount", "customReadingCount", "generateReading",
  // "customVerdict", "startCustom".
  explicit CustomTextPage(QWidget* parent = nullptr);

  // The fields as they stand, their lines separated by "\n".
  std::string text() const;
  std::string reading() const;
  // The core's verdict on the fields as they stand.
  const CustomTextVerdict& verdict() const { return verdict_; }
  // Says `message` under the fields until the next edit ("Round left;
  // nothing was saved."); it is given in English and shown in the interface
  // language.
  void tell(const HostMessage& message);

  // Puts every text in the interface language chosen now.
  void retranslate();

 signals:
  // Start was pressed while the core accepts the fields: the items, in
  // order. The window makes the round of them (customTextRound) and starts
  // it.
  void startRequested(const std::vector<tavro::JapanesePrompt>& prompts);

 private:
  void judge();
  void generate();
  void showVerdict();
  // Underlines the guessed words while each field is as generated, and
  // marks the reading line the core refuses.
  void showMarks();
  void refused(const HostMessage& message);
  // A paste of "word<Tab>reading" lines into the text field: the words
  // there, the readings into the reading field. False when it holds no Tab.
  bool pasteTabbed(const QString& pasted);

  QLabel* title_ = nullptr;
  QLabel* description_ = nullptr;
  QLabel* textLabel_ = nullptr;
  QLabel* textCount_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* generate_ = nullptr;
  QLabel* readingLabel_ = nullptr;
  QLabel* readingCount_ = nullptr;
  QPlainTextEdit* reading_ = nullptr;
  QLabel* verdictLabel_ = nullptr;
  QPushButton* start_ = nullptr;

  CustomTextVerdict verdict_;
  // A message that stands instead of the verdict until the next edit.
  std::vector<HostMessage> told_;
  bool toldProblem_ = false;
  // Set when Generate would replace a reading the learner has: the next
  // press replaces.
  bool confirmReplace_ = false;
  // The guessed words of the last generated reading, as UTF-16 ranges of
  // the fields, and the fields' texts they were found in.
  struct Range {
    int start = 0;
    int length = 0;
  };
  std::vector<Range> textMarks_;
  std::vector<Range> readingMarks_;
  QString markedText_;
  QString markedReading_;
};

}  // namespace tavro::desktop
