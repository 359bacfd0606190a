#include "TavroTerminal/Tutor.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/input/Romaji.h"
#include "TavroCore/settings/GuideSpelling.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SetupKeyboardPreview.h"
#include "TavroCore/settings/UIStrings.h"
#include "TavroTerminal/AccountFiles.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroTerminal/TutorStrings.h"

#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/TavroBackup.h"

#include "TavroCore/account/AccountManagement.h"

#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <stdexcept>
#include <cstdio>
#include <exception>
#include <sstream>

namespace tavro::terminal {
namespace {

constexpr std::string_view keyboardKey = "showJapaneseKeyboardGuide";
// The interface language of this host: true for English, false for Japanese.
constexpr std::string_view interfaceKey = "interfaceEnglish";
// The round chosen last, so that a restart offers it again.
constexpr std::string_view roundKey = "terminalRound";
// A copy of the archive's layout, so that the layout survives an archive
// that was damaged and set aside (older versions read it from the archive).
constexpr std::string_view layoutKey = "terminalUsesJIS";

std::string fingerName(Finger finger) {
  std::string raw(rawValue(finger));
  std::string result;
  for (char c : raw) {
    if (c >= 'A' && c <= 'Z') {
      result += ' ';
      result += static_cast<char>(c - 'A' + 'a');
    } else {
      result += c;
    }
  }
  return result + (finger == Finger::thumb ? "" : " finger");
}

// A label as printed on a key cap: letters upper-case.
std::string capLabel(std::string_view label) {
  if (label.size() == 1 && label[0] >= 'a' && label[0] <= 'z') {
    return std::string(1, static_cast<char>(label[0] - 'a' + 'A'));
  }
  if (label == Keyboard::jisShiftZero) return "0";
  return std::string(label);
}

std::string keyName(std::string_view key, bool english) {
  if (key == " ") return TutorStrings::text("space", english);
  if (key == "\n") return "Enter";
  return capLabel(key);
}

struct Span {
  std::string text;
  Style style;
};

// Writes spans from (row, left) in lines that end before `right`, at most
// `maxRows` of them. A line breaks at its last space (the space itself is
// not drawn), or inside a word only when the word alone is wider than a
// line, as Japanese text without spaces is. Text that does not fit in the
// rows is never cut silently: the last row ends in "…". Returns the rows used.
int putWrapped(Frame& frame, int row, int left, int right, const std::vector<Span>& spans,
               int maxRows) {
  struct Piece {
    std::string_view text;
    Style style;
    int width;
  };
  std::vector<Piece> pieces;
  for (const Span& span : spans) {
    std::size_t start = 0;
    for (std::size_t end : text::characterEnds(span.text)) {
      std::string_view character(span.text.data() + start, end - start);
      pieces.push_back({character, span.style, Frame::displayWidth(character)});
      start = end;
    }
  }
  const int room = right - left;
  static const int ellipsisWidth = Frame::displayWidth("…");
  auto draw = [&](std::size_t from, std::size_t to, int at) {
    int column = left;
    for (std::size_t i = from; i < to; ++i) column = frame.put(at, column, pieces[i].text, pieces[i].style);
    return column;
  };
  std::size_t next = 0;
  int used = 0;
  while (next < pieces.size() && used < maxRows) {
    // The pieces that fit on this row.
    std::size_t end = next;
    int width = 0;
    while (end < pieces.size() && width + pieces[end].width <= room) width += pieces[end++].width;
    if (end == pieces.size()) {
      draw(next, end, row + used++);
      return used;
    }
    if (used + 1 == maxRows) {
      // The last row: as much as leaves room for the mark of the cut.
      while (end > next && width + ellipsisWidth > room) width -= pieces[--end].width;
      // Cut after a whole word where the row has one.
      for (std::size_t i = end; i > next + 1; --i) {
        if (pieces[i - 1].text == " ") {
          end = i - 1;
          break;
        }
      }
      int column = draw(next, end, row + used++);
      frame.put(row + used - 1, column, "…", end > next ? pieces[end - 1].style : pieces[next].style);
      return used;
    }
    std::size_t cut = end;
    std::size_t resume = end;
    if (pieces[end].text == " ") {
      resume = end + 1;
    } else {
      for (std::size_t i = end; i > next; --i) {
        if (pieces[i - 1].text == " ") {
          cut = i - 1;
          resume = i;
          break;
        }
      }
    }
    if (cut == next && resume == next) {  // nothing fits: one character per row
      cut = resume = next + 1;
    }
    draw(next, cut, row + used++);
    next = resume;
  }
  return std::max(used, 1);
}

// A sample of how practice looks in the theme shown: "ka" typed, "s" next
// with its key marked on the keyboard, and a key that was not next.
void putThemeSample(Frame& frame, int row, bool english) {
  int column = frame.put(row, 3, "ka", Style::done);
  column = frame.put(row, column, "s", Style::active);
  column = frame.put(row, column, "a", Style::dim);
  column = frame.put(row, column + 3, " S ", Style::target);
  column = frame.put(row, column + 1, "D", Style::ghost);
  frame.put(row, column + 3, TutorStrings::text("x  {1} is not next", english, {"Q"}),
            Style::rejected);
}

std::string shortScore(const Attempt& attempt, bool english, SpeedUnit unit) {
  char accuracy[24];
  std::snprintf(accuracy, sizeof accuracy, "%3.0f%%", attempt.accuracy());
  return shortSpeedText(attempt.cpm(), english, unit) + " " + accuracy;
}

}  // namespace

Tutor::Tutor(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences)
    : paths_(std::move(paths)),
      archive_(std::move(loaded.archive)),
      canSave_(loaded.canSave),
      notices_(loaded.notice ? std::vector{*loaded.notice} : std::vector<TutorStrings::Message>{}),
      preferences_(preferences) {
  readPreferences();
  // The theme moved from the archive to the preferences: an archive that
  // was read hands its theme over once; a damaged one has none to give.
  std::optional<std::string_view> archived;
  if (loaded.found && canSave_ && notices_.empty()) archived = archive_.appearance;
  remember([&] { theme_ = AppearanceThemes::savedOrAdopted(preferences_, archived); });
  // A readable archive holds the layout of record; without one (damaged,
  // unreadable, gone) the copy in the preferences keeps the learner's.
  if (loaded.found && canSave_ && notices_.empty()) {
    if (preferences_.boolean(layoutKey) != archive_.jis) rememberLayout();
  } else if (std::optional<bool> jis = preferences_.boolean(layoutKey)) {
    archive_.jis = *jis;
  }
  account_ = AccountState::load(preferences_);
  invalidProfile_ = account_.profile && !account_.profile->valid();
  token_ = readToken(tokenFile(paths_.configFolder));
  LoadedAttemptOwners owners = loadAttemptOwners(attemptOwnersFile(paths_.dataFolder));
  owners_ = std::move(owners.owners);
  ownersUsable_ = owners.usable;
  if (owners.notice) notices_.push_back(std::move(*owners.notice));
  if (FirstLaunchSetup::shouldPresent(loaded.found, preferences_)) {
    remember([&] { FirstLaunchSetup::markStarted(preferences_); });
    setup_ = FirstLaunchSetup::draft(preferences_);
    screen_ = Screen::setup;
  }
  focusRound();
}

void Tutor::focusRound() {
  std::int64_t shown = std::min(round_, rounds(exercise_));
  focus_ = homeItems().size() - static_cast<std::size_t>(rounds(exercise_)) +
           static_cast<std::size_t>(shown - 1);
}

void Tutor::readPreferences() {
  TavroLanguage language = TavroLanguages::saved(preferences_);
  exercise_ = savedExercise(language, preferences_);
  level_ = JLPTLevels::saved(preferences_);
  showGuides_ =
      language == TavroLanguage::english || TavroLanguages::savedShowRomaji(language, preferences_);
  showKeyboard_ = preferences_.boolean(keyboardKey).value_or(true);
  english_ = preferences_.boolean(interfaceKey).value_or(true);
  guideStyle_ = GuideSpelling::saved(preferences_);
  unit_ = SpeedUnits::saved(preferences_, language);
  theme_ = AppearanceThemes::saved(preferences_);
  std::int64_t round = preferences_.integer(roundKey).value_or(1);
  round_ = round >= 1 && round <= roundCount ? round : 1;
}

std::vector<Tutor::Item> Tutor::homeItems() const {
  std::vector<Item> items = {Item::language, Item::input};
  if (usesLevel(exercise_)) items.push_back(Item::level);
  items.push_back(Item::layout);
  if (language(exercise_) != TavroLanguage::english) items.push_back(Item::guides);
  items.push_back(Item::keyboard);
  for (std::int64_t round = 1; round <= rounds(exercise_); ++round) items.push_back(Item::round);
  return items;
}

void Tutor::handle(const Key& key, double now) {
  if (key.kind == Key::Kind::interrupt) {
    finished_ = true;
    return;
  }
  // Keys act on what the learner sees: behind the size notice, nothing.
  if (sizeNotice_) return;
  if (key.kind == Key::Kind::paste && screen_ != Screen::customText) {
    // Only the text screen takes a paste whole; elsewhere it is its
    // characters typed one by one, line breaks as Enter.
    pasting_ = true;
    for (const std::string& character : text::graphemes(withoutTerminalEscapes(key.text))) {
      if (finished_ || sizeNotice_) break;
      if (character == "\r" || character == "\n" || character == "\r\n") {
        handle(Key::of(Key::Kind::enter), now);
      } else if (character == "\t") {
        handle(Key::of(Key::Kind::tab), now);
      } else if (!text::isControlOrFormat(text::codePoints(character).front())) {
        handle(Key::character(character), now);
      }
    }
    pasting_ = false;
    return;
  }
  std::int64_t round = round_;
  dispatch(key, now);
  if (round_ != round) remember([&] { preferences_.set(roundKey, round_); });
}

void Tutor::dispatch(const Key& key, double now) {
  switch (screen_) {
    case Screen::home:
      handleHome(key, now);
      break;
    case Screen::practice:
      handlePractice(key, now);
      break;
    case Screen::results:
      handleResults(key, now);
      break;
    case Screen::settings:
      handleSettings(key);
      break;
    case Screen::setup:
      handleSetup(key);
      break;
    case Screen::account:
      handleAccount(key);
      break;
    case Screen::customText:
      switch (custom_.handle(key)) {
        case CustomTextEditor::Action::leave:
          screen_ = Screen::home;
          break;
        case CustomTextEditor::Action::practise:
          startCustomText();
          break;
        case CustomTextEditor::Action::none:
          break;
      }
      break;
  }
}

void Tutor::handleHome(const Key& key, double) {
  std::vector<Item> items = homeItems();
  std::size_t firstRound = items.size() - static_cast<std::size_t>(rounds(exercise_));
  status_.clear();
  switch (key.kind) {
    case Key::Kind::up:
      focus_ = focus_ == 0 ? items.size() - 1 : focus_ - 1;
      break;
    case Key::Kind::down:
    case Key::Kind::tab:
      focus_ = (focus_ + 1) % items.size();
      break;
    case Key::Kind::left:
    case Key::Kind::right:
      if (items[focus_] == Item::round) {
        focus_ = firstRound;
      } else {
        change(items[focus_], key.kind == Key::Kind::left ? -1 : 1);
      }
      break;
    case Key::Kind::enter:
      if (exercise_ == Exercise::customText) {
        screen_ = Screen::customText;
      } else {
        start(round_);
      }
      break;
    case Key::Kind::text:
      if (key.text.size() == 1 && key.text[0] >= '1' && key.text[0] < '1' + rounds(exercise_)) {
        round_ = key.text[0] - '0';
        focus_ = firstRound + static_cast<std::size_t>(round_ - 1);
      } else if (key.text == "s" || key.text == "S") {
        screen_ = Screen::settings;
        settingsFocus_ = 0;
      } else if (key.text == "a" || key.text == "A") {
        openAccount();
      } else if (key.text == "q" || key.text == "Q") {
        finished_ = true;
      } else if (key.text == " ") {
        if (items[focus_] != Item::round) change(items[focus_], 1);
      }
      break;
    default:
      break;
  }
  items = homeItems();
  focus_ = std::min(focus_, items.size() - 1);
  firstRound = items.size() - static_cast<std::size_t>(rounds(exercise_));
  if (focus_ >= firstRound) round_ = static_cast<std::int64_t>(focus_ - firstRound) + 1;
}

void Tutor::change(Item item, int step) {
  auto cycle = [step](std::size_t index, std::size_t count) {
    return (index + count + static_cast<std::size_t>(step + static_cast<int>(count))) % count;
  };
  std::vector<Item> before = homeItems();
  switch (item) {
    case Item::language: {
      std::size_t index = static_cast<std::size_t>(language(exercise_));
      TavroLanguage next = TavroLanguages::allCases[cycle(index, TavroLanguages::allCases.size())];
      remember([&] { TavroLanguages::save(next, preferences_); });
      exercise_ = savedExercise(next, preferences_);
      showGuides_ =
          next == TavroLanguage::english || TavroLanguages::savedShowRomaji(next, preferences_);
      unit_ = SpeedUnits::saved(preferences_, next);  // the language's default until one is chosen
      break;
    }
    case Item::input: {
      std::vector<Exercise> choices = exercises(language(exercise_));
      std::size_t index = static_cast<std::size_t>(
          std::find(choices.begin(), choices.end(), exercise_) - choices.begin());
      exercise_ = choices[cycle(index, choices.size())];
      remember([&] { saveInput(exercise_, preferences_); });
      break;
    }
    case Item::level: {
      std::size_t index = static_cast<std::size_t>(level_);
      level_ = JLPTLevels::allCases[cycle(index, JLPTLevels::allCases.size())];
      remember([&] { JLPTLevels::save(level_, preferences_); });
      break;
    }
    case Item::layout:
      archive_.jis = !archive_.jis;
      rememberLayout();
      save();
      break;
    case Item::guides:
      showGuides_ = !showGuides_;
      remember(
          [&] { TavroLanguages::saveShowRomaji(language(exercise_), showGuides_, preferences_); });
      break;
    case Item::keyboard:
      showKeyboard_ = !showKeyboard_;
      remember([&] { preferences_.set(keyboardKey, showKeyboard_); });
      break;
    case Item::round:
      break;
  }
  // Keep the focus on the item that was changed when items come and go.
  std::vector<Item> after = homeItems();
  if (after.size() != before.size()) {
    auto at = std::find(after.begin(), after.end(), item);
    focus_ = at == after.end() ? 0 : static_cast<std::size_t>(at - after.begin());
  }
}

void Tutor::remember(const std::function<void()>& change) {
  try {
    change();
  } catch (const std::exception& error) {
    // The choice still holds for this session.
    status_ = t("Could not save the preference: {1}", {error.what()});
  }
}

void Tutor::rememberLayout() {
  remember([&] { preferences_.set(layoutKey, archive_.jis); });
}

bool Tutor::kanaInput() const {
  if (language(exercise_) == TavroLanguage::japanese) return exercise_ == Exercise::japaneseKana;
  return savedExercise(TavroLanguage::japanese, preferences_) == Exercise::japaneseKana;
}

std::string Tutor::weakKeysFor(Exercise exercise) const {
  if (!archive_.weakKeys) return "";
  return weakKeyText(archive_.weakKeys->rankedKeys(mode(exercise)));
}

void Tutor::start(std::int64_t round) {
  std::vector<RoundPrompt> list =
      prompts(exercise_, level_, round, weakKeysFor(exercise_), archive_.jis);
  if (list.empty()) {
    status_ = t("This round has no prompts.");
    return;
  }
  round_ = round;
  practice_.emplace(exercise_, round, archive_.jis, std::move(list));
  practice_->setGuideStyle(guideStyle_);
  pausedSeconds_ = 0;
  confirmLeave_ = false;
  screen_ = Screen::practice;
  status_.clear();
}

void Tutor::startCustomText() {
  std::vector<RoundPrompt> list;
  for (const JapanesePrompt& prompt : custom_.prompts()) list.push_back({prompt, std::nullopt});
  if (list.empty()) {
    screen_ = Screen::customText;
    return;
  }
  practise(PracticeRound(Exercise::customText, 1, archive_.jis, std::move(list)));
}

void Tutor::practise(PracticeRound round) {
  round_ = round.round();
  practice_.emplace(std::move(round));
  practice_->setGuideStyle(guideStyle_);
  pausedSeconds_ = 0;
  confirmLeave_ = false;
  screen_ = Screen::practice;
  status_.clear();
}

void Tutor::handlePractice(const Key& key, double now) {
  PracticeRound& round = *practice_;
  if (confirmLeave_) {
    // Only a deliberate y throws the typed words away; any other key (a
    // stray Escape again among them) keeps the round and is not typed.
    confirmLeave_ = false;
    status_.clear();
    if (key.kind == Key::Kind::text && (key.text == "y" || key.text == "Y")) leaveRound();
    return;
  }
  PracticeRound::Outcome outcome = PracticeRound::Outcome::ignored;
  switch (key.kind) {
    case Key::Kind::escape:
      // Nothing typed yet: nothing to lose. Otherwise one stray key must not
      // throw the round away: ask first.
      if (!round.session().startedAt()) {
        leaveRound();
      } else {
        confirmLeave_ = true;
        status_ = t("Leave this round? What you typed is not kept. y leave · any other key "
                    "goes on");
      }
      return;
    case Key::Kind::backspace:
      status_ = t("Nothing to erase: a wrong key is never typed into the prompt.");
      return;
    case Key::Kind::enter:
      // Enter only confirms a word that is complete but could take more.
      if (round.matcher().complete()) outcome = round.type("\n", roundClock(now));
      break;
    case Key::Kind::text:
      status_.clear();
      outcome = round.type(key.text, roundClock(now));
      break;
    default:
      return;
  }
  if (round.isComplete()) finishRound(now, outcome == PracticeRound::Outcome::accepted);
}

void Tutor::leaveRound() {
  // Leaving a round keeps nothing of it: no attempt, no weak keys.
  // The learner's own text goes back to its screen for another try.
  status_ = t("Round left; nothing was saved.");
  screen_ = practice_->exercise() == Exercise::customText ? Screen::customText : Screen::home;
  // The text screen keeps its messages in English and shows them in the
  // language chosen when it draws.
  if (screen_ == Screen::customText) custom_.tell("Round left; nothing was saved.");
  practice_.reset();
  confirmLeave_ = false;
}

void Tutor::finishRound(double now, bool lastKeyTyped) {
  const PracticeRound& round = *practice_;
  std::optional<Attempt> attempt = round.session().attempt(
      std::string(round.mode()), round.round(), levelOf(round.mode(), round.round()));
  if (!attempt) return;
  screen_ = Screen::results;
  roundEndedAt_ = now;
  lastWordMayContinue_ = lastKeyTyped;
  archive_.attempts.push_back(*attempt);
  if (std::optional<TutorStrings::Message> refusal = archiveBeyondBounds(archive_, bounds_)) {
    // Kept, the round would make the whole archive unreadable at the next
    // start; nothing of it is kept, weak keys included.
    archive_.attempts.pop_back();
    latest_.reset();
    saveFailure_ = t("This round was not kept: {1}", {refusal->text(english_)});
    return;
  }
  latest_ = attempt->id();
  if (!archive_.weakKeys) archive_.weakKeys = WeakKeyHistory{};
  archive_.weakKeys->merge(round.keyHistory());
  // Made while signed in, it is that account's, whoever held the others.
  if (signedIn()) owners_.claim(account_.profile->id, {*attempt});
  save();
  if (!saveFailure_ && canSave_ && ownersUsable_ && signedIn()) {
    if (std::optional<std::string> failure =
            saveAttemptOwners(owners_, archive_.attempts, attemptOwnersFile(paths_.dataFolder)))
      saveFailure_ = t("Could not record which account this round belongs to: {1}", {*failure});
  }
}

void Tutor::save() {
  if (!canSave_) {
    saveFailure_ = t("Scores are not saved this session: the archive on disk could not be read.");
    return;
  }
  saveFailure_ = saveArchive(archive_, paths_.archive());
  if (saveFailure_)
    saveFailure_ = t("Could not save the scores: {1}. They are kept until the next save.",
                     {*saveFailure_});
}

AppearanceTheme Tutor::theme() const {
  // The setup's choice shows at once, so its theme step previews each theme.
  if (setup_) return setup_->theme;
  return theme_;
}

std::optional<std::string_view> Tutor::levelOf(std::string_view mode, std::int64_t round) const {
  if (!JLPTCurriculum::usesLevel(mode, round)) return std::nullopt;
  return rawValue(level_);
}

std::string Tutor::t(std::string_view english) const {
  return TutorStrings::text(english, english_);
}

std::string Tutor::t(std::string_view pattern, std::initializer_list<std::string> values) const {
  return TutorStrings::text(pattern, english_, values);
}

namespace {

// The settings screen's lines, in order.
enum class Setting { interface, theme, guide, speed };
constexpr std::array<Setting, 4> settingLines = {Setting::interface, Setting::theme,
                                                 Setting::guide, Setting::speed};

template <typename T, std::size_t N>
T cycled(const std::array<T, N>& all, T current, int step) {
  std::size_t index = static_cast<std::size_t>(std::find(all.begin(), all.end(), current) - all.begin());
  return all[(index + N + static_cast<std::size_t>(step + static_cast<int>(N))) % N];
}

std::string_view styleName(RomajiStyle style) {
  switch (style) {
    case RomajiStyle::hepburn:
      return "Hepburn (shi, tsu, ja)";
    case RomajiStyle::kunrei:
      return "Kunrei (si, tu, zya)";
    case RomajiStyle::fewestKeys:
      return "Fewest keys";
  }
  return "";
}

}  // namespace

void Tutor::handleSettings(const Key& key) {
  constexpr std::size_t itemCount = settingLines.size();
  status_.clear();
  switch (key.kind) {
    case Key::Kind::up:
      settingsFocus_ = (settingsFocus_ + itemCount - 1) % itemCount;
      break;
    case Key::Kind::down:
    case Key::Kind::tab:
      settingsFocus_ = (settingsFocus_ + 1) % itemCount;
      break;
    case Key::Kind::left:
    case Key::Kind::right: {
      int step = key.kind == Key::Kind::left ? -1 : 1;
      switch (settingLines[settingsFocus_]) {
        case Setting::interface:
          english_ = !english_;
          remember([&] { preferences_.set(interfaceKey, english_); });
          break;
        case Setting::theme:
          theme_ = cycled(AppearanceThemes::allCases, theme_, step);
          remember([&] { AppearanceThemes::save(theme_, preferences_); });
          // Older versions read the theme from the archive.
          archive_.appearance = std::string(rawValue(theme_));
          save();
          break;
        case Setting::guide:
          guideStyle_ = cycled(RomajiStyles::allCases, guideStyle_, step);
          remember([&] { GuideSpelling::save(guideStyle_, preferences_); });
          break;
        case Setting::speed:
          unit_ = cycled(SpeedUnits::allCases, unit_, step);
          remember([&] { SpeedUnits::save(unit_, preferences_); });
          break;
      }
      break;
    }
    case Key::Kind::escape:
    case Key::Kind::enter:
      screen_ = Screen::home;
      break;
    case Key::Kind::text:
      if (key.text == "s" || key.text == "S" || key.text == "q" || key.text == "Q")
        screen_ = Screen::home;
      break;
    default:
      break;
  }
}

void Tutor::renderSettings(Frame& frame) const {
  frame.put(0, 1, t("Settings"), Style::title);
  struct Line {
    std::string name;
    std::string value;
  };
  const Line lines[] = {
      {t("Language (interface)"), english_ ? "English" : "日本語"},
      {t("Theme"), t(rawValue(theme()))},
      {t("Romaji guide"), t(styleName(guideStyle_))},
      {t("Speed"), t(unit_ == SpeedUnit::wordsPerMinute ? "words per minute (WPM)" : "keys per minute")},
  };
  for (std::size_t i = 0; i < settingLines.size(); ++i) {
    bool focused = i == settingsFocus_;
    Style style = focused ? Style::selected : Style::normal;
    int row = 2 + static_cast<int>(i);
    frame.put(row, 1, focused ? ">" : " ", Style::selected);
    frame.put(row, 3, lines[i].name, style);
    frame.put(row, 26, focused ? "< " + lines[i].value + " >" : "  " + lines[i].value, style);
  }
  int row = 7;
  std::string_view help;
  switch (settingLines[settingsFocus_]) {
    case Setting::interface:
    case Setting::theme:
      help = "System uses the terminal's own colours; High Contrast draws white and yellow on black.";
      break;
    case Setting::guide:
      help = "The romaji line shows this spelling; every spelling is accepted as you type.";
      break;
    case Setting::speed:
      help = "A word is 5 keys. Scores are kept in keys per minute and shown in this unit.";
      break;
  }
  for (const std::string& line : wrapWords(t(help), frame.width() - 4)) {
    if (row > 8) break;
    frame.put(row++, 3, line, Style::dim);
  }
  putThemeSample(frame, 9, english_);
  if (saveFailure_)
    putWrapped(frame, 11, 1, frame.width() - 1, {{*saveFailure_, Style::warning}}, 3);
  if (!status_.empty()) frame.put(frame.height() - 2, 1, status_, Style::dim);
  frame.put(frame.height() - 1, 1, t("Up/Down move · Left/Right change · Enter or Esc Back"),
            Style::dim);
}

namespace {

// The choices each setup step offers, in order.
// English prompts have no guide lines to offer, only the keyboard.
bool offersGuideLines(const FirstLaunchSetup& setup) {
  return setup.language != TavroLanguage::english;
}

std::size_t setupChoices(const FirstLaunchSetup& setup) {
  switch (setup.step) {
    case SetupStep::guidance:
      return offersGuideLines(setup) ? 2 : 1;
    case SetupStep::welcome:
    case SetupStep::keyboard:
    case SetupStep::appearance:
      return 1;
    case SetupStep::account:
      return 0;
  }
  return 0;
}

}  // namespace

void Tutor::handleSetup(const Key& key) {
  FirstLaunchSetup& setup = *setup_;
  std::size_t choices = setupChoices(setup);
  switch (key.kind) {
    case Key::Kind::up:
      if (choices > 0) setupFocus_ = (setupFocus_ + choices - 1) % choices;
      return;
    case Key::Kind::down:
    case Key::Kind::tab:
      if (choices > 0) setupFocus_ = (setupFocus_ + 1) % choices;
      return;
    case Key::Kind::left:
    case Key::Kind::right: {
      int step = key.kind == Key::Kind::left ? -1 : 1;
      switch (setup.step) {
        case SetupStep::welcome: {
          const auto& all = TavroLanguages::allCases;
          std::size_t index = static_cast<std::size_t>(setup.language);
          setup.language = all[(index + all.size() +
                                static_cast<std::size_t>(step + static_cast<int>(all.size()))) %
                               all.size()];
          break;
        }
        case SetupStep::keyboard:
          setup.usesJIS = !setup.usesJIS;
          break;
        case SetupStep::guidance:
          if (setupFocus_ == 0 && offersGuideLines(setup)) {
            setup.showRomaji = !setup.showRomaji;
          } else {
            setup.showKeyboardGuide = !setup.showKeyboardGuide;
          }
          break;
        case SetupStep::appearance: {
          const auto& all = AppearanceThemes::allCases;
          std::size_t index = static_cast<std::size_t>(setup.theme);
          setup.theme = all[(index + all.size() +
                             static_cast<std::size_t>(step + static_cast<int>(all.size()))) %
                            all.size()];
          break;
        }
        case SetupStep::account:
          break;
      }
      break;
    }
    case Key::Kind::enter:
      if (setup.step == SetupStep::account) {
        finishSetup();
        return;
      }
      setup.step = SetupSteps::moving(setup.step, 1);
      setupFocus_ = 0;
      break;
    case Key::Kind::escape:
    case Key::Kind::backspace:
      setup.step = SetupSteps::moving(setup.step, -1);
      setupFocus_ = 0;
      break;
    case Key::Kind::text:
      if (key.text == "q" || key.text == "Q") finished_ = true;
      if (setup.step == SetupStep::account && (key.text == "a" || key.text == "A")) {
        finishSetup();
        openAccount();
      }
      return;
    default:
      return;
  }
  // Every change is kept, so a setup left half-way resumes where it stopped.
  remember([&] { setup.saveDraft(preferences_); });
}

void Tutor::finishSetup() {
  const FirstLaunchSetup& setup = *setup_;
  remember([&] { setup.complete(preferences_); });
  // The setup keeps the guide lines as Japanese's switch; the language
  // chosen gets the learner's answer too, so home shows what was chosen.
  if (offersGuideLines(setup))
    remember([&] { TavroLanguages::saveShowRomaji(setup.language, setup.showRomaji, preferences_); });
  archive_ = setup.applying(archive_);
  rememberLayout();
  save();
  readPreferences();
  theme_ = setup.theme;
  setup_.reset();
  screen_ = Screen::home;
  focusRound();
}

void Tutor::renderSetup(Frame& frame) const {
  const FirstLaunchSetup& setup = *setup_;
  std::int64_t number = rawValue(setup.step);
  frame.put(0, 1, t("Tavro · Welcome   ({1}/5)", {std::to_string(number)}), Style::title);
  auto option = [&](int row, std::size_t index, const std::string& name, const std::string& value) {
    bool focused = index == setupFocus_;
    Style style = focused ? Style::selected : Style::normal;
    frame.put(row, 1, focused ? ">" : " ", Style::selected);
    frame.put(row, 3, name, style);
    frame.put(row, 30, focused ? "< " + value + " >" : "  " + value, style);
  };
  int row = 2;
  switch (setup.step) {
    case SetupStep::welcome:
      frame.put(row, 3, t("Welcome to Tavro, a touch-typing tutor."));
      frame.put(row + 1, 3, t("Which language do you want to practise?"));
      option(row + 2, 0, t("Language"), t(TavroLanguages::label(setup.language)));
      break;
    case SetupStep::keyboard: {
      frame.put(row, 3, t("Which keyboard do you type on?"));
      option(row + 2, 0, t("Keyboard"), t(setup.usesJIS ? "JIS (Japanese)" : "US (ANSI)"));
      row += 4;
      // The keyboard picture: control keys by name, home keys marked, the
      // anchor keys F and J underlined as their bumps are felt.
      for (const auto& keys : SetupKeyboardPreview::rows(setup.usesJIS)) {
        int column = 3;
        for (const SetupKeyboardPreview::Key& key : keys) {
          // A named key is as wide as its name: "Backspace" and "Caps Lock"
          // whole, the row a little longer than the keyboard's proportions.
          std::string cap = key.label;
          int width = std::max({3, static_cast<int>(key.width * 4 + 0.5) - 1,
                                key.source ? 0 : Frame::displayWidth(cap)});
          if (Frame::displayWidth(cap) > width) cap = clipped(cap, width);
          std::string padded =
              cap +
              std::string(static_cast<std::size_t>(std::max(0, width - Frame::displayWidth(cap))),
                          ' ');
          Style style = Style::dim;
          if (key.source && SetupKeyboardPreview::homeKeys().count(*key.source) != 0)
            style = Style::normal;
          if (key.source && SetupKeyboardPreview::anchors().count(*key.source) != 0)
            style = Style::ghost;
          if (column + width > frame.width() - 1) break;
          frame.put(row, column, padded, style);
          column += width + 1;
        }
        ++row;
      }
      ++row;
      std::string_view caption =
          setup.language == TavroLanguage::japanese
              ? "With kana keys on this layout, these are typed so:"
              : (setup.language == TavroLanguage::english
                     ? "Characters typed with Shift on this layout:"
                     : "Devanagari letters and the Latin keys that type them:");
      frame.put(row++, 3, t(caption), Style::dim);
      for (const SetupKeyboardPreview::Example& example :
           SetupKeyboardPreview::layoutExamples(setup.language, setup.usesJIS)) {
        if (row >= frame.height() - 2) break;
        frame.put(row, 3, example.text, Style::title);
        frame.put(row++, 8, example.guide, Style::dim);
      }
      break;
    }
    case SetupStep::guidance:
      frame.put(row, 3, t("What should practice show you?"));
      // The same setting, by the same name, as on the home screen.
      if (offersGuideLines(setup)) {
        option(row + 2, 0, t("Guide lines"), t(setup.showRomaji ? "on" : "off"));
        option(row + 3, 1, t("Keyboard"), t(setup.showKeyboardGuide ? "on" : "off"));
        for (const std::string& line :
             wrapWords(t("Guide lines: the reading and its romaji under Japanese prompts, the "
                         "roman letters under Nepali ones."),
                       frame.width() - 4)) {
          if (row + 5 >= frame.height() - 2) break;
          frame.put(row + 5, 3, line, Style::dim);
          ++row;
        }
      } else {
        option(row + 2, 0, t("Keyboard"), t(setup.showKeyboardGuide ? "on" : "off"));
      }
      break;
    case SetupStep::appearance:
      frame.put(row, 3, t("Pick the colours. System keeps your terminal's own."));
      option(row + 2, 0, t("Theme"), t(rawValue(setup.theme)));
      // The whole screen is drawn in the theme chosen; the sample shows the
      // colours practice uses.
      frame.put(row + 4, 3, t("Practice looks like this:"), Style::dim);
      putThemeSample(frame, row + 5, english_);
      break;
    case SetupStep::account:
      // Wrapped to the screen: the folder may be long, and Japanese lines
      // break in other places than English ones.
      for (const std::string& paragraph :
           {t("Your scores stay on this computer, in {1}.", {paths_.archive().string()}),
            t("Signed in, Sync Now keeps them in your account too; sign in now or later with a "
              "on the home screen.")}) {
        for (const std::string& line : wrapWords(paragraph, frame.width() - 4)) {
          if (row >= frame.height() - 4) break;
          frame.put(row++, 3, line);
        }
      }
      frame.put(row + 1, 3, t("Press Enter to start practising, or a to sign in."), Style::title);
      break;
  }
  if (!status_.empty()) frame.put(frame.height() - 2, 1, status_, Style::dim);
  frame.put(frame.height() - 1, 1,
            t("Left/Right change · Enter next · Esc back · q quit (the setup resumes next time)"),
            Style::dim);
}

void Tutor::handleResults(const Key& key, double now) {
  // Keys typed as the round ended were meant for it: a key within a moment
  // of the end, and the first key that would still have gone into the last
  // word (the second n of a closing ん, the space after it), do nothing.
  bool continues = lastWordMayContinue_ &&
                   ((key.kind == Key::Kind::text && practice_->continuesLastWord(key.text)) ||
                    (key.kind == Key::Kind::enter && practice_->continuesLastWord("\n")));
  lastWordMayContinue_ = false;
  if (continues || now - roundEndedAt_ < resultsGraceSeconds) return;
  if (key.kind == Key::Kind::escape) {
    screen_ = Screen::home;
    practice_.reset();
    return;
  }
  bool custom = practice_->exercise() == Exercise::customText;
  if (key.kind == Key::Kind::enter ||
      (key.kind == Key::Kind::text && (key.text == "n" || key.text == "N"))) {
    // The learner's own text has no next round: its screen, for new text.
    if (custom) {
      practice_.reset();
      screen_ = Screen::customText;
    } else {
      start(practice_->round() % roundCount + 1);
    }
  } else if (key.kind == Key::Kind::text && (key.text == "a" || key.text == "A")) {
    if (custom) {
      startCustomText();
    } else {
      start(practice_->round());
    }
  } else if (key.kind == Key::Kind::text && (key.text == "h" || key.text == "H")) {
    screen_ = Screen::home;
    practice_.reset();
  }
}

std::string Tutor::roundHeading(const PracticeRound& round) const {
  // The learner's own text has a single round, named by the exercise line.
  if (round.exercise() == Exercise::customText) return exerciseLine();
  return exerciseLine() + " — " + t("Round") + " " + std::to_string(round.round()) + ": " +
         t(roundTitle(round.exercise(), round.round()));
}

std::string Tutor::exerciseLine() const {
  std::string line = t(TavroLanguages::label(language(exercise_))) + " · " + t(inputName(exercise_));
  if (usesLevel(exercise_)) line += " · " + std::string(rawValue(level_));
  if (exercise_ == Exercise::japaneseKana) line += archive_.jis ? " · JIS" : " · US";
  return line;
}

double Tutor::roundClock(double now) const {
  return (pausedSince_ ? *pausedSince_ : now) - pausedSeconds_;
}

void Tutor::render(Frame& frame, double now) const {
  frame.clear();
  bool tooSmall = frame.width() < minimumWidth || frame.height() < minimumHeight;
  // The round stands still while the notice hides it: the time behind the
  // notice is taken out of the round's clock when the screen comes back.
  if (tooSmall && !sizeNotice_) {
    pausedSince_ = now;
  } else if (!tooSmall && pausedSince_) {
    pausedSeconds_ += std::max(0.0, now - *pausedSince_);
    pausedSince_.reset();
  }
  sizeNotice_ = tooSmall;
  if (tooSmall) {
    std::string needed = t("Tavro needs a terminal of at least {1}x{2};",
                           {std::to_string(minimumWidth), std::to_string(minimumHeight)});
    std::string have =
        t("this one is {1}x{2}.", {std::to_string(frame.width()), std::to_string(frame.height())});
    frame.put(0, 0, needed, Style::warning);
    frame.put(1, 0, have, Style::warning);
    frame.put(2, 0, t("Make the window larger."), Style::normal);
    return;
  }
  switch (screen_) {
    case Screen::home:
      renderHome(frame);
      break;
    case Screen::practice:
      renderPractice(frame, now);
      break;
    case Screen::results:
      renderResults(frame);
      break;
    case Screen::settings:
      renderSettings(frame);
      break;
    case Screen::setup:
      renderSetup(frame);
      break;
    case Screen::account:
      renderAccount(frame);
      break;
    case Screen::customText:
      custom_.render(frame, english_);
      break;
  }
}

void Tutor::renderHome(Frame& frame) const {
  frame.put(0, 1, t("Tavro · touch typing"), Style::title);
  std::string folder = t("data: {1}", {paths_.dataFolder.string()});
  frame.put(0, std::max(30, frame.width() - 1 - Frame::displayWidth(folder)), folder, Style::dim);

  std::vector<Item> items = homeItems();
  int row = 2;
  std::size_t index = 0;
  for (; index < items.size() && items[index] != Item::round; ++index, ++row) {
    std::string name;
    std::string value;
    switch (items[index]) {
      case Item::language:
        name = t("Language");
        value = t(TavroLanguages::label(language(exercise_)));
        break;
      case Item::input:
        name = t("Input");
        value = t(inputName(exercise_));
        break;
      case Item::level:
        name = t("JLPT Level");
        value = rawValue(level_);
        break;
      case Item::layout:
        name = t("Layout");
        value = archive_.jis ? t("JIS (Japanese)") : "US";
        break;
      case Item::guides:
        name = t("Guide lines");
        value = t(showGuides_ ? "on" : "off");
        break;
      case Item::keyboard:
        name = t("Keyboard");
        value = t(showKeyboard_ ? "on" : "off");
        break;
      case Item::round:
        break;
    }
    bool focused = index == focus_;
    frame.put(row, 1, focused ? ">" : " ", Style::selected);
    frame.put(row, 3, name, focused ? Style::selected : Style::normal);
    frame.put(row, 16, focused ? "< " + value + " >" : "  " + value,
              focused ? Style::selected : Style::normal);
  }

  ++row;
  frame.put(row, 3, english_ ? "Rounds" : t("Round"), Style::title);
  frame.put(row, 54, t("best"), Style::dim);
  frame.put(row, 68, english_ ? "latest" : t("Latest"), Style::dim);
  ++row;
  std::string modeName(mode(exercise_));
  for (std::int64_t round = 1; round <= rounds(exercise_); ++round, ++index, ++row) {
    bool focused = index == focus_;
    bool chosen = round == round_;
    std::string title = t(roundTitle(exercise_, round));
    if (round == weakKeyRound && archive_.weakKeys) {
      std::vector<std::string> weak = archive_.weakKeys->rankedKeys(modeName);
      if (weak.empty()) {
        title = t("{1} (no missed keys yet)", {title});
      } else {
        title += ":";
        // Kana keys are named by the kana they type, as the learner knows them.
        for (std::size_t i = 0; i < weak.size() && i < 6; ++i)
          title += " " + (exercise_ == Exercise::japaneseKana
                              ? weakKeyName(weak[i], modeName, archive_.jis, english_)
                              : keyName(weak[i], english_));
      }
    }
    Style style = focused ? Style::selected : Style::normal;
    frame.put(row, 1, focused ? ">" : (chosen ? "*" : " "), Style::selected);
    frame.put(row, 3, std::to_string(round), style);
    // Titles are cut, visibly, to leave room for the score columns.
    frame.put(row, 6, clipped(title, 46), style);
    // The best and the latest of this round at the chosen level, where
    // the round's words come from it.
    std::vector<ScoreRow> scores = archive_.scoreRows(modeName, round, std::nullopt,
                                                      levelOf(modeName, round));
    if (!scores.empty()) frame.put(row, 53, shortScore(scores.front().attempt, english_, unit_), Style::normal);
    for (const ScoreRow& score : scores) {
      if (score.isLatest) frame.put(row, 67, shortScore(score.attempt, english_, unit_), Style::dim);
    }
  }

  if (exercise_ == Exercise::customText) {
    frame.put(row++, 6, t("Enter opens the text screen: your own Japanese text, typed in romaji."),
              Style::dim);
  }
  ++row;
  // Problems with the files take whatever rows are left above the status
  // line, each starting on a row of its own.
  std::vector<std::string> messages;
  for (const TutorStrings::Message& notice : notices_) messages.push_back(notice.text(english_));
  if (saveFailure_) messages.push_back(*saveFailure_);
  for (const std::string& message : messages) {
    std::stringstream paragraphs(message);
    std::string paragraph;
    while (std::getline(paragraphs, paragraph)) {
      for (const std::string& line : wrapWords(paragraph, frame.width() - 2)) {
        if (row >= frame.height() - 2) break;
        frame.put(row++, 1, line, Style::warning);
      }
    }
  }
  if (!status_.empty()) frame.put(frame.height() - 2, 1, status_, Style::dim);
  frame.put(frame.height() - 1, 1,
            t("Arrows move/change · 1-7 round · Enter start · s Settings · a Account · q Quit"),
            Style::dim);
}

void Tutor::renderPractice(Frame& frame, double now) const {
  const PracticeRound& round = *practice_;
  std::string heading = roundHeading(round);
  std::string word = t("Word {1}/25", {std::to_string(round.session().currentWord())});
  frame.put(0, 1, clipped(heading, frame.width() - 4 - Frame::displayWidth(word)), Style::title);
  frame.put(0, frame.width() - 1 - Frame::displayWidth(word), word, Style::title);

  LiveMetrics metrics(round.session(), roundClock(now));
  frame.put(1, 1,
            t("Speed") + " " + speedText(metrics.kpm(), english_, unit_) + "   " + t("Accuracy") + " " +
                accuracyText(metrics.accuracy()));

  // The prompt: done characters, then the rest.
  int row = 3;
  std::string display = round.prompt().display();
  std::int64_t done = round.doneCharacters();
  std::vector<std::size_t> ends = text::characterEnds(display);
  std::size_t cut =
      done <= 0 ? 0 : ends[std::min<std::size_t>(static_cast<std::size_t>(done), ends.size()) - 1];
  std::vector<Span> prompt = {{display.substr(0, cut), Style::done}};
  std::string rest = display.substr(cut);
  if (language(round.exercise()) == TavroLanguage::english && !rest.empty()) {
    // English has no guide line: the prompt itself marks the character to
    // type next, as the romaji line does for Japanese.
    std::size_t next = text::firstCharacterSize(rest);
    prompt.push_back({rest.substr(0, next), Style::active});
    rest.erase(0, next);
  }
  prompt.push_back({rest, Style::normal});
  row += putWrapped(frame, row, 3, frame.width() - 2, prompt, 3) + 1;

  if (showGuides_ || round.exercise() == Exercise::guidedRomaji) {
    if (std::optional<std::string> reading = round.reading()) {
      frame.put(row, 1, t("reading"), Style::dim);
      row += putWrapped(frame, row, 10, frame.width() - 2, {{*reading, Style::normal}}, 2);
    }
  }
  if (showGuides_) {
    if (std::optional<RomajiGuide> guide = round.guide()) {
      // Devanagari is typed by its Latin transliteration, which is no romaji.
      frame.put(row, 1, t(language(round.exercise()) == TavroLanguage::nepali ? "roman" : "romaji"),
                Style::dim);
      row += putWrapped(frame, row, 10, frame.width() - 2,
                        {{guide->completed, Style::done},
                         {guide->active, Style::active},
                         {guide->remaining, Style::dim}},
                        2);
    }
    std::vector<KeyHint> hints = round.hints();
    if (!hints.empty()) {
      frame.put(row, 1, t("keys"), Style::dim);
      int column = 10;
      for (const KeyHint& hint : hints) {
        if (column + Frame::displayWidth(hint.text) > frame.width() - 2) break;
        column = frame.put(row, column, hint.text, hint.active ? Style::active : Style::dim) + 2;
      }
      ++row;
    }
  }
  if (round.matcher().complete()) {
    frame.put(row, 1, t("Word complete: Space goes on (the word still takes more keys)"),
              Style::done);
  } else if (const std::optional<std::string>& rejected = round.rejectedPiece()) {
    std::string line = t("x  {1} is not next", {keyName(*rejected, english_)});
    if (std::optional<std::string> expected = round.expectedInput())
      line = t("x  {1} is not next — type {2}",
               {keyName(*rejected, english_), keyName(*expected, english_)});
    frame.put(row, 1, line, Style::rejected);
  }
  ++row;
  if (std::optional<std::string> next = round.nextDisplay()) {
    frame.put(row, 1, t("then"), Style::dim);
    putWrapped(frame, row, 10, frame.width() - 2, {{*next, Style::dim}}, 1);
  }
  row += 2;

  bool drawsKeys = round.exercise() != Exercise::nepaliDirect;
  if (std::optional<std::string> expected = round.expectedInput(); expected && drawsKeys) {
    std::string base = Keyboard::baseKey(*expected, round.jis());
    bool shifted = *expected == Keyboard::jisShiftZero || base != *expected;
    if (*expected == Keyboard::jisShiftZero) base = "0";
    std::string line =
        t("Next key: {1} · {2}", {std::string(shifted ? "Shift + " : "") + keyName(base, english_),
                                  t(fingerName(Keyboard::finger(base, round.mode())))});
    frame.put(row, 1, line, Style::title);
  } else if (expected) {
    frame.put(row, 1, t("Next: {1}", {*expected}), Style::title);
  }
  ++row;
  if (showKeyboard_ && drawsKeys && row + 6 < frame.height() - 1) renderKeyboard(frame, row + 1);

  if (!status_.empty()) frame.put(frame.height() - 2, 1, status_, Style::dim);
  frame.put(frame.height() - 1, 1,
            t("Esc leave the round (not saved) · Backspace: wrong keys are never typed"),
            Style::dim);
}

void Tutor::renderKeyboard(Frame& frame, int top) const {
  const PracticeRound& round = *practice_;
  bool kana = round.exercise() == Exercise::japaneseKana;
  std::set<std::string> next = round.nextInputs();
  std::set<std::string> ghost = round.ghostKeys();
  const auto& rows = Keyboard::rows(round.jis());
  int cellWidth = kana ? 5 : 4;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    int column = 3 + static_cast<int>(r) * 2;
    for (const std::string& label : rows[r]) {
      Style style = Style::dim;
      if (Keyboard::isTarget(label, next, round.mode(), round.jis())) {
        style = Style::target;
      } else if (ghost.count(label) != 0) {
        style = Style::ghost;
      }
      std::string cap(1, ' ');
      cap += capLabel(label);
      if (kana) {
        std::string legend = KanaInput::label(label, round.jis());
        cap += legend == " " ? "  " : legend;
      }
      cap += " ";
      frame.put(top + static_cast<int>(r), column, cap, style);
      column += cellWidth;
    }
  }
  bool space = next.count(" ") != 0;
  // The space bar: its name in the middle of 19 cells.
  std::string name = t("space");
  int left = std::max(0, (19 - Frame::displayWidth(name)) / 2);
  int right = std::max(0, 19 - left - Frame::displayWidth(name));
  frame.put(top + static_cast<int>(rows.size()), 17,
            std::string(static_cast<std::size_t>(left), ' ') + name +
                std::string(static_cast<std::size_t>(right), ' '),
            space ? Style::target : Style::dim);
}

