#include "TavroDesktop/DesktopTutor.h"

#include "Support/Text.h"
#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/practice/KeyMap.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroHost/ExerciseText.h"
#include "TavroHost/KeptRound.h"
#include "TavroHost/RecentProgress.h"
#include "TavroHost/RoundPrompts.h"
#include "TavroHost/SuggestionText.h"
#include "TavroHost/CustomText.h"
#include "TavroDesktop/AccountPage.h"
#include "TavroDesktop/CustomTextPage.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/KeyboardView.h"
#include "TavroDesktop/PageTitle.h"
#include "TavroDesktop/PhysicalKeys.h"
#include "TavroDesktop/ProgressView.h"
#include "TavroDesktop/SettingsPage.h"
#include "TavroDesktop/SetupPage.h"
#include "TavroDesktop/ThemePalette.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
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
  if (unit == SpeedUnit::wordsPerMinute) return printed("%.0f WPM", shown);
  return printed("%.0f ", shown) + say("keys/min").toStdString();
}

// A name the core or the host layer gives, in the interface language.
std::string named(std::string_view english) {
  return say(english).toStdString();
}

// A HostMessage in the interface language.
QString told(const HostMessage& message) {
  return q(message.text([](std::string_view english) { return named(english); }));
}

}  // namespace

DesktopTutor::DesktopTutor(StoragePaths paths, LoadedArchive loaded,
                           platform::UserDefaults& preferences, std::unique_ptr<TokenStore> tokens,
                           bool tokenInKeyring, QWidget* parent)
    : QMainWindow(parent),
      paths_(std::move(paths)),
      archive_(std::move(loaded.archive)),
      savedBase_(archive_),
      canSave_(loaded.canSave),
      preferences_(preferences),
      choices_(PracticeChoices::read(preferences)) {
  useEnglishInterface(choices_.englishInterface);
  systemPalette_ = QApplication::palette();
  QApplication::setPalette(themePalette(choices_.theme, systemPalette_));
  setWindowTitle(tr("Tavro"));
  setMinimumSize(minimumWidth, minimumHeight);
  resize(rememberedSize(preferences_));
  // The window itself takes the keys of a round and of the results (no
  // control there may take them first).
  setFocusPolicy(Qt::StrongFocus);
  bool archiveRead = loaded.found && canSave_ && !loaded.notice;
  if (PracticeChoices::settleLayout(archive_, archiveRead, preferences_))
    keepChoice([&] { preferences_.set(PracticeChoices::layoutKey, archive_.jis); });
  if (loaded.notice) problem_ = told(*loaded.notice);

  pages_ = new QStackedWidget(this);
  setCentralWidget(pages_);
  buildMenus();
  buildHome();
  buildPractice();
  buildResults();
  buildSettings();
  buildProgress();
  buildSetup();
  buildCustomText();
  buildAccount(std::move(tokens), tokenInKeyring);
  retranslate();
  statusBar()->showMessage(problem_);
  ticker_ = new QTimer(this);
  ticker_->setInterval(200);
  connect(ticker_, &QTimer::timeout, this, [this] {
    if (page_ == Page::practice) refreshPractice(clock());
  });
  // A new learner (no archive, no earlier choices) or a setup left half-way
  // starts with the setup.
  showPage(setup_->begin(loaded.found) ? Page::setup : Page::home);
}

DesktopTutor::~DesktopTutor() = default;

QString DesktopTutor::status() const {
  return problem_;
}

void DesktopTutor::addNotice(const HostMessage& notice) {
  problem_ = problem_.isEmpty() ? told(notice) : problem_ + "  " + told(notice);
  statusBar()->showMessage(problem_);
}

QSize DesktopTutor::rememberedSize(const platform::UserDefaults& preferences) {
  // The file may be edited by hand or damaged: any number is brought into
  // a size a screen can show.
  auto side = [&](std::string_view key, int fallback, int minimum) {
    std::optional<std::int64_t> stored = preferences.integer(key);
    if (!stored) return fallback;
    return static_cast<int>(std::clamp<std::int64_t>(*stored, minimum, 16384));
  };
  return {side(widthKey, 900, minimumWidth), side(heightKey, 700, minimumHeight)};
}

