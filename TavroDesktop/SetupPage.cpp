#include "TavroDesktop/SetupPage.h"

#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SetupKeyboardPreview.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/KeyboardPreview.h"
#include "TavroDesktop/PageTitle.h"
#include "TavroDesktop/ThemePalette.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/SetupFlow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <exception>
#include <optional>
#include <string_view>
#include <utility>

namespace tavro::desktop {
namespace {

QLabel* paragraph(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  return label;
}

// A sample of practice in a theme: a prompt, its reading and its romaji
// with the typed part in the highlight colour, as the practice page shows
// them.
QString themeSample(const QPalette& palette) {
  return QStringLiteral(
             "<span style='font-size:15pt'>学校</span><br>がっこう<br>"
             "<span style='background:%1; color:%2'>gak</span>kou")
      .arg(palette.color(QPalette::Highlight).name(),
           palette.color(QPalette::HighlightedText).name());
}

}  // namespace

SetupPage::SetupPage(platform::UserDefaults& preferences, Archive& archive, std::string archiveFile,
                     const QPalette& system, QWidget* parent)
    : QWidget(parent),
      preferences_(preferences),
      archive_(archive),
      archiveFile_(std::move(archiveFile)),
      system_(system) {
  title_ = pageTitle(this);
  title_->setObjectName("setupTitle");

  steps_ = new QStackedWidget(this);
  buildWelcome();
  buildKeyboard();
  buildGuidance();
  buildAppearance();
  buildAccount();

  back_ = new QPushButton(this);
  back_->setObjectName("setupBack");
  next_ = new QPushButton(this);
  next_->setObjectName("setupNext");
  next_->setDefault(true);
  connect(back_, &QPushButton::clicked, this, [this] { move(-1); });
  connect(next_, &QPushButton::clicked, this, [this] { move(1); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(steps_, 1);
  layout->addLayout(buttons);

  showSetup();
  retranslate();
}

void SetupPage::buildWelcome() {
  auto* page = new QWidget(steps_);
  welcome_ = paragraph(page);
  languageQuestion_ = paragraph(page);
  language_ = new QComboBox(page);
  language_->setObjectName("setupLanguage");
  for (TavroLanguage language : TavroLanguages::allCases)
    language_->addItem(QString(), static_cast<int>(language));
  languageLabel_ = new QLabel(page);
  auto* form = new QFormLayout;
  form->addRow(languageLabel_, language_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(welcome_);
  layout->addWidget(languageQuestion_);
  layout->addLayout(form);
  layout->addStretch();
  steps_->addWidget(page);
  connect(language_, &QComboBox::currentIndexChanged, this, [this](int index) {
    setup_.language = TavroLanguages::allCases.at(static_cast<std::size_t>(index));
    refreshKeyboard();
    showSetup();
    keepDraft();
  });
}

void SetupPage::buildKeyboard() {
  auto* page = new QWidget(steps_);
  layoutQuestion_ = paragraph(page);
  layout_ = new QComboBox(page);
  layout_->setObjectName("setupLayout");
  layout_->addItem(QString(), false);
  layout_->addItem(QString(), true);
  layoutLabel_ = new QLabel(page);
  keyboard_ = new KeyboardPreview(page);
  keyboard_->setObjectName("setupKeyboard");
  examplesCaption_ = paragraph(page);
  examples_ = new QLabel(page);
  examples_->setObjectName("setupExamples");
  examples_->setTextFormat(Qt::RichText);
  auto* form = new QFormLayout;
  form->addRow(layoutLabel_, layout_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(layoutQuestion_);
  layout->addLayout(form);
  layout->addWidget(keyboard_, 0, Qt::AlignHCenter);
  layout->addWidget(examplesCaption_);
  layout->addWidget(examples_);
  layout->addStretch();
  steps_->addWidget(page);
  connect(layout_, &QComboBox::currentIndexChanged, this, [this] {
    setup_.usesJIS = layout_->currentData().toBool();
    refreshKeyboard();
    keepDraft();
  });
}

void SetupPage::buildGuidance() {
  auto* page = new QWidget(steps_);
  guidanceQuestion_ = paragraph(page);
  guideLines_ = new QCheckBox(page);
  guideLines_->setObjectName("setupGuideLines");
  guideLinesNote_ = paragraph(page);
  keyboardGuide_ = new QCheckBox(page);
  keyboardGuide_->setObjectName("setupKeyboardGuide");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(guidanceQuestion_);
  layout->addWidget(guideLines_);
  layout->addWidget(guideLinesNote_);
  layout->addWidget(keyboardGuide_);
  layout->addStretch();
  steps_->addWidget(page);
  connect(guideLines_, &QCheckBox::toggled, this, [this](bool on) {
    setup_.showRomaji = on;
    keepDraft();
  });
  connect(keyboardGuide_, &QCheckBox::toggled, this, [this](bool on) {
    setup_.showKeyboardGuide = on;
    keepDraft();
  });
}

void SetupPage::buildAppearance() {
  auto* page = new QWidget(steps_);
  themeQuestion_ = paragraph(page);
  themes_ = new QButtonGroup(page);
  auto* grid = new QGridLayout;
  int index = 0;
  // Each theme is shown as practice looks in it, so the learner sees the
  // colours before choosing rather than after.
  for (AppearanceTheme theme : AppearanceThemes::allCases) {
    auto* tile = new QFrame(page);
    tile->setObjectName("themeTile");
    tile->setFrameShape(QFrame::StyledPanel);
    themeTiles_.push_back(tile);
    tile->setAutoFillBackground(true);
    QPalette colours = themePalette(theme, system_);
    tile->setPalette(colours);
    auto* choice = new QRadioButton(tile);
    choice->setObjectName(QStringLiteral("setupTheme-") + q(rawValue(theme)));
    themes_->addButton(choice, index);
    auto* sample = new QLabel(themeSample(colours), tile);
    sample->setTextFormat(Qt::RichText);
    auto* inside = new QVBoxLayout(tile);
    inside->addWidget(choice);
    inside->addWidget(sample);
    grid->addWidget(tile, index / 4, index % 4);
    ++index;
  }
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(themeQuestion_);
  layout->addLayout(grid);
  layout->addStretch();
  steps_->addWidget(page);
  connect(themes_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (!on) return;
    setup_.theme = AppearanceThemes::allCases.at(static_cast<std::size_t>(id));
    markChosenTheme();
    keepDraft();
  });
}

void SetupPage::buildAccount() {
  auto* page = new QWidget(steps_);
  account_ = paragraph(page);
  account_->setObjectName("setupAccount");
  account_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(account_);
  layout->addStretch();
  steps_->addWidget(page);
}

bool SetupPage::needed(bool archiveFound, const platform::UserDefaults& preferences) {
  return FirstLaunchSetup::shouldPresent(archiveFound, preferences);
}

bool SetupPage::begin(bool archiveFound) {
  std::optional<BegunSetup> begun = beginSetup(archiveFound, preferences_);
  if (!begun) return false;
  if (begun->storeFailure)
    emit problem(say("Could not save the preference: {1}", {*begun->storeFailure}));
  setup_ = begun->setup;
  next_->setEnabled(true);
  showSetup();
  retranslate();
  return true;
}

void SetupPage::showSetup() {
  const QSignalBlocker blockLanguage(language_);
  const QSignalBlocker blockLayout(layout_);
  const QSignalBlocker blockGuides(guideLines_);
  const QSignalBlocker blockKeyboard(keyboardGuide_);
  const QSignalBlocker blockThemes(themes_);
  language_->setCurrentIndex(static_cast<int>(setup_.language));
  layout_->setCurrentIndex(setup_.usesJIS ? 1 : 0);
  // English prompts have no guide lines to offer, only the keyboard.
  bool offersGuideLines = setupOffersGuideLines(setup_);
  guideLines_->setVisible(offersGuideLines);
  guideLinesNote_->setVisible(offersGuideLines);
  guideLines_->setChecked(setup_.showRomaji);
  keyboardGuide_->setChecked(setup_.showKeyboardGuide);
  if (QAbstractButton* theme = themes_->button(static_cast<int>(setup_.theme)))
    theme->setChecked(true);
  markChosenTheme();
  steps_->setCurrentIndex(static_cast<int>(rawValue(setup_.step) - 1));
  back_->setEnabled(setup_.step != SetupStep::welcome);
  refreshKeyboard();
  retranslate();
}

void SetupPage::markChosenTheme() {
  // A theme's own radio button may barely show on its own colours, so the
  // chosen tile is framed in the page's highlight as well.
  QString frame = QStringLiteral("QFrame#themeTile { border: 3px solid %1; }")
                      .arg(palette().color(QPalette::Highlight).name());
  for (std::size_t i = 0; i < themeTiles_.size(); ++i)
    themeTiles_[i]->setStyleSheet(static_cast<int>(i) == themes_->checkedId() ? frame : QString());
}

void SetupPage::refreshKeyboard() {
  keyboard_->show(setup_.usesJIS, setup_.language);
  // Each character over the keys that type it, as a small table.
  QString characters;
  QString guides;
  for (const SetupKeyboardPreview::Example& example :
       SetupKeyboardPreview::layoutExamples(setup_.language, setup_.usesJIS)) {
    characters +=
        QStringLiteral("<td align='center' style='font-size:20pt; padding:0 18px'>%1</td>")
            .arg(q(example.text).toHtmlEscaped());
    guides += QStringLiteral("<td align='center' style='padding:0 18px'>%1</td>")
                  .arg(q(example.guide).toHtmlEscaped());
  }
  examples_->setText(
      QStringLiteral("<table><tr>%1</tr><tr>%2</tr></table>").arg(characters, guides));
}

void SetupPage::retranslate() {
  title_->setText(say("Tavro · Welcome   ({1}/5)", {std::to_string(rawValue(setup_.step))}));
  welcome_->setText(say("Welcome to Tavro, a touch-typing tutor."));
  languageQuestion_->setText(say("Which language do you want to practise?"));
  languageLabel_->setText(say("Language"));
  for (int i = 0; i < language_->count(); ++i)
    language_->setItemText(
        i, say(TavroLanguages::label(TavroLanguages::allCases.at(static_cast<std::size_t>(i)))));

  layoutQuestion_->setText(say("Which keyboard do you type on?"));
  layoutLabel_->setText(say("Keyboard"));
  layout_->setItemText(0, say("US (ANSI)"));
  layout_->setItemText(1, say("JIS (Japanese)"));
  examplesCaption_->setText(
      say(setup_.language == TavroLanguage::japanese
                ? "With kana keys on this layout, these are typed so:"
                : (setup_.language == TavroLanguage::english
                       ? "Characters typed with Shift on this layout:"
                       : "Devanagari letters and the Latin keys that type them:")));

  guidanceQuestion_->setText(say("What should practice show you?"));
  guideLines_->setText(say("Guide lines"));
  guideLinesNote_->setText(
      say("Guide lines: the reading and its romaji under Japanese prompts, the roman letters "
            "under Nepali ones."));
  keyboardGuide_->setText(say("Show the keyboard while practising"));

  themeQuestion_->setText(say("Pick the colours. System keeps your desktop's own."));
  for (AppearanceTheme theme : AppearanceThemes::allCases)
    themes_->button(static_cast<int>(theme))->setText(say(rawValue(theme)));

  account_->setText(say("Your scores stay on this computer, in {1}.", {archiveFile_}) +
                    QStringLiteral("\n\n") +
                    say("Signed in, Sync Now keeps them in your account too. You can sign in "
                          "later, from the account page.") +
                    QStringLiteral("\n\n") + say("Sign in later: Finish starts practising."));

  back_->setText(say("Back"));
  next_->setText(setup_.step == SetupStep::account ? say("Finish") : say("Next"));
}

void SetupPage::move(int offset) {
  if (offset > 0 && setup_.step == SetupStep::account) {
    // Finished once: a second press would write the choices again over
    // whatever the learner changes next.
    next_->setEnabled(false);
    back_->setEnabled(false);
    if (std::optional<std::string> failure = finishSetup(setup_, archive_, preferences_))
      emit problem(say("Could not save the preference: {1}", {*failure}));
    emit finished();
    return;
  }
  setup_.step = SetupSteps::moving(setup_.step, offset);
  showSetup();
  keepDraft();
}

void SetupPage::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && next_->isEnabled()) {
    move(1);
    return;
  }
  QWidget::keyPressEvent(event);
}

void SetupPage::keepDraft() {
  // Every change is kept, so a setup left half-way resumes where it stopped.
  keep([this] { setup_.saveDraft(preferences_); });
}

void SetupPage::keep(const std::function<void()>& write) {
  try {
    write();
  } catch (const std::exception& error) {
    emit problem(say("Could not save the preference: {1}", {error.what()}));
  }
}

}  // namespace tavro::desktop