void Tutor::renderResults(Frame& frame) const {
  const PracticeRound& round = *practice_;
  frame.put(0, 1,
            clipped((english_ ? "Round complete" : t("Results")) + " — " + roundHeading(round),
                    frame.width() - 2),
            Style::title);
  const Attempt* attempt = nullptr;
  for (const Attempt& candidate : archive_.attempts) {
    if (latest_ && candidate.id() == *latest_) attempt = &candidate;
  }
  int row = 2;
  if (attempt != nullptr) {
    frame.put(row++, 3,
              t("Speed") + " " + speedText(attempt->cpm(), english_, unit_) + "   " + t("Accuracy") + " " +
                  accuracyText(attempt->accuracy()) + "   " + t("Time") + " " +
                  completionText(*attempt, english_));
    frame.put(row++, 3,
              t("Keys {1} right, {2} missed",
                {std::to_string(attempt->correct()), std::to_string(attempt->misses())}));
  }
  ++row;
  frame.put(row++, 1, t("Top 5 Hi-Score"), Style::title);
  frame.put(row++, 1, scoreHeading(english_), Style::dim);
  for (const ScoreRow& line : archive_.scoreRows(round.mode(), round.round(), latest_,
                                                 levelOf(round.mode(), round.round()))) {
    frame.put(row++, 1, scoreLine(line, english_, unit_),
              line.isLatest ? Style::marked : Style::normal);
  }
  ++row;
  // This round's misses, and the ranking of all rounds the weak-key round
  // is made of: each line says which it is.
  const std::string labels[] = {t("Weakest keys, this round"), t("Weakest keys, all rounds")};
  int start = 0;
  for (const std::string& label : labels) start = std::max(start, Frame::displayWidth(label) + 4);
  for (int which = 0; which < 2; ++which) {
    std::vector<std::string> keys;
    if (which == 0) {
      keys = weakestKeys(round.keyHistory(), round.mode(), 5, english_, round.jis());
    } else if (archive_.weakKeys) {
      keys = weakestKeys(*archive_.weakKeys, round.mode(), 5, english_, round.jis());
    }
    frame.put(row, 1, labels[which], Style::title);
    int column = start;
    for (const std::string& key : keys) {
      if (column + Frame::displayWidth(key) > frame.width() - 2) break;
      column = frame.put(row, column, key) + 3;
    }
    if (column == start) frame.put(row, column, t("none missed"), Style::dim);
    ++row;
  }
  ++row;
  if (saveFailure_)
    putWrapped(frame, row, 1, frame.width() - 1, {{*saveFailure_, Style::warning}}, 3);
  frame.put(frame.height() - 1, 1, t("Enter/n next round · a again · h home"), Style::dim);
}

