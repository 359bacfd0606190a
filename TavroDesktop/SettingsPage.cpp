#include "TavroDesktop/SettingsPage.h"

#include "TavroCore/settings/GuideSpelling.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroHost/PracticeChoices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>
#include <string_view>

namespace tavro::desktop {
namespace {

QString styleName(RomajiStyle style) {
  switch (style) {
    case RomajiStyle::hepburn:
      return SettingsPage::tr("Hepburn (shi, tsu, ja)");
    case RomajiStyle::kunrei:
      return SettingsPage::tr("Kunrei (si, tu, zya)");
    case RomajiStyle::fewestKeys:
      return SettingsPage::tr("Fewest keys");
  }
  return {};
}

QString unitName(SpeedUnit unit) {
  return unit == SpeedUnit::wordsPerMinute ? SettingsPage::tr("Words per minute (WPM)")
                                           : SettingsPage::tr("Keys per minute");
}

// The item of `box` whose data is `value`; the first when none is (a
// stored value the page cannot show is shown as the default the readers
// fall back to, which is always the first item).
void choose(QComboBox* box, const QVariant& value) {
  int index = box->findData(value);
  box->setCurrentIndex(index < 0 ? 0 : index);
}

}  // namespace

SettingsPage::SettingsPage(platform::UserDefaults& preferences, QWidget* parent)
    : QWidget(parent), preferences_(preferences) {
  interfaceLanguage_ = new QComboBox(this);
  interfaceLanguage_->setObjectName("interfaceLanguage");
  interfaceLanguage_->addItem(QStringLiteral("English"), true);
  interfaceLanguage_->addItem(QStringLiteral("日本語"), false);

  theme_ = new QComboBox(this);
  theme_->setObjectName("theme");
  for (AppearanceTheme theme : AppearanceThemes::allCases)
    theme_->addItem(q(rawValue(theme)), q(rawValue(theme)));

  guideSpelling_ = new QComboBox(this);
  guideSpelling_->setObjectName("guideSpelling");
  for (RomajiStyle style : RomajiStyles::allCases)
    guideSpelling_->addItem(styleName(style), q(rawValue(style)));

  speedUnit_ = new QComboBox(this);
  speedUnit_->setObjectName("speedUnit");
  for (SpeedUnit unit : SpeedUnits::allCases)
    speedUnit_->addItem(unitName(unit), q(rawValue(unit)));

  keyboard_ = new QCheckBox(tr("Show the keyboard while practising"), this);
  keyboard_->setObjectName("keyboard");
  guideLines_ = new QCheckBox(this);
  guideLines_->setObjectName("guideLines");

  auto* form = new QFormLayout;
  form->addRow(tr("Language (interface)"), interfaceLanguage_);
  form->addRow(tr("Theme"), theme_);
  form->addRow(tr("Romaji guide"), guideSpelling_);
  form->addRow(tr("Speed"), speedUnit_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(keyboard_);
  layout->addWidget(guideLines_);
  layout->addStretch();

  // currentIndexChanged and toggled fire for programmatic changes too;
  // reload() blocks them, so only the learner's changes are stored.
  connect(interfaceLanguage_, &QComboBox::currentIndexChanged, this, [this] {
    keep([this] { preferences_.set(PracticeChoices::interfaceKey, englishInterface()); });
  });
  connect(theme_, &QComboBox::currentIndexChanged, this,
          [this] { keep([this] { AppearanceThemes::save(theme(), preferences_); }); });
  connect(guideSpelling_, &QComboBox::currentIndexChanged, this,
          [this] { keep([this] { GuideSpelling::save(guideStyle(), preferences_); }); });
  connect(speedUnit_, &QComboBox::currentIndexChanged, this,
          [this] { keep([this] { SpeedUnits::save(unit(), preferences_); }); });
  connect(keyboard_, &QCheckBox::toggled, this, [this](bool checked) {
    keep([&] { preferences_.set(PracticeChoices::keyboardKey, checked); });
  });
  connect(guideLines_, &QCheckBox::toggled, this, [this](bool checked) {
    keep([&] { TavroLanguages::saveShowRomaji(language_, checked, preferences_); });
  });

  reload();
}

void SettingsPage::reload() {
  const QSignalBlocker blockInterface(interfaceLanguage_);
  const QSignalBlocker blockTheme(theme_);
  const QSignalBlocker blockSpelling(guideSpelling_);
  const QSignalBlocker blockUnit(speedUnit_);
  const QSignalBlocker blockKeyboard(keyboard_);
  const QSignalBlocker blockGuides(guideLines_);

  PracticeChoices choices = PracticeChoices::read(preferences_);
  language_ = TavroLanguages::saved(preferences_);
  choose(interfaceLanguage_, choices.englishInterface);
  choose(theme_, q(rawValue(choices.theme)));
  choose(guideSpelling_, q(rawValue(choices.guideStyle)));
  choose(speedUnit_, q(rawValue(choices.unit)));
  keyboard_->setChecked(choices.showKeyboard);

  // English prompts have no romanized line, so there is nothing to switch.
  bool hasLine = TavroLanguages::showsRomanizedPrompt(language_);
  guideLines_->setEnabled(hasLine);
  guideLines_->setChecked(hasLine && choices.showGuides);
  guideLines_->setText(hasLine ? tr("Show the romanized line under the prompt (%1)")
                                     .arg(q(TavroLanguages::label(language_)))
                               : tr("English prompts have no romanized line"));
}

bool SettingsPage::englishInterface() const {
  return interfaceLanguage_->currentData().toBool();
}

AppearanceTheme SettingsPage::theme() const {
  return AppearanceThemes::fromSavedValue(theme_->currentData().toString().toStdString());
}

RomajiStyle SettingsPage::guideStyle() const {
  return fromRawValue<RomajiStyle>(guideSpelling_->currentData().toString().toStdString())
      .value_or(RomajiStyles::defaultStyle);
}

SpeedUnit SettingsPage::unit() const {
  return fromRawValue<SpeedUnit>(speedUnit_->currentData().toString().toStdString())
      .value_or(SpeedUnit::keysPerMinute);
}

bool SettingsPage::showKeyboard() const {
  return keyboard_->isChecked();
}

bool SettingsPage::showGuides() const {
  return !TavroLanguages::showsRomanizedPrompt(language_) || guideLines_->isChecked();
}

void SettingsPage::keep(const std::function<void()>& store) {
  try {
    store();
  } catch (const std::exception& error) {
    // The control keeps the learner's choice; it holds for this session.
    emit problem(tr("Could not save the preference: %1").arg(QString::fromUtf8(error.what())));
  }
  emit changed();
}

}  // namespace tavro::desktop