bool DesktopTutor::rememberedMaximized(const platform::UserDefaults& preferences) {
  return preferences.boolean(maximizedKey).value_or(false);
}

void DesktopTutor::closeEvent(QCloseEvent* event) {
  keepChoice([&] {
    preferences_.set(maximizedKey, isMaximized());
    // A maximized window keeps the size it had before, to come back to.
    QSize size = isMaximized() ? normalGeometry().size() : this->size();
    if (size.isValid()) {
      preferences_.set(widthKey, static_cast<std::int64_t>(size.width()));
      preferences_.set(heightKey, static_cast<std::int64_t>(size.height()));
    }
  });
  QMainWindow::closeEvent(event);
}

double DesktopTutor::clock() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void DesktopTutor::keepChoice(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    // The choice still holds while the window is open.
    problem_ = say("Could not save the preference: {1}", {error.what()});
    if (statusBar() != nullptr) statusBar()->showMessage(problem_);
  }
}

void DesktopTutor::save() {
  if (!canSave_) {
    problem_ = say("Scores are not saved this session: the archive on disk could not be read.");
  } else if (std::optional<std::string> failure = saveShared()) {
    problem_ = say("Could not save the scores: {1}. They are kept until the next save.", {*failure});
  }
  statusBar()->showMessage(problem_);
}

std::optional<std::string> DesktopTutor::saveShared() {
  return saveSharedArchive(archive_, savedBase_, paths_.archive());
}

void DesktopTutor::buildMenus() {
  // Only shortcuts with Ctrl: a letter or Enter belongs to the round.
  menu_ = menuBar()->addMenu(QString());
  homeAction_ = menu_->addAction(QString(), this, [this] {
    round_.reset();
    showPage(Page::home);
  });
  homeAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  settingsAction_ = menu_->addAction(QString(), this, [this] {
    round_.reset();
    showPage(Page::settings);
  });
  settingsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  progressAction_ = menu_->addAction(QString(), this, [this] {
    round_.reset();
    showPage(Page::progress);
  });
  progressAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  customTextAction_ = menu_->addAction(QString(), this, [this] {
    round_.reset();
    showPage(Page::customText);
  });
  customTextAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  accountAction_ = menu_->addAction(QString(), this, [this] {
    round_.reset();
    showPage(Page::account);
  });
  accountAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  menu_->addSeparator();
  quitAction_ = menu_->addAction(QString(), this, &QWidget::close);
  quitAction_->setShortcut(QKeySequence::Quit);
}

// --- Home