// --- Account

namespace {

constexpr std::size_t maximumEntryBytes = 4096;

// The date as UTC, or nothing when it is outside the years 1 to 9999 (a
// stored value may be anything a double holds, and converting one out of
// time_t's range is undefined).
std::optional<std::string> utcText(Date date) {
  double unix = date.unixSeconds();
  if (!(unix >= -62'135'596'800.0 && unix <= 253'402'300'799.0)) return std::nullopt;
  std::time_t seconds = static_cast<std::time_t>(unix);
  std::tm parts{};
  if (gmtime_r(&seconds, &parts) == nullptr) return std::nullopt;
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M UTC", &parts);
  return buffer;
}

std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// Drops the last character (a whole UTF-8 sequence) of `text`.
void dropLastCharacter(std::string& text) {
  while (!text.empty()) {
    unsigned char last = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((last & 0xC0) != 0x80) break;
  }
}

// `bytes` random bytes from the kernel as lower-case hex; nothing when the
// kernel has no randomness to give.
std::optional<std::string> randomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  std::size_t got = 0;
  while (got < bytes) {
    ssize_t n = ::getrandom(raw.data() + got, bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    got += static_cast<std::size_t>(n);
  }
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : raw) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

}  // namespace

Tutor::~Tutor() = default;

void Tutor::tick() {
  if (!task_ || !task_->done()) return;
  std::unique_ptr<AccountTask> task = std::move(task_);
  std::optional<std::string> failure = task->finish();
  if (failure) {
    accountMessage_ = t("{1} failed: {2}", {t(taskTitle_), *failure});
    accountFailed_ = true;
    if (task->sessionRefused() && signedIn())
      signOut(t("{1} You are signed out; sign in again.", {accountMessage_}));
  }
}

