#include "TavroDesktop/CustomTextPage.h"

#include "Support/CharacterBounds.h"
#include "TavroCore/content/CustomPractice.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/PageTitle.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace tavro::desktop {
namespace {

QString withSeparators(std::size_t number) {
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(number));
}

bool withinLimits(const std::string& field) {
  return field.size() <= customTextMaximumBytes &&
         text::characterCount(field) <= CustomPractice::maximumCharacters;
}

// A plain-text field that refuses, whole, a paste or drop that would take
// it past the core's limits, before any of it is inserted.
class BoundedEdit final : public QPlainTextEdit {
 public:
  explicit BoundedEdit(QWidget* parent) : QPlainTextEdit(parent) {}

  std::function<void()> refused;
  // Takes a paste whole in its own way (lines with a Tab in the text
  // field); false leaves it to the field.
  std::function<bool(const QString&)> takes;

 protected:
  void insertFromMimeData(const QMimeData* source) override {
    if (source == nullptr || !source->hasText()) return;
    QString pasted = source->text();
    if (takes && static_cast<std::size_t>(pasted.size()) <= customTextMaximumBytes && takes(pasted))
      return;
    // Every UTF-16 unit is at least one byte: a paste longer than that is
    // refused before it is converted or counted.
    bool fits = static_cast<std::size_t>(pasted.size()) <= customTextMaximumBytes;
    if (fits) {
      QTextCursor cursor = textCursor();
      QString after = toPlainText();
      after.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(),
                    pasted);
      fits = withinLimits(after.toStdString());
    }
    if (!fits) {
      if (refused) refused();
      return;
    }
    QPlainTextEdit::insertFromMimeData(source);
  }
};

// The UTF-16 offset of each character boundary of `text` (characters as
// the core counts them): offsets[c] is where character c starts.
std::vector<int> characterOffsets(const std::string& text) {
  std::vector<int> offsets{0};
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(text)) {
    offsets.push_back(
        offsets.back() +
        static_cast<int>(
            QString::fromUtf8(text.data() + start, static_cast<qsizetype>(end - start)).size()));
    start = end;
  }
  return offsets;
}

}  // namespace

CustomTextPage::CustomTextPage(QWidget* parent) : QWidget(parent) {
  title_ = pageTitle(this);
  description_ = new QLabel(this);
  description_->setWordWrap(true);

  auto bounded = [this](const char* name) {
    auto* edit = new BoundedEdit(this);
    edit->setObjectName(name);
    edit->setTabChangesFocus(true);
    edit->refused = [this] {
      refused(HostMessage(
          "The paste does not fit: a field holds at most {1} characters. Nothing was pasted.",
          {withSeparators(CustomPractice::maximumCharacters).toStdString()}));
    };
    return edit;
  };
  textLabel_ = new QLabel(this);
  textCount_ = new QLabel(this);
  textCount_->setObjectName("customTextCount");
  text_ = bounded("customText");
  generate_ = new QPushButton(this);
  generate_->setObjectName("generateReading");
  readingLabel_ = new QLabel(this);
  readingLabel_->setWordWrap(true);
  readingCount_ = new QLabel(this);
  readingCount_->setObjectName("customReadingCount");
  reading_ = bounded("customReading");
  verdictLabel_ = new QLabel(this);
  verdictLabel_->setObjectName("customVerdict");
  verdictLabel_->setWordWrap(true);
  start_ = new QPushButton(this);
  start_->setObjectName("startCustom");
  start_->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(textLabel_, 0, 0);
  grid->addWidget(textCount_, 0, 1, Qt::AlignRight);
  grid->addWidget(text_, 1, 0, 1, 2);
  grid->addWidget(generate_, 2, 0, Qt::AlignLeft);
  grid->addWidget(readingLabel_, 3, 0);
  grid->addWidget(readingCount_, 3, 1, Qt::AlignRight);
  grid->addWidget(reading_, 4, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(verdictLabel_, 1);
  bottom->addWidget(start_, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(description_);
  layout->addLayout(grid, 1);
  layout->addLayout(bottom);

  // A field past the limits can still be reached by typing one character
  // too many: that edit is taken back, as a paste that does not fit is.
  auto watch = [this](QPlainTextEdit* edit) {
    auto accepted = std::make_shared<QString>();
    connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, accepted] {
      QString now = edit->toPlainText();
      if (!withinLimits(now.toStdString())) {
        int position = std::min(edit->textCursor().position(), static_cast<int>(accepted->size()));
        {
          const QSignalBlocker block(edit);
          edit->setPlainText(*accepted);
          QTextCursor cursor = edit->textCursor();
          cursor.setPosition(position);
          edit->setTextCursor(cursor);
        }
        refused(HostMessage("This field is full: it holds at most {1} characters.",
                            {withSeparators(CustomPractice::maximumCharacters).toStdString()}));
        return;
      }
      *accepted = now;
      told_.clear();
      confirmReplace_ = false;
      judge();
    });
  };
  watch(text_);
  watch(reading_);
  static_cast<BoundedEdit*>(text_)->takes = [this](const QString& pasted) { return pasteTabbed(pasted); };
  connect(generate_, &QPushButton::clicked, this, [this] { generate(); });
  connect(start_, &QPushButton::clicked, this, [this] {
    if (verdict_.accepted()) emit startRequested(verdict_.prompts);
  });

  judge();
  retranslate();
}

