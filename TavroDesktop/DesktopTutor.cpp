#include "TavroDesktop/DesktopTutor.h"

#include "Support/Text.h"
#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/practice/WeakKeyDrill.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroHost/ExerciseText.h"
#include "TavroHost/KeptRound.h"
#include "TavroDesktop/KeyboardView.h"
#include "TavroDesktop/PhysicalKeys.h"

#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>

namespace tavro::desktop {
namespace {

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

QString html(const std::string& text) {
  return q(text).toHtmlEscaped();
}

std::string printed(const char* pattern, double value) {
  char text[48];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string speedText(double keysPerMinute, SpeedUnit unit) {
  if (!std::isfinite(keysPerMinute) || keysPerMinute < 0) keysPerMinute = 0;
  double shown = SpeedUnits::shown(keysPerMinute, unit);
  return printed(unit == SpeedUnit::wordsPerMinute ? "%.0f WPM" : "%.0f keys/min", shown);
}

}  // namespace

DesktopTutor::DesktopTutor(StoragePaths paths, LoadedArchive loaded,
                           platform::UserDefaults& preferences, QWidget* parent)
    : QMainWindow(parent),
      paths_(std::move(paths)),
      archive_(std::move(loaded.archive)),
      savedBase_(archive_),
      canSave_(loaded.canSave),
      preferences_(preferences),
      choices_(PracticeChoices::read(preferences)) {
  setWindowTitle(tr("Tavro"));
  // The window itself takes the keys of a round and of the results (no
  // control there may take them first).
  setFocusPolicy(Qt::StrongFocus);
  bool archiveRead = loaded.found && canSave_ && !loaded.notice;
  if (PracticeChoices::settleLayout(archive_, archiveRead, preferences_))
    keepChoice([&] { preferences_.set(PracticeChoices::layoutKey, archive_.jis); });
  if (loaded.notice) problem_ = q(loaded.notice->text());

  pages_ = new QStackedWidget(this);
  setCentralWidget(pages_);
  buildHome();
  buildPractice();
  buildResults();
  statusBar()->showMessage(problem_);
  ticker_ = new QTimer(this);
  ticker_->setInterval(200);
  connect(ticker_, &QTimer::timeout, this, [this] {
    if (page_ == Page::practice) refreshPractice(clock());
  });
  showPage(Page::home);
}

DesktopTutor::~DesktopTutor() = default;

QString DesktopTutor::status() const {
  return problem_;
}

double DesktopTutor::clock() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void DesktopTutor::keepChoice(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    // The choice still holds while the window is open.
    problem_ = tr("Could not save the preference: %1").arg(q(error.what()));
    if (statusBar() != nullptr) statusBar()->showMessage(problem_);
  }
}

void DesktopTutor::save() {
  if (!canSave_) {
    problem_ = tr("Scores are not saved this session: the archive on disk could not be read.");
  } else if (std::optional<std::string> failure = saveSharedArchive(archive_, savedBase_, paths_.archive())) {
    problem_ = tr("Could not save the scores: %1. They are kept until the next save.").arg(q(*failure));
  }
  statusBar()->showMessage(problem_);
}

// --- Home

void DesktopTutor::buildHome() {
  auto* home = new QWidget;
  auto* layout = new QVBoxLayout(home);
  auto* title = new QLabel(tr("Tavro · touch typing"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  layout->addWidget(title);

  auto* form = new QFormLayout;
  languageBox_ = new QComboBox;
  for (TavroLanguage language : TavroLanguages::allCases)
    languageBox_->addItem(q(std::string(TavroLanguages::label(language))));
  inputBox_ = new QComboBox;
  levelBox_ = new QComboBox;
  for (JLPTLevel level : JLPTLevels::allCases) levelBox_->addItem(q(std::string(rawValue(level))));
  layoutBox_ = new QComboBox;
  layoutBox_->addItems({tr("US"), tr("JIS (Japanese)")});
  form->addRow(tr("Language"), languageBox_);
  form->addRow(tr("Input"), inputBox_);
  form->addRow(tr("JLPT Level"), levelBox_);
  form->addRow(tr("Layout"), layoutBox_);
  layout->addLayout(form);

  roundList_ = new QListWidget;
  roundList_->setObjectName("rounds");
  layout->addWidget(new QLabel(tr("Rounds")));
  layout->addWidget(roundList_, 1);
  auto* start = new QPushButton(tr("Start"));
  layout->addWidget(start);
  pages_->addWidget(home);

  connect(languageBox_, &QComboBox::activated, this, [this](int index) {
    TavroLanguage language = TavroLanguages::allCases[static_cast<std::size_t>(index)];
    keepChoice([&] { TavroLanguages::save(language, preferences_); });
    choices_ = PracticeChoices::read(preferences_);
    refreshHome();
  });
  connect(inputBox_, &QComboBox::activated, this, [this](int index) {
    std::vector<Exercise> choices = exercises(language(choices_.exercise));
    choices_.exercise = choices.at(static_cast<std::size_t>(index));
    keepChoice([&] { saveInput(choices_.exercise, preferences_); });
    refreshHome();
  });
  connect(levelBox_, &QComboBox::activated, this, [this](int index) {
    choices_.level = JLPTLevels::allCases[static_cast<std::size_t>(index)];
    keepChoice([&] { JLPTLevels::save(choices_.level, preferences_); });
    refreshHome();
  });
  connect(layoutBox_, &QComboBox::activated, this, [this](int index) {
    archive_.jis = index == 1;
    keepChoice([&] { preferences_.set(PracticeChoices::layoutKey, archive_.jis); });
    save();
    refreshHome();
  });
  auto startChosen = [this] {
    QListWidgetItem* item = roundList_->currentItem();
    if (item != nullptr) startRound(item->data(Qt::UserRole).toLongLong());
  };
  connect(roundList_, &QListWidget::itemActivated, this, startChosen);
  connect(start, &QPushButton::clicked, this, startChosen);
}

void DesktopTutor::refreshHome() {
  TavroLanguage current = language(choices_.exercise);
  languageBox_->setCurrentIndex(static_cast<int>(
      std::find(TavroLanguages::allCases.begin(), TavroLanguages::allCases.end(), current) -
      TavroLanguages::allCases.begin()));
  inputBox_->clear();
  std::vector<Exercise> inputs = exercises(current);
  for (Exercise exercise : inputs) inputBox_->addItem(q(std::string(inputName(exercise))));
  inputBox_->setCurrentIndex(
      static_cast<int>(std::find(inputs.begin(), inputs.end(), choices_.exercise) - inputs.begin()));
  levelBox_->setCurrentIndex(static_cast<int>(choices_.level));
  levelBox_->setEnabled(usesLevel(choices_.exercise));
  layoutBox_->setCurrentIndex(archive_.jis ? 1 : 0);

  roundList_->clear();
  std::vector<std::int64_t> numbers;
  for (std::int64_t round = 1; round <= rounds(choices_.exercise); ++round) numbers.push_back(round);
  if (offersDrill(choices_.exercise)) numbers.push_back(drillRound);
  std::string modeName(mode(choices_.exercise));
  for (std::int64_t round : numbers) {
    std::string line = std::to_string(round) + "  " + roundTitle(choices_.exercise, round);
    std::vector<ScoreRow> scores = archive_.scoreRows(modeName, round, std::nullopt,
                                                      levelOfRound(modeName, round, choices_.level));
    if (!scores.empty()) line += "    best " + speedText(scores.front().attempt.cpm(), choices_.unit);
    for (const ScoreRow& score : scores) {
      if (score.isLatest) line += " · latest " + speedText(score.attempt.cpm(), choices_.unit);
    }
    auto* item = new QListWidgetItem(q(line), roundList_);
    item->setData(Qt::UserRole, static_cast<qlonglong>(round));
    if (round == choices_.round) roundList_->setCurrentItem(item);
  }
  if (roundList_->currentItem() == nullptr) roundList_->setCurrentRow(0);
  roundList_->setFocus();
}

// --- Practice

void DesktopTutor::buildPractice() {
  auto* practice = new QWidget;
  auto* layout = new QVBoxLayout(practice);
  heading_ = new QLabel;
  prompt_ = new QLabel;
  prompt_->setObjectName("prompt");
  QFont large = prompt_->font();
  large.setPointSizeF(large.pointSizeF() * 3);
  prompt_->setFont(large);
  prompt_->setTextFormat(Qt::RichText);
  reading_ = new QLabel;
  guide_ = new QLabel;
  guide_->setTextFormat(Qt::RichText);
  QFont mono = guide_->font();
  mono.setPointSizeF(mono.pointSizeF() * 1.6);
  guide_->setFont(mono);
  hints_ = new QLabel;
  nextKey_ = new QLabel;
  metrics_ = new QLabel;
  metrics_->setObjectName("metrics");
  keyboard_ = new KeyboardView;
  for (QLabel* label : {heading_, prompt_, reading_, guide_, hints_, nextKey_, metrics_})
    label->setAlignment(Qt::AlignHCenter);
  layout->addWidget(heading_);
  layout->addWidget(metrics_);
  layout->addStretch(1);
  layout->addWidget(prompt_);
  layout->addWidget(reading_);
  layout->addWidget(guide_);
  layout->addWidget(hints_);
  layout->addWidget(nextKey_);
  layout->addStretch(1);
  layout->addWidget(keyboard_, 0, Qt::AlignHCenter);
  pages_->addWidget(practice);
}

bool DesktopTutor::startRound(std::int64_t number) {
  std::vector<RoundPrompt> list;
  if (number == drillRound) {
    list = WeakKeyDrill::build(choices_.exercise, choices_.level,
                               archive_.weakKeys.value_or(WeakKeyHistory{}), archive_.jis,
                               choices_.guideStyle)
               .prompts;
    if (list.empty()) problem_ = tr("The drill needs keys you have missed: practise a round first.");
  } else if (choices_.exercise != Exercise::customText) {
    std::string weak;
    if (archive_.weakKeys) weak = weakKeyText(archive_.weakKeys->rankedKeys(mode(choices_.exercise)));
    list = prompts(choices_.exercise, choices_.level, number, weak, archive_.jis);
    if (list.empty()) problem_ = tr("This round has no prompts.");
  } else {
    problem_ = tr("Your own text is practised in the terminal tutor for now.");
  }
  if (list.empty()) {
    statusBar()->showMessage(problem_);
    return false;
  }
  choices_.round = number;
  keepChoice([&] { preferences_.set(PracticeChoices::roundKey, number); });
  round_.emplace(choices_.exercise, number, archive_.jis, std::move(list));
  round_->setGuideStyle(choices_.guideStyle);
  showPage(Page::practice);
  return true;
}

void DesktopTutor::typeKey(const std::string& piece, double now) {
  if (page_ != Page::practice || !round_) return;
  round_->type(piece, now);
  if (round_->isComplete()) {
    finishRound();
  } else {
    refreshPractice(now);
  }
}

void DesktopTutor::pressPhysicalKey(std::uint32_t x11Keycode, bool shift, double now) {
  if (!round_) return;
  if (std::optional<std::string> text = keyText(x11Keycode, shift, round_->jis())) typeKey(*text, now);
}

void DesktopTutor::refreshPractice(double now) {
  if (!round_) return;
  const PracticeRound& round = *round_;
  const PracticeView& view = round.view();
  heading_->setText(q(std::string(TavroLanguages::label(language(round.exercise()))) + " · " +
                      std::string(inputName(round.exercise())) + " — Round " +
                      std::to_string(round.round()) + ": " + roundTitle(round.exercise(), round.round())));
  LiveMetrics metrics(round.session(), now);
  metrics_->setText(tr("Speed %1   Accuracy %2%   Word %3/25")
                        .arg(q(speedText(metrics.kpm(), choices_.unit)))
                        .arg(metrics.accuracy(), 0, 'f', 1)
                        .arg(round.session().currentWord()));

  // The prompt with its done characters marked.
  std::vector<std::string> characters = text::graphemes(view.display);
  std::string done;
  std::string rest;
  for (std::size_t i = 0; i < characters.size(); ++i)
    (static_cast<std::int64_t>(i) < view.doneCharacters ? done : rest) += characters[i];
  prompt_->setText("<span style='color:gray'>" + html(done) + "</span>" + html(rest));
  reading_->setText(view.reading && choices_.showGuides ? q(*view.reading) : QString());
  if (view.guide && choices_.showGuides) {
    guide_->setText("<span style='color:gray'>" + html(view.guide->completed) + "</span><b><u>" +
                    html(view.guide->active) + "</u></b>" + html(view.guide->remaining));
  } else {
    guide_->clear();
  }
  QStringList hints;
  for (const KeyHint& hint : view.hints)
    hints << (hint.active ? "<b>" + html(hint.text) + "</b>" : html(hint.text));
  hints_->setText(hints.join("   "));
  std::optional<std::string> finger;
  if (view.nextKey && typesLayoutKeys(round.exercise())) {
    const NextKey& key = *view.nextKey;
    std::string name = key.label == " " ? "space" : q(key.label).toUpper().toStdString();
    if (key.label == Keyboard::jisShiftZero) name = "0";
    finger = fingerName(key.finger);
    nextKey_->setText(tr("Next key: %1 · %2").arg(q((key.shift ? "Shift + " : "") + name), q(*finger)));
  } else if (view.expectedInput) {
    nextKey_->setText(tr("Next: %1").arg(q(*view.expectedInput)));
  } else {
    nextKey_->clear();
  }
  if (std::optional<std::string> rejected = round.rejectedPiece())
    nextKey_->setText(nextKey_->text() + tr("   (%1 is not next)").arg(q(*rejected)));
  keyboard_->setVisible(choices_.showKeyboard && typesLayoutKeys(round.exercise()));
  keyboard_->show(round.jis(), round.exercise() == Exercise::japaneseKana, view.targetKeys,
                  view.ghostKeys, finger, view.nextInputs.count(" ") != 0);
}

void DesktopTutor::finishRound() {
  const PracticeRound& round = *round_;
  std::optional<Attempt> attempt = finishedAttempt(round, choices_.level);
  if (!attempt) return;
  latest_.reset();
  if (std::optional<HostMessage> refusal = keepRound(archive_, *attempt, round.keyHistory())) {
    problem_ = tr("This round was not kept: %1").arg(q(refusal->text()));
    statusBar()->showMessage(problem_);
  } else {
    latest_ = attempt->id();
    save();
  }
  bool drill = offersDrill(choices_.exercise) &&
               !WeakKeyDrill::build(choices_.exercise, choices_.level,
                                    archive_.weakKeys.value_or(WeakKeyHistory{}), archive_.jis,
                                    choices_.guideStyle)
                    .prompts.empty();
  suggestion_ = Suggestions::next(choices_.exercise, choices_.level, archive_, drill);
  showPage(Page::results);
}

// --- Results

void DesktopTutor::buildResults() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  results_ = new QLabel;
  results_->setObjectName("results");
  results_->setTextFormat(Qt::RichText);
  results_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  layout->addWidget(results_, 1);
  layout->addWidget(new QLabel(tr("Enter next round · A again · H or Esc home")));
  pages_->addWidget(page);
}

void DesktopTutor::refreshResults() {
  if (!round_) return;
  const PracticeRound& round = *round_;
  std::string modeName(round.mode());
  QString page = "<h2>" + tr("Round complete") + " — " +
                 html(roundTitle(round.exercise(), round.round())) + "</h2>";
  for (const Attempt& attempt : archive_.attempts) {
    if (latest_ && attempt.id() == *latest_) {
      page += "<p>" + tr("Speed %1 · Accuracy %2% · Keys %3 right, %4 missed")
                          .arg(q(speedText(attempt.cpm(), choices_.unit)))
                          .arg(attempt.accuracy(), 0, 'f', 1)
                          .arg(attempt.correct())
                          .arg(attempt.misses()) +
              "</p>";
    }
  }
  page += "<h3>" + tr("Top 5") + "</h3><table cellpadding='4'>";
  for (const ScoreRow& row :
       archive_.scoreRows(modeName, round.round(), latest_,
                          levelOfRound(modeName, round.round(), choices_.level))) {
    QStringList cells = {row.rank ? QString::number(*row.rank) : QString("–"),
                         html(speedText(row.attempt.cpm(), choices_.unit)),
                         QString::number(row.attempt.accuracy(), 'f', 1) + "%",
                         row.isLatest ? tr("new") : QString()};
    QString open = row.isLatest ? "<td><b>" : "<td>";
    QString close = row.isLatest ? "</b></td>" : "</td>";
    page += "<tr>" + open + cells.join(close + open) + close + "</tr>";
  }
  page += "</table>";
  QStringList weak;
  if (archive_.weakKeys) {
    for (const std::string& key : archive_.weakKeys->rankedKeys(modeName)) {
      if (weak.size() == 5) break;
      weak << html(key == " " ? "space" : key);
    }
  }
  page += "<p>" + tr("Weakest keys, all rounds: %1").arg(weak.isEmpty() ? tr("none missed") : weak.join("  ")) +
          "</p>";
  if (suggestion_) {
    std::string title = roundTitle(choices_.exercise, suggestion_->round);
    page += "<p><b>" + tr("Next: round %1 (%2)").arg(suggestion_->round).arg(html(title)) + "</b></p>";
  }
  results_->setText(page);
}

// --- Pages and keys

void DesktopTutor::showPage(Page page) {
  page_ = page;
  pages_->setCurrentIndex(static_cast<int>(page));
  // The title names the screen, so the window list tells where the tutor is.
  switch (page) {
    case Page::home:
      setWindowTitle(tr("Tavro"));
      ticker_->stop();
      refreshHome();
      break;
    case Page::practice:
      setWindowTitle(tr("Tavro — Round %1").arg(round_->round()));
      ticker_->start();
      refreshPractice(clock());
      setFocus();
      break;
    case Page::results:
      setWindowTitle(tr("Tavro — Results"));
      ticker_->stop();
      refreshResults();
      setFocus();
      break;
  }
}

void DesktopTutor::keyPressEvent(QKeyEvent* event) {
  // A held key repeats; only the press is typed.
  if (event->isAutoRepeat()) return;
  int key = event->key();
  switch (page_) {
    case Page::home:
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (QListWidgetItem* item = roundList_->currentItem())
          startRound(item->data(Qt::UserRole).toLongLong());
        return;
      }
      break;
    case Page::practice: {
      double now = clock();
      if (key == Qt::Key_Escape) {
        // Leaving a round keeps nothing of it: no attempt, no weak keys.
        round_.reset();
        showPage(Page::home);
        return;
      }
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        round_->confirmWord(now);
        refreshPractice(now);
        return;
      }
      if (round_ && round_->exercise() == Exercise::japaneseKana) {
        pressPhysicalKey(event->nativeScanCode(), (event->modifiers() & Qt::ShiftModifier) != 0, now);
        return;
      }
      // A dead key gives no text: nothing is typed until its character comes.
      for (const std::string& piece : text::graphemes(event->text().toStdString())) {
        if (piece.empty() || static_cast<unsigned char>(piece[0]) < 0x20 || piece == "\x7f") continue;
        typeKey(piece, now);
        if (page_ != Page::practice) break;
      }
      return;
    }
    case Page::results:
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_N) {
        startRound(nextRound(round_->exercise(), round_->round()));
        return;
      }
      if (key == Qt::Key_A) {
        startRound(round_->round());
        return;
      }
      if (key == Qt::Key_H || key == Qt::Key_Escape) {
        round_.reset();
        showPage(Page::home);
        return;
      }
      break;
  }
  QMainWindow::keyPressEvent(event);
}

}  // namespace tavro::desktop