void Tutor::startTask(std::string title, AccountTask::Work work) {
  accountMessage_.clear();
  accountFailed_ = false;
  if (!makeFetch_) {
    accountMessage_ =
        t("{1} failed: this tutor has no connection to the account service.", {t(title)});
    accountFailed_ = true;
    return;
  }
  taskTitle_ = std::move(title);
  task_ = std::make_unique<AccountTask>(makeFetch_, std::move(work), english_);
}

void Tutor::handleAccount(const Key& key) {
  tick();
  if (task_) {
    if (key.kind == Key::Kind::escape) task_->cancel();
    return;
  }
  if (askOwner_ && entry_ == Entry::none) {
    if (key.kind == Key::Kind::enter || (key.kind == Key::Kind::text && (key.text == "k" || key.text == "K"))) {
      answerOwner(false);
    } else if (key.kind == Key::Kind::text && (key.text == "m" || key.text == "M")) {
      answerOwner(true);
    } else if (key.kind == Key::Kind::escape ||
               (key.kind == Key::Kind::text && (key.text == "h" || key.text == "H" ||
                                                key.text == "q" || key.text == "Q"))) {
      screen_ = Screen::home;
    } else if (key.kind == Key::Kind::text && (key.text == "o" || key.text == "O")) {
      signOut(t("Signed out; the session token was removed."));
    }
    return;
  }
  if (entry_ != Entry::none) {
    switch (key.kind) {
      case Key::Kind::text:
        // Signed out, the empty token field takes e and i typed (never
        // pasted: a pasted token may start with e) as the local backup's
        // export and import, which need no account.
        if (entry_ == Entry::token && entryText_.empty() && !pasting_ &&
            (key.text == "e" || key.text == "E" || key.text == "i" || key.text == "I")) {
          openBackupEntry(key.text == "e" || key.text == "E");
          return;
        }
        // Only what a token or a path can hold; a paste may bring anything.
        for (unsigned char c : key.text) {
          if (c < 0x20 || c == 0x7F) return;
        }
        if (entryText_.size() + key.text.size() <= maximumEntryBytes) entryText_ += key.text;
        return;
      case Key::Kind::backspace:
        dropLastCharacter(entryText_);
        return;
      case Key::Kind::enter:
        submitEntry();
        return;
      case Key::Kind::escape:
        entryText_.clear();
        // From a backup's path back to the screen it was asked on; from the
        // token field home.
        if (entry_ == Entry::token) {
          screen_ = Screen::home;
          return;
        }
        entry_ = signedIn() ? Entry::none : Entry::token;
        return;
      default:
        return;
    }
  }
  switch (key.kind) {
    case Key::Kind::escape:
      screen_ = Screen::home;
      return;
    case Key::Kind::text:
      if (key.text == "h" || key.text == "H" || key.text == "q" || key.text == "Q") {
        screen_ = Screen::home;
      } else if (key.text == "y" || key.text == "Y") {
        startSync();
      } else if (key.text == "e" || key.text == "E") {
        openBackupEntry(true);
      } else if (key.text == "i" || key.text == "I") {
        openBackupEntry(false);
      } else if (key.text == "d" || key.text == "D") {
        startDevices();
      } else if (key.text == "o" || key.text == "O") {
        signOut(t("Signed out; the session token was removed."));
      }
      return;
    default:
      return;
  }
}