std::string CustomTextPage::text() const {
  return text_->toPlainText().toStdString();
}

std::string CustomTextPage::reading() const {
  return reading_->toPlainText().toStdString();
}

void CustomTextPage::tell(const HostMessage& message) {
  told_ = {message};
  toldProblem_ = false;
  showVerdict();
}

bool CustomTextPage::pasteTabbed(const QString& pasted) {
  std::optional<TabbedPaste> split = splitTabbedPaste(pasted.toStdString());
  if (!split) return false;
  // Lines of "word<Tab>reading": the words here, the readings at the end of
  // the reading field, both or neither.
  QTextCursor cursor = text_->textCursor();
  QString text = text_->toPlainText();
  text.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(),
               QString::fromStdString(split->words));
  QString reading = reading_->toPlainText();
  QString added = QString::fromStdString(split->readings);
  if (split->readingLines > 0 && !reading.isEmpty() && !reading.endsWith('\n')) added.prepend('\n');
  if (!withinLimits(text.toStdString()) || !withinLimits((reading + added).toStdString())) {
    refused(HostMessage(
        "The paste does not fit: a field holds at most {1} characters. Nothing was pasted.",
        {withSeparators(CustomPractice::maximumCharacters).toStdString()}));
    return true;
  }
  cursor.insertText(QString::fromStdString(split->words));
  QTextCursor end(reading_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(added);
  if (split->readingLines > 0) {
    tell(split->readingLines == 1
             ? HostMessage("Pasted: the text after the Tab went into the reading field.")
             : HostMessage("Pasted: the text after each Tab went into the reading field, {1} lines.",
                           {std::to_string(split->readingLines)}));
  }
  return true;
}

void CustomTextPage::refused(const HostMessage& message) {
  told_ = {message};
  toldProblem_ = true;
  showVerdict();
}

void CustomTextPage::judge() {
  verdict_ = judgeCustomText(text(), reading());
  start_->setEnabled(verdict_.accepted());
  showVerdict();
  showMarks();
}

void CustomTextPage::generate() {
  std::string shown = text();
  if (customTextItemLines(shown) == 0) {
    refused(HostMessage("Paste or type the Japanese text first, one practice item per line."));
    return;
  }
  CustomPractice::ReadingSuggestion suggestion = CustomPractice::readingSuggestion(shown);
  QString suggested = QString::fromStdString(suggestion.reading);
  if (!withinLimits(suggestion.reading)) {
    refused(HostMessage("This field is full: it holds at most {1} characters.",
                        {withSeparators(CustomPractice::maximumCharacters).toStdString()}));
    return;
  }
  if (!reading_->toPlainText().isEmpty() && reading_->toPlainText() != suggested &&
      !confirmReplace_) {
    confirmReplace_ = true;
    tell(HostMessage(
        "Choose Generate reading again to replace the reading you have with a generated one."));
    return;
  }
  reading_->setPlainText(suggested);  // judges the fields anew
  confirmReplace_ = false;
  // The words whose reading is a guess are underlined in both fields, so
  // the learner checks those first.
  std::vector<int> inText = characterOffsets(shown);
  std::vector<int> inReading = characterOffsets(suggestion.reading);
  textMarks_.clear();
  readingMarks_.clear();
  auto range = [](const std::vector<int>& offsets, std::size_t first, std::size_t count) {
    std::size_t last = std::min(first + count, offsets.size() - 1);
    first = std::min(first, last);
    return Range{offsets[first], offsets[last] - offsets[first]};
  };
  for (const CustomPractice::ReadingGuess& guess : suggestion.guesses) {
    textMarks_.push_back(range(inText, guess.textStart, guess.textLength));
    readingMarks_.push_back(range(inReading, guess.readingStart, guess.readingLength));
  }
  markedText_ = text_->toPlainText();
  markedReading_ = suggested;
  showMarks();
  reading_->setFocus();
  std::size_t guesses = suggestion.guesses.size();
  if (guesses == 0) {
    tell(HostMessage("Reading generated: no word in it was a guess; check it before starting."));
  } else if (guesses == 1) {
    tell(HostMessage(
        "Reading generated: check the underlined word; it can be read more than one way."));
  } else {
    tell(HostMessage(
        "Reading generated: check the {1} underlined words; they can be read more than one way.",
        {std::to_string(guesses)}));
  }
}