void DesktopTutor::buildHome() {
  auto* home = new QWidget;
  auto* layout = new QVBoxLayout(home);
  title_ = pageTitle(nullptr, 1.6);
  layout->addWidget(title_);

  auto* form = new QFormLayout;
  form_ = form;
  languageBox_ = new QComboBox;
  for (TavroLanguage language : TavroLanguages::allCases)
    languageBox_->addItem(say(TavroLanguages::label(language)));
  inputBox_ = new QComboBox;
  levelBox_ = new QComboBox;
  for (JLPTLevel level : JLPTLevels::allCases) levelBox_->addItem(q(std::string(rawValue(level))));
  layoutBox_ = new QComboBox;
  layoutBox_->addItems({"US", QString()});
  // The labels get their texts from retranslate().
  for (QWidget* field : {static_cast<QWidget*>(languageBox_), static_cast<QWidget*>(inputBox_),
                         static_cast<QWidget*>(levelBox_), static_cast<QWidget*>(layoutBox_)})
    form->addRow(new QLabel, field);
  layout->addLayout(form);

  roundList_ = new QListWidget;
  roundList_->setObjectName("rounds");
  roundsLabel_ = new QLabel;
  layout->addWidget(roundsLabel_);
  layout->addWidget(roundList_, 1);
  start_ = new QPushButton;
  auto* start = start_;
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
  for (Exercise exercise : inputs) inputBox_->addItem(say(inputName(exercise)));
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
    std::string line = std::to_string(round) + "  " + named(roundTitle(choices_.exercise, round));
    std::vector<ScoreRow> scores = archive_.scoreRows(modeName, round, std::nullopt,
                                                      levelOfRound(modeName, round, choices_.level));
    if (!scores.empty())
      line += "    " + named("best") + " " + speedText(scores.front().attempt.cpm(), choices_.unit);
    for (const ScoreRow& score : scores) {
      if (score.isLatest)
        line += " · " + named("Latest") + " " + speedText(score.attempt.cpm(), choices_.unit);
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
  if (choices_.exercise == Exercise::customText) {
    // The learner's own text is written (or changed) first.
    showPage(Page::customText);
    return false;
  }
  std::vector<RoundPrompt> list =
      roundPrompts(choices_.exercise, choices_.level, number, archive_, choices_.guideStyle);
  if (list.empty())
    problem_ = say(number == drillRound ? "The drill needs keys you have missed: practise a round first."
                                        : "This round has no prompts.");
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

void DesktopTutor::startRound(PracticeRound round) {
  round_.emplace(std::move(round));
  round_->setGuideStyle(choices_.guideStyle);
  showPage(Page::practice);
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
  heading_->setText(say(TavroLanguages::label(language(round.exercise()))) + " · " +
                    say(inputName(round.exercise())) + " — " + say("Round") + " " +
                    QString::number(round.round()) + ": " +
                    q(named(roundTitle(round.exercise(), round.round()))));
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
    std::string name = key.label == " " ? named("space") : q(key.label).toUpper().toStdString();
    if (key.label == Keyboard::jisShiftZero) name = "0";
    finger = named(fingerName(key.finger));
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
    problem_ = say("This round was not kept: {1}", {told(*refusal).toStdString()});
    statusBar()->showMessage(problem_);
  } else {
    latest_ = attempt->id();
    save();
    // A round finished while signed in is the account's.
    if (std::optional<QString> failure = account_->claimRound(*attempt)) {
      problem_ = *failure;
      statusBar()->showMessage(problem_);
    }
  }
  suggestion_ = suggest();
  showPage(Page::results);
}

std::optional<Suggestion> DesktopTutor::suggest() const {
  return nextSuggestion(choices_.exercise, choices_.level, archive_, choices_.guideStyle);
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
  resultsHint_ = new QLabel;
  layout->addWidget(resultsHint_);
  pages_->addWidget(page);
}

void DesktopTutor::buildSettings() {
  settings_ = new SettingsPage(preferences_);
  pages_->addWidget(settings_);
  connectSettings();
}

void DesktopTutor::buildProgress() {
  progress_ = new ProgressView;
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(progress_, 0, Qt::AlignHCenter | Qt::AlignTop);
  layout->addStretch(1);
  pages_->addWidget(page);
}

void DesktopTutor::buildSetup() {
  setup_ = new SetupPage(preferences_, archive_, paths_.archive().string(), systemPalette_);
  pages_->addWidget(setup_);
  connect(setup_, &SetupPage::finished, this, &DesktopTutor::takeSetup);
  connect(setup_, &SetupPage::problem, this, [this](const QString& message) {
    problem_ = message;
    statusBar()->showMessage(problem_);
  });
}

void DesktopTutor::takeSetup() {
  // The setup wrote the preferences and put the layout and theme in the
  // archive in memory.
  save();
  bool englishBefore = choices_.englishInterface;
  choices_ = PracticeChoices::read(preferences_);
  QApplication::setPalette(themePalette(choices_.theme, systemPalette_));
  if (englishBefore != choices_.englishInterface) changeLanguage();
  settings_->reload();
  showPage(Page::home);
}

void DesktopTutor::buildCustomText() {
  customText_ = new CustomTextPage;
  pages_->addWidget(customText_);
  connect(customText_, &CustomTextPage::startRequested, this,
          [this](const std::vector<JapanesePrompt>& prompts) {
            if (std::optional<PracticeRound> round = customTextRound(prompts, archive_.jis))
              startRound(std::move(*round));
          });
}

void DesktopTutor::buildAccount(std::unique_ptr<TokenStore> tokens, bool tokenInKeyring) {
  if (!tokens) tokens = std::make_unique<FileTokenStore>(paths_.configFolder);
  account_ = new AccountPage(
      paths_, preferences_, archive_, [this] { return saveShared(); }, canSave_,
      [this] { return choices_.level; },
      [this] { return PracticeChoices::kanaInput(choices_.exercise, preferences_); }, std::move(tokens),
      tokenInKeyring);
  pages_->addWidget(account_);
  connect(account_, &AccountPage::archiveChanged, this, [this] {
    if (page_ == Page::home) refreshHome();
  });
  connect(account_, &AccountPage::problem, this, [this](const QString& message) {
    problem_ = message;
    statusBar()->showMessage(problem_);
  });
}

void DesktopTutor::takeCallback(const QString& address) {
  if (page_ != Page::practice) showPage(Page::account);
  account_->receiveCallback(address);
  raise();
  activateWindow();
}

void DesktopTutor::connectSettings() {
  connect(settings_, &SettingsPage::changed, this, &DesktopTutor::takeSettings);
  connect(settings_, &SettingsPage::problem, this, [this](const QString& message) {
    problem_ = message;
    statusBar()->showMessage(problem_);
  });
}

void DesktopTutor::takeSettings() {
  bool englishBefore = choices_.englishInterface;
  choices_.englishInterface = settings_->englishInterface();
  choices_.theme = settings_->theme();
  choices_.guideStyle = settings_->guideStyle();
  choices_.unit = settings_->unit();
  choices_.showKeyboard = settings_->showKeyboard();
  choices_.showGuides = settings_->showGuides();
  QApplication::setPalette(themePalette(choices_.theme, systemPalette_));
  // Older versions read the theme from the archive.
  if (archive_.appearance != rawValue(choices_.theme)) {
    archive_.appearance = std::string(rawValue(choices_.theme));
    save();
  }
  if (englishBefore != choices_.englishInterface) {
    changeLanguage();
    // Shown again for the title in the new language.
    showPage(Page::settings);
  }
}

void DesktopTutor::changeLanguage() {
  useEnglishInterface(choices_.englishInterface);
  // The settings page's own labels were made in the other language: made
  // again.
  int index = pages_->indexOf(settings_);
  pages_->removeWidget(settings_);
  settings_->deleteLater();
  settings_ = new SettingsPage(preferences_);
  pages_->insertWidget(index, settings_);
  connectSettings();
  retranslate();
}

void DesktopTutor::focusFirstSetting() {
  // The keys work the page from its first choice on.
  if (auto* first = settings_->findChild<QWidget*>("interfaceLanguage")) first->setFocus();
}

void DesktopTutor::retranslate() {
  menu_->setTitle(tr("&Tavro"));
  homeAction_->setText(tr("&Home"));
  settingsAction_->setText(tr("&Settings"));
  progressAction_->setText(tr("&Progress"));
  quitAction_->setText(tr("&Quit"));
  customTextAction_->setText(tr("Your &own text"));
  setup_->retranslate();
  customText_->retranslate();
  account_->retranslate();
  accountAction_->setText(tr("&Account"));
  title_->setText(say("Tavro · touch typing"));
  const std::pair<QWidget*, std::string_view> labels[] = {
      {languageBox_, "Language"}, {inputBox_, "Input"}, {levelBox_, "JLPT Level"}, {layoutBox_, "Layout"}};
  for (const auto& [field, text] : labels) {
    if (auto* label = qobject_cast<QLabel*>(form_->labelForField(field))) label->setText(say(text));
  }
  for (int i = 0; i < languageBox_->count(); ++i)
    languageBox_->setItemText(i, say(TavroLanguages::label(TavroLanguages::allCases[static_cast<std::size_t>(i)])));
  layoutBox_->setItemText(1, say("JIS (Japanese)"));
  roundsLabel_->setText(tr("Rounds"));
  start_->setText(tr("Start"));
  resultsHint_->setText(tr("Enter next round · A again · P progress · H or Esc home"));
}

void DesktopTutor::refreshResults() {
  if (!round_) return;
  const PracticeRound& round = *round_;
  std::string modeName(round.mode());
  QString page = "<h2>" + tr("Round complete") + " — " +
                 html(named(roundTitle(round.exercise(), round.round()))) + "</h2>";
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
                         row.isLatest ? say("new") : QString()};
    QString open = row.isLatest ? "<td><b>" : "<td>";
    QString close = row.isLatest ? "</b></td>" : "</td>";
    page += "<tr>" + open + cells.join(close + open) + close + "</tr>";
  }
  page += "</table>";
  QStringList weak;
  if (archive_.weakKeys) {
    for (const std::string& key : archive_.weakKeys->rankedKeys(modeName)) {
      if (weak.size() == 5) break;
      weak << html(key == " " ? named("space") : key);
    }
  }
  page += "<p>" + tr("Weakest keys, all rounds: %1").arg(weak.isEmpty() ? say("none missed") : weak.join("  ")) +
          "</p>";
  if (suggestion_) {
    page += "<p><b>" +
            told(suggestionMessage(*suggestion_, choices_.exercise, archive_.jis, choices_.unit))
                .toHtmlEscaped() +
            "</b></p>";
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
    case Page::progress: {
      setWindowTitle(tr("Tavro — Progress"));
      ticker_->stop();
      std::string modeName(mode(choices_.exercise));
      std::optional<std::string> failure;
      RecentProgress recent = RecentProgress::of(archive_.attempts, modeName, failure);
      if (failure) {
        problem_ = say("Could not work out the days: {1}", {*failure});
        statusBar()->showMessage(problem_);
      }
      KeyMap keys = KeyMap::of(archive_.weakKeys.value_or(WeakKeyHistory{}), modeName, archive_.jis);
      QString next;
      if (std::optional<Suggestion> suggestion = suggest()) next = told(suggestionMessage(*suggestion, choices_.exercise, archive_.jis, choices_.unit));
      progress_->show(recent, keys, archive_.jis, choices_.unit, next);
      setFocus();
      break;
    }
    case Page::setup:
      setWindowTitle(tr("Tavro — Setup"));
      ticker_->stop();
      break;
    case Page::customText:
      setWindowTitle(tr("Tavro — Your own text"));
      ticker_->stop();
      break;
    case Page::account:
      setWindowTitle(tr("Tavro — Account"));
      ticker_->stop();
      break;
    case Page::settings:
      setWindowTitle(tr("Tavro — Settings"));
      ticker_->stop();
      // The terminal tutor may have changed them meanwhile.
      settings_->reload();
      focusFirstSetting();
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
        // The learner's own text goes back to its page, to be changed.
        bool custom = round_->exercise() == Exercise::customText;
        round_.reset();
        if (custom) customText_->tell(HostMessage("Round left; nothing was saved."));
        showPage(custom ? Page::customText : Page::home);
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
    case Page::setup:
      // The setup's own buttons and choices take the keys.
      break;
    case Page::progress:
    case Page::settings:
    case Page::customText:
    case Page::account:
      if (key == Qt::Key_Escape) {
        showPage(Page::home);
        return;
      }
      break;
    case Page::results:
      if (round_->exercise() == Exercise::customText &&
          (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_N || key == Qt::Key_A)) {
        // One round of the learner's own text: again means its page.
        showPage(Page::customText);
        return;
      }
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_N) {
        startRound(nextRound(round_->exercise(), round_->round()));
        return;
      }
      if (key == Qt::Key_A) {
        startRound(round_->round());
        return;
      }
      if (key == Qt::Key_P) {
        showPage(Page::progress);
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