void Tutor::openBackupEntry(bool exporting) {
  entry_ = exporting ? Entry::exportPath : Entry::importPath;
  entryText_ = exporting ? (paths_.dataFolder / "tavro-backup.json").string() : "";
  accountMessage_.clear();
}

void Tutor::submitEntry() {
  std::string text = trimmed(entryText_);
  Entry entry = entry_;
  entryText_.clear();
  if (entry == Entry::token) {
    if (text.rfind(std::string(AccountBrowserLogin::scheme) + ":", 0) == 0) {
      submitCallback(text);
      return;
    }
    if (!AccountService::validToken(text)) {
      accountMessage_ =
          t("That is not a session token: a token is 64 characters, each 0-9 or a-f. Paste it "
            "again.");
      accountFailed_ = true;
      return;
    }
    bool english = english_;
    startTask("Sign-in", [this, text, english](AccountTask& task,
                                               const TavroCloudSync::Fetch& fetch) {
      task.setProgress(TutorStrings::text("asking the account service for the profile", english));
      std::string body = fetch(AccountService::profileRequest(text));
      AccountProfile profile = AccountService::decodeProfile(body, std::nullopt, Date::now());
      return AccountTask::Apply([this, text, profile] { completeSignIn(text, profile); });
    });
    return;
  }
  entry_ = signedIn() ? Entry::none : Entry::token;
  if (text.empty()) return;
  if (entry == Entry::exportPath) exportBackup(text);
  if (entry == Entry::importPath) importBackup(text);
}