void CustomTextPage::showMarks() {
  auto marks = [](QPlainTextEdit* edit, const std::vector<Range>& ranges, const QString& markedIn) {
    QList<QTextEdit::ExtraSelection> selections;
    // Positions found in an earlier text would no longer name the words.
    if (edit->toPlainText() != markedIn) return selections;
    for (const Range& range : ranges) {
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(edit->document());
      selection.cursor.setPosition(range.start);
      selection.cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
      selection.format.setFontUnderline(true);
      selection.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
      selections.push_back(selection);
    }
    return selections;
  };
  text_->setExtraSelections(marks(text_, textMarks_, markedText_));
  QList<QTextEdit::ExtraSelection> reading = marks(reading_, readingMarks_, markedReading_);
  if (verdict_.faultyReadingLine) {
    QTextBlock block =
        reading_->document()->findBlockByNumber(static_cast<int>(*verdict_.faultyReadingLine));
    if (block.isValid()) {
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(block);
      selection.format.setProperty(QTextFormat::FullWidthSelection, true);
      // A tint of the highlight, so the refused line does not pass for a
      // selection.
      QColor tint = palette().color(QPalette::Highlight);
      tint.setAlpha(70);
      selection.format.setBackground(tint);
      reading.push_back(selection);
    }
  }
  reading_->setExtraSelections(reading);
}

void CustomTextPage::showVerdict() {
  QStringList lines;
  bool problem = false;
  if (!told_.empty()) {
    for (const HostMessage& message : told_) lines << say(message);
    problem = toldProblem_;
  } else if (verdict_.accepted()) {
    std::size_t items = verdict_.prompts.size();
    lines << (items == 1
                  ? say(HostMessage("Ready: 1 practice item."))
                  : say(HostMessage("Ready: {1} practice items.", {std::to_string(items)})));
  } else {
    // What is wrong comes before the rule itself.
    if (verdict_.problem) lines << say(*verdict_.problem);
    lines << say(HostMessage(std::string(customTextRule)));
    problem = true;
  }
  verdictLabel_->setText(lines.join('\n'));
  QFont font = verdictLabel_->font();
  font.setBold(problem);
  verdictLabel_->setFont(font);

  auto count = [](const std::string& field) {
    std::size_t lines = customTextItemLines(field);
    return say(HostMessage(
        lines == 1 ? "{1} line · {2}/{3}" : "{1} lines · {2}/{3}",
        {std::to_string(lines), withSeparators(text::characterCount(field)).toStdString(),
         withSeparators(CustomPractice::maximumCharacters).toStdString()}));
  };
  textCount_->setText(count(text()));
  readingCount_->setText(count(reading()));
}

void CustomTextPage::retranslate() {
  title_->setText(say("Custom Text Practice"));
  description_->setText(
      say("Paste Japanese text, one practice item per line. The 25-item session repeats shorter "
          "lists."));
  textLabel_->setText(say("Japanese text"));
  generate_->setText(say("Generate reading"));
  readingLabel_->setText(
      say("Hiragana reading · Review and correct ambiguous readings before starting"));
  start_->setText(say("Start practice"));
  showVerdict();
}

}  // namespace tavro::desktop