void Tutor::openAccount() {
  screen_ = Screen::account;
  entry_ = signedIn() ? Entry::none : Entry::token;
  entryText_.clear();
  accountMessage_.clear();
  devices_.reset();
  if (!signedIn()) beginBrowserSignIn();
  checkOwner();
}

void Tutor::checkOwner() {
  askOwner_ = signedIn() && ownersUsable_ &&
              owners_.mustAsk(account_.profile->id, archive_.attempts);
}

void Tutor::answerOwner(bool add) {
  AttemptOwners next = owners_;
  next.answer(*account_.profile, add, archive_.attempts);
  if (std::optional<std::string> failure =
          saveAttemptOwners(next, archive_.attempts, attemptOwnersFile(paths_.dataFolder))) {
    accountMessage_ = t("Your answer could not be kept in {1} ({2}); the question stays.",
                        {attemptOwnersFile(paths_.dataFolder).string(), *failure});
    accountFailed_ = true;
    return;
  }
  owners_ = std::move(next);
  askOwner_ = false;
  accountMessage_ = add ? t("This computer's scores will go into your account at the next sync.")
                        : t("This computer's scores stay out of your account; only your own "
                            "are synced.");
  accountFailed_ = false;
}

void Tutor::beginBrowserSignIn() {
  std::optional<std::string> state = randomHex(16);
  std::optional<std::string> verifier = randomHex(32);
  if (!state || !verifier) {
    browser_.cancel();
    return;
  }
  browser_.begin(AccountBrowserLogin(*state, *verifier, Date::now()));
  // A long address on screen is cut into rows, which copying keeps; the file
  // holds it whole. It holds no secret (the verifier never leaves memory).
  writeFileAtomically(browserPageFile(paths_.configFolder),
                      std::string(browser_.pending()->url().buffer()) + "\n");
}

void Tutor::submitCallback(const std::string& callback) {
  accountFailed_ = true;
  if (!browser_.pending()) {
    accountMessage_ = t("Browser sign-in is not available: no random numbers for it.");
    return;
  }
  Date now = Date::now();
  std::optional<AccountSignInCode> code = browser_.consume(callback, now);
  if (!code) {
    // The address itself is never repeated: it may hold a sign-in code.
    if (now.secondsSinceReferenceDate - browser_.pending()->createdAt.secondsSinceReferenceDate >=
        AccountBrowserLogin::callbackSeconds) {
      beginBrowserSignIn();
      accountMessage_ =
          t("That sign-in took longer than 10 minutes. Open the new page address shown above and "
            "paste the address it sends you to.");
    } else {
      accountMessage_ =
          t("That is not the address of this sign-in (it must come from the page shown above, "
            "pasted whole). Try again.");
    }
    return;
  }
  bool english = english_;
  startTask("Sign-in", [this, code = *code, english](AccountTask& task,
                                                     const TavroCloudSync::Fetch& fetch) {
    task.setProgress(TutorStrings::text("exchanging the sign-in code", english));
    std::string body = fetch(AccountService::exchangeRequest(code.code, code.verifier));
    AccountService::ExchangeReply reply = AccountService::decodeExchange(body, Date::now());
    return AccountTask::Apply([this, reply] { completeSignIn(reply.token, reply.user); });
  });
}

void Tutor::startDevices() {
  if (!signedIn()) return;
  std::string token = *token_;
  bool english = english_;
  startTask("Devices", [this, token, english](AccountTask& task,
                                              const TavroCloudSync::Fetch& fetch) {
    task.setProgress(TutorStrings::text("asking for the devices signed in", english));
    std::string body = fetch(AccountManagement::request(AccountManagement::Endpoint::activity,
                                                        token, "GET"));
    std::vector<AccountDevice> list = AccountManagement::devices(body);
    return AccountTask::Apply([this, list = std::move(list)] {
      devices_ = list;
      accountMessage_.clear();
    });
  });
}

void Tutor::completeSignIn(const std::string& token, const AccountProfile& profile) {
  AccountState next = account_;
  next.acceptVerifiedProfile(AccountManagement::resolveProfile(profile, account_.profile));
  std::filesystem::path file = tokenFile(paths_.configFolder);
  if (std::optional<std::string> failure = writeToken(file, token))
    throw std::runtime_error(
        t("could not keep the session token in {1} ({2})", {file.string(), *failure}));
  try {
    next.save(preferences_);
  } catch (...) {
    removeToken(file);
    throw;
  }
  account_ = std::move(next);
  invalidProfile_ = false;
  token_ = token;
  entry_ = Entry::none;
  browser_.cancel();
  removeToken(browserPageFile(paths_.configFolder));
  accountMessage_ = t("Signed in as {1}.", {profile.name.empty() ? profile.email : profile.name});
  accountFailed_ = false;
  checkOwner();
}

void Tutor::signOut(const std::string& reason) {
  std::optional<std::string> failure;
  bool cleared = account_.clearSession(preferences_, [&] {
    failure = removeToken(tokenFile(paths_.configFolder));
    if (failure) throw std::runtime_error(*failure);
  });
  token_.reset();
  invalidProfile_ = false;
  askOwner_ = false;
  entry_ = Entry::token;
  entryText_.clear();
  // Signed out for whatever reason, the screen offers both ways back in,
  // as it does when opened signed out.
  beginBrowserSignIn();
  accountMessage_ = reason;
  accountFailed_ = !cleared;
  if (!cleared)
    accountMessage_ = t("{1} The token file {2} could not be removed ({3}); remove it yourself.",
                        {accountMessage_, tokenFile(paths_.configFolder).string(),
                         failure ? *failure : t("unknown error")});
}

void Tutor::startSync() {
  if (!signedIn()) return;
  if (!canSave_) {
    accountMessage_ =
        t("Sync Now is off this session: the archive on disk could not be read, so the merged "
          "scores could not be saved.");
    accountFailed_ = true;
    return;
  }
  if (!ownersUsable_) {
    accountMessage_ = t("Sync Now is off this session: {1} could not be read, so it cannot tell "
                        "which scores are this account's.",
                        {attemptOwnersFile(paths_.dataFolder).string()});
    accountFailed_ = true;
    return;
  }
  checkOwner();
  if (askOwner_) return;  // the question on the screen comes first
  AccountProfile profile = *account_.profile;
  // Only this account's attempts: the others on this computer are someone
  // else's to sync.
  TavroBackup local(profile.id, owners_.attemptsOf(profile.id, archive_.attempts), level_,
                    kanaInput(), Date::now());
  std::string token = *token_;
  bool english = english_;
  startTask("Sync", [this, token, local = std::move(local), profile, english](
                        AccountTask& task, const TavroCloudSync::Fetch& fetch) {
    int pages = 0;
    int chunks = 0;
    TavroCloudSync sync([&](const platform::HTTPRequest& request) {
      if (request.method() == "GET") {
        task.setProgress(
            TutorStrings::text("downloading page {1}", english, {std::to_string(++pages)}));
      } else {
        task.setProgress(TutorStrings::text("uploading batch {1} of new attempts", english,
                                            {std::to_string(++chunks)}));
      }
      return fetch(request);
    });
    TavroCloudSync::Result result = sync.sync(token, local, profile);
    return AccountTask::Apply([this, profile, result = std::move(result)] {
      // The account's merged list joins the attempts of every other
      // account kept here; local copies win, as in the sync itself.
      std::vector<Attempt> before = archive_.attempts;
      archive_.attempts = result.backup.merging(before);
      if (std::optional<TutorStrings::Message> refusal = archiveBeyondBounds(archive_, bounds_)) {
        archive_.attempts = std::move(before);
        throw std::runtime_error(t("{1} Nothing was changed.", {refusal->text(english_)}));
      }
      AttemptOwners owners = owners_;
      owners.synced(profile, result.backup.attempts());
      // The record first: claims of attempts an unsaved archive lacks are
      // harmless, while attempts saved without their claims could reach
      // another account.
      if (std::optional<std::string> failure = saveAttemptOwners(
              owners, archive_.attempts, attemptOwnersFile(paths_.dataFolder))) {
        archive_.attempts = std::move(before);
        throw std::runtime_error(t("could not record which account the scores belong to ({1})",
                                   {*failure}));
      }
      if (std::optional<std::string> failure = saveArchive(archive_, paths_.archive())) {
        archive_.attempts = std::move(before);
        throw std::runtime_error(t("could not save the merged scores ({1})", {*failure}));
      }
      owners_ = std::move(owners);
      std::size_t added = archive_.attempts.size() - before.size();
      account_.lastSync = result.syncedAt;
      remember([&] { account_.save(preferences_); });
      accountMessage_ = t("Synced: {1} attempts, {2} new from the account service.",
                          {std::to_string(archive_.attempts.size()), std::to_string(added)});
      accountFailed_ = false;
    });
  });
}

void Tutor::exportBackup(const std::string& path) {
  accountFailed_ = true;
  std::filesystem::path file(path);
  std::error_code error;
  auto status = std::filesystem::symlink_status(file, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    accountMessage_ = t("Not exported: {1} exists and is not a regular file.", {path});
    return;
  }
  std::string bytes;
  std::size_t exported = 0;
  try {
    // Signed in, a backup of this account holds this account's attempts
    // only. Signed out, it is a local backup of every score on this
    // computer, as the scores screens show them, tied to no account (an
    // empty owner).
    std::vector<Attempt> own = signedIn()
                                   ? owners_.attemptsOf(account_.profile->id, archive_.attempts)
                                   : archive_.attempts;
    exported = own.size();
    TavroBackup backup(signedIn() ? account_.profile->id : std::string(), std::move(own), level_,
                       kanaInput(), Date::now());
    // The weak-key round comes back with a restore on another computer.
    backup.setWeakKeys(archive_.weakKeys);
    bytes = backup.encode();
  } catch (const std::exception&) {
    accountMessage_ = t("Not exported: the scores could not be written as a backup.");
    return;
  }
  if (std::optional<std::string> failure = writeFileAtomically(file, bytes)) {
    accountMessage_ = t("Not exported to {1}: {2}.", {path, *failure});
    return;
  }
  accountMessage_ = t(exported == 1 ? "Exported 1 attempt to {2} (readable by you alone)."
                                    : "Exported {1} attempts to {2} (readable by you alone).",
                      {std::to_string(exported), path});
  accountFailed_ = false;
}

void Tutor::importBackup(const std::string& path) {
  accountFailed_ = true;
  if (!canSave_) {
    accountMessage_ = t("Not imported: {1}: the archive on disk could not be read, so nothing is "
                        "saved this session.",
                        {path});
    return;
  }
  // Signed out, an import claims nothing for any account, so it needs no
  // record of owners.
  if (signedIn() && !ownersUsable_) {
    accountMessage_ = t("Not imported: {1}: {2} could not be read, so the attempts could not be "
                        "kept as this account's. Nothing was changed.",
                        {path, attemptOwnersFile(paths_.dataFolder).string()});
    return;
  }
  FileBytes file = readBoundedFile(path, maximumBackupBytes);
  if (!file.bytes) {
    if (file.failure == "not a regular file") {
      accountMessage_ = t("Not imported: {1} is not a regular file. Nothing was changed.", {path});
    } else if (file.failure.rfind("larger", 0) == 0) {
      accountMessage_ = t("Not imported: {1} is larger than {2} MiB. Nothing was changed.",
                          {path, std::to_string(maximumBackupBytes >> 20)});
    } else {
      accountMessage_ =
          t("Not imported: {1} is unreadable ({2}). Nothing was changed.", {path, file.failure});
    }
    return;
  }
  std::optional<TavroBackup> backup;
  try {
    backup = TavroBackup::decode(*file.bytes);
  } catch (const std::exception&) {
    accountMessage_ = t("Not imported: {1} is not a Tavro backup (damaged, truncated or another "
                        "kind of file). Nothing was changed.",
                        {path});
    return;
  }
  // A local backup (no owner) is anyone's on this computer; an account's
  // backup goes only into that account while it is signed in, and signed
  // out into the local scores without any claim.
  bool local = backup->ownerID().empty();
  bool claims = signedIn() && !local;
  if (signedIn() && !local && !accounttext::sameText(backup->ownerID(), account_.profile->id)) {
    accountMessage_ = t("Not imported: {1} belongs to another account. Nothing was changed.", {path});
    return;
  }
  try {
    backup->validated(claims ? std::string_view(account_.profile->id)
                             : std::string_view(backup->ownerID()));
  } catch (const BackupFailure&) {
    accountMessage_ = t("Not imported: {1} breaks the limits of a backup (for example two attempts "
                        "with one id, or impossible counts). Nothing was changed.",
                        {path});
    return;
  }
  // A score from the future would sit at the top of "latest" for years;
  // a day's leeway covers clocks and time zones.
  const double latestAccepted = Date::now().unixSeconds() + 24 * 60 * 60;
  for (const Attempt& attempt : backup->attempts()) {
    if (attempt.date().unixSeconds() > latestAccepted) {
      accountMessage_ = t("Not imported: {1} holds an attempt dated {2}, in the future. Nothing "
                          "was changed.",
                          {path, dateText(attempt.date())});
      return;
    }
  }
  std::vector<Attempt> before = archive_.attempts;
  std::optional<WeakKeyHistory> weakBefore = archive_.weakKeys;
  archive_.attempts = backup->merging(before);
  archive_.weakKeys = backup->mergingWeakKeys(weakBefore);
  if (std::optional<TutorStrings::Message> refusal = archiveBeyondBounds(archive_, bounds_)) {
    archive_.attempts = std::move(before);
    archive_.weakKeys = std::move(weakBefore);
    accountMessage_ = t("Not imported: {1}: {2} Nothing was changed.", {path, refusal->text(english_)});
    return;
  }
  // The backup's attempts are this account's from now on.
  AttemptOwners owners = owners_;
  if (claims) owners.claim(account_.profile->id, backup->attempts());
  if (std::optional<std::string> failure =
          claims ? saveAttemptOwners(owners, archive_.attempts, attemptOwnersFile(paths_.dataFolder))
                 : std::nullopt) {
    archive_.attempts = std::move(before);
    archive_.weakKeys = std::move(weakBefore);
    accountMessage_ = t("Not imported: {1}: which account the attempts belong to could not be "
                        "recorded ({2}). Nothing was changed.",
                        {path, *failure});
    return;
  }
  if (std::optional<std::string> failure = saveArchive(archive_, paths_.archive())) {
    archive_.attempts = std::move(before);
    archive_.weakKeys = std::move(weakBefore);
    accountMessage_ = t("Not imported: {1}: the archive could not be saved ({2}). Nothing was "
                        "changed.",
                        {path, *failure});
    return;
  }
  owners_ = std::move(owners);
  std::size_t added = archive_.attempts.size() - before.size();
  accountMessage_ = t(added == 1 ? "Imported 1 new attempt from {2}."
                                 : "Imported {1} new attempts from {2}.",
                      {std::to_string(added), path});
  accountFailed_ = false;
}

void Tutor::renderAccount(Frame& frame) const {
  frame.put(0, 1, t("Account"), Style::title);
  int row = 2;
  // Paragraphs wrap to the screen; each takes at most `limit` rows.
  auto paragraph = [&](const std::string& text, Style style, int limit) {
    for (const std::string& line : wrapWords(text, frame.width() - 4)) {
      if (limit-- == 0) break;
      frame.put(row++, 3, line, style);
    }
  };
  if (signedIn()) {
    const AccountProfile& profile = *account_.profile;
    // Values start two columns after the widest label.
    const std::string labels[] = {t("Name"), t("Email"), t("Account id"), t("Last sync")};
    int labelWidth = 0;
    for (const std::string& label : labels)
      labelWidth = std::max(labelWidth, Frame::displayWidth(label) + 2);
    auto labelled = [&](const std::string& label, const std::string& value) {
      frame.put(row, 3, label, Style::normal);
      frame.put(row++, 3 + labelWidth, value, Style::normal);
    };
    labelled(labels[0], profile.name);
    labelled(labels[1], profile.email.empty() ? "-" : profile.email);
    labelled(labels[2], profile.id);
    std::optional<std::string> lastSync = account_.lastSync ? utcText(*account_.lastSync) : std::nullopt;
    labelled(labels[3], lastSync ? *lastSync : t("never"));
    row++;
    if (askOwner_ && !task_) {
      // Both names come from outside (the service, the record); the frame
      // draws any terminal control in them as U+FFFD.
      const std::optional<AttemptOwners::Holder>& holder = owners_.holder();
      std::string before = holder ? t("{1} (account id {2})", {holder->name, holder->id})
                                  : t("an account this computer can no longer name");
      paragraph(t("The scores on this computer were last synced with {1}, not with {2}.",
                  {before, profile.name}),
                Style::warning, 3);
      paragraph(t("Keep this computer's scores out of your account (Enter), or add them to it "
                  "(m)? Sync Now waits for your answer."),
                Style::normal, 3);
      row++;
    }
  } else {
    frame.put(row++, 3, t("Not signed in."), Style::normal);
    if (invalidProfile_)
      paragraph(t("The saved account profile is not valid (an empty id or control characters); "
                  "it is not used. Sign in again."),
                Style::warning, 2);
    else if (account_.profile)
      paragraph(t("The session token of {1} is missing or unreadable; paste it again to sign in.",
                  {account_.profile->name}),
                Style::warning, 2);
    paragraph(t("Paste a session token (64 characters 0-9 a-f) and press Enter."), Style::normal,
              2);
    paragraph(t("It is kept in {1}, readable by you alone.",
                {tokenFile(paths_.configFolder).string()}),
              Style::dim, 2);
    if (browser_.pending()) {
      row++;
      paragraph(t("Or sign in with a browser: open the page below and sign in, then paste here "
                  "the address the browser is sent to, which starts with:"),
                Style::normal, 3);
      // An address whole on a row of its own: wrapped inside a paragraph it
      // could break in the middle of its scheme.
      frame.put(row++, 5, std::string(AccountBrowserLogin::callbackURL) + "?...", Style::normal);
      paragraph(t("The page address, good for 10 minutes, is also in {1}:",
                  {browserPageFile(paths_.configFolder).string()}),
                Style::dim, 2);
      // Cut by columns, not words: the address has no spaces to break at.
      std::string url(browser_.pending()->url().buffer());
      int width = frame.width() - 6;
      for (std::size_t start = 0; start < url.size() && row < frame.height() - 8;
           start += static_cast<std::size_t>(width)) {
        frame.put(row++, 3, url.substr(start, static_cast<std::size_t>(width)), Style::active);
      }
    }
    row++;
  }
  if (signedIn() && devices_) {
    frame.put(row++, 3, t("Devices signed in ({1}):", {std::to_string(devices_->size())}),
              Style::normal);
    std::size_t shown = 0;
    for (const AccountDevice& device : *devices_) {
      if (row >= frame.height() - 5) {
        frame.put(row++, 5, t("and {1} more", {std::to_string(devices_->size() - shown)}),
                  Style::dim);
        break;
      }
      std::string line = device.clientLabel();
      if (!device.platform.empty()) line += " · " + device.platform;
      if (auto where = device.locationLabel()) line += " · " + *where;
      if (device.lastSeen) line += " · " + t("last seen {1}", {*device.lastSeen});
      if (device.current) line += " " + t("(this one)");
      frame.put(row++, 5, line, device.current ? Style::selected : Style::normal);
      ++shown;
    }
    row++;
  }
  if (entry_ == Entry::token) {
    // The token is never drawn: one mark per character typed, as many as
    // the line has room for.
    int room = frame.width() - 4 - Frame::displayWidth(t("Token or address: {1}", {""}));
    std::string marks(std::min<std::size_t>(entryText_.size(),
                                            static_cast<std::size_t>(std::max(0, room))),
                      '*');
    frame.put(row++, 3, t("Token or address: {1}", {marks}), task_ ? Style::dim : Style::selected);
  } else if (entry_ == Entry::exportPath || entry_ == Entry::importPath) {
    frame.put(row++, 3,
              t(entry_ == Entry::exportPath ? "Export the scores to this file (Enter):"
                                            : "Import a backup file (type its path, Enter):"),
              Style::normal);
    frame.put(row++, 3, entryText_ + "_", Style::selected);
  }
  row++;
  if (task_) {
    std::string progress = task_->progress();
    frame.put(row++, 3,
              t("{1}: {2} · Esc cancels",
                {t(taskTitle_), task_->cancelled() ? t("cancelling…") : progress}),
              Style::active);
  }
  if (!accountMessage_.empty()) {
    for (const std::string& line : wrapWords(accountMessage_, frame.width() - 4)) {
      if (row >= frame.height() - 2) break;
      frame.put(row++, 3, line, accountFailed_ ? Style::warning : Style::normal);
    }
  }
  if (!status_.empty()) frame.put(frame.height() - 2, 1, status_, Style::dim);
  std::string footer;
  if (task_) {
    footer = t("Esc cancel");
  } else if (entry_ == Entry::token && entryText_.empty()) {
    // No account is needed to keep the scores in a file and bring them back.
    footer = t("Enter sign in · e export · i import a backup · Esc Back");
  } else if (entry_ != Entry::none) {
    footer = t("Enter confirm · Backspace erase · Esc Back");
  } else if (askOwner_) {
    footer = t("Enter keep them out · m add them · o sign out · Esc Back");
  } else {
    footer = t("y Sync Now · d devices · e export · i import · o sign out · Esc Back");
  }
  frame.put(frame.height() - 1, 1, footer, Style::dim);
}

}  // namespace tavro::terminal
