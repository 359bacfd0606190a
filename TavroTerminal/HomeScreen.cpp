#include "TavroTerminal/HomeScreen.h"

#include "TavroCore/settings/LanguagePreference.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace tavro::terminal {
namespace {

std::string shortScore(const Attempt& attempt, InterfaceLanguage language, SpeedUnit unit) {
  char accuracy[24];
  std::snprintf(accuracy, sizeof accuracy, "%3.0f%%", attempt.accuracy());
  return shortSpeedText(attempt.cpm(), language, unit) + " " + accuracy;
}

}  // namespace

HomeScreen::HomeScreen(TutorState& state) : state_(state) {
  focusRound();
}

const KeyTable<HomeScreen::Action>& HomeScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::up), KeyMatch::of(K::down), KeyMatch::of(K::tab), KeyMatch::of(K::left),
      KeyMatch::of(K::right)}, Action::arrow, "Arrows move/change"},
    {{KeyMatch::typed(' ')}, Action::change, ""},
    // The number keys stay unnamed in the footer: the arrows reach every
    // round too, and the line has no room for them beside the progress.
    {{KeyMatch::typed('1', '8')}, Action::chooseRound, ""},
    {{KeyMatch::of(K::enter)}, Action::start, "Enter start"},
    {{KeyMatch::typed('p')}, Action::progress, "p Progress"},
    {{KeyMatch::typed('s')}, Action::settings, "s Settings"},
    {{KeyMatch::typed('a')}, Action::account, "a Account"},
    {{KeyMatch::typed('q')}, Action::quit, "q Quit"},
  };
  // clang-format on
  return table;
}

void HomeScreen::enter(ScreenId) {
  if (!state_.choicesRenewed) return;
  state_.choicesRenewed = false;
  focusRound();
}

std::vector<std::int64_t> HomeScreen::roundList() const {
  std::vector<std::int64_t> list;
  for (std::int64_t round = 1; round <= rounds(state_.exercise); ++round) list.push_back(round);
  if (offersDrill(state_.exercise)) list.push_back(drillRound);
  return list;
}

void HomeScreen::focusRound() {
  std::vector<std::int64_t> list = roundList();
  auto at = std::find(list.begin(), list.end(), state_.round);
  focus_ = items().size() - list.size() +
           static_cast<std::size_t>(at == list.end() ? 0 : at - list.begin());
}

std::vector<HomeScreen::Item> HomeScreen::items() const {
  std::vector<Item> list = {Item::language, Item::input};
  if (usesLevel(state_.exercise)) list.push_back(Item::level);
  list.push_back(Item::layout);
  if (language(state_.exercise) != TavroLanguage::english) list.push_back(Item::guides);
  list.push_back(Item::keyboard);
  list.insert(list.end(), roundList().size(), Item::round);
  return list;
}

Transition HomeScreen::handle(const Key& key, double) {
  TutorState& s = state_;
  std::vector<Item> list = items();
  std::size_t firstRound = list.size() - roundList().size();
  s.status.clear();
  Transition next = Transition::stay();
  std::optional<Action> action = keys().actionFor(key);
  if (action) switch (*action) {
    case Action::arrow:
      if (key.kind == Key::Kind::up) {
        focus_ = focus_ == 0 ? list.size() - 1 : focus_ - 1;
      } else if (key.kind == Key::Kind::down || key.kind == Key::Kind::tab) {
        focus_ = (focus_ + 1) % list.size();
      } else if (list[focus_] == Item::round) {
        focus_ = firstRound;
      } else {
        change(list[focus_], key.kind == Key::Kind::left ? -1 : 1);
      }
      break;
    case Action::change:
      if (list[focus_] != Item::round) change(list[focus_], 1);
      break;
    case Action::chooseRound: {
      // Only the rounds the exercise has.
      std::vector<std::int64_t> numbers = roundList();
      auto at = std::find(numbers.begin(), numbers.end(), key.text[0] - '0');
      if (at != numbers.end()) focus_ = firstRound + static_cast<std::size_t>(at - numbers.begin());
      break;
    }
    case Action::start:
      if (s.exercise == Exercise::customText) {
        next = Transition::go(ScreenId::customText);
      } else if (s.prepareRound(s.round)) {
        next = Transition::go(ScreenId::practice);
      }
      break;
    case Action::progress:
      next = Transition::go(ScreenId::progress);
      break;
    case Action::settings:
      next = Transition::go(ScreenId::settings);
      break;
    case Action::account:
      next = Transition::go(ScreenId::account);
      break;
    case Action::quit:
      next = Transition::quit();
      break;
  }
  list = items();
  focus_ = std::min(focus_, list.size() - 1);
  std::vector<std::int64_t> numbers = roundList();
  firstRound = list.size() - numbers.size();
  if (focus_ >= firstRound) s.round = numbers[focus_ - firstRound];
  return next;
}

void HomeScreen::change(Item item, int step) {
  TutorState& s = state_;
  auto cycle = [step](std::size_t index, std::size_t count) {
    return (index + count + static_cast<std::size_t>(step + static_cast<int>(count))) % count;
  };
  std::vector<Item> before = items();
  switch (item) {
    case Item::language: {
      std::size_t index = static_cast<std::size_t>(language(s.exercise));
      TavroLanguage next = TavroLanguages::allCases[cycle(index, TavroLanguages::allCases.size())];
      s.keepPreference([&] { TavroLanguages::save(next, s.preferences); });
      s.exercise = savedExercise(next, s.preferences);
      s.showGuides =
          next == TavroLanguage::english || TavroLanguages::savedShowRomaji(next, s.preferences);
      s.unit = SpeedUnits::saved(s.preferences, next);  // the language's default until one is chosen
      break;
    }
    case Item::input: {
      std::vector<Exercise> choices = exercises(language(s.exercise));
      std::size_t index = static_cast<std::size_t>(
          std::find(choices.begin(), choices.end(), s.exercise) - choices.begin());
      s.exercise = choices[cycle(index, choices.size())];
      s.keepPreference([&] { saveInput(s.exercise, s.preferences); });
      break;
    }
    case Item::level: {
      std::size_t index = static_cast<std::size_t>(s.level);
      s.level = JLPTLevels::allCases[cycle(index, JLPTLevels::allCases.size())];
      s.keepPreference([&] { JLPTLevels::save(s.level, s.preferences); });
      break;
    }
    case Item::layout:
      s.archive.jis = !s.archive.jis;
      s.keepLayout();
      s.save();
      break;
    case Item::guides:
      s.showGuides = !s.showGuides;
      s.keepPreference(
          [&] { TavroLanguages::saveShowRomaji(language(s.exercise), s.showGuides, s.preferences); });
      break;
    case Item::keyboard:
      s.showKeyboard = !s.showKeyboard;
      s.keepKeyboard();
      break;
    case Item::round:
      break;
  }
  // Keep the focus on the item that was changed when items come and go.
  std::vector<Item> after = items();
  if (after.size() != before.size()) {
    auto at = std::find(after.begin(), after.end(), item);
    focus_ = at == after.end() ? 0 : static_cast<std::size_t>(at - after.begin());
  }
}

void HomeScreen::render(Frame& frame, double) const {
  const TutorState& s = state_;
  frame.put(0, 1, s.say("Tavro · touch typing"), Style::title);
  std::string folder = s.say("data: {1}", {s.paths.dataFolder.string()});
  frame.put(0, std::max(30, frame.width() - 1 - Frame::displayWidth(folder)), folder, Style::dim);

  std::vector<Item> list = items();
  int row = 2;
  std::size_t index = 0;
  for (; index < list.size() && list[index] != Item::round; ++index, ++row) {
    std::string name;
    std::string value;
    switch (list[index]) {
      case Item::language:
        name = s.say("Language");
        value = s.say(TavroLanguages::label(language(s.exercise)));
        break;
      case Item::input:
        name = s.say("Input");
        value = s.say(inputName(s.exercise));
        break;
      case Item::level:
        name = s.say("JLPT Level");
        value = rawValue(s.level);
        break;
      case Item::layout:
        name = s.say("Layout");
        value = s.archive.jis ? s.say("JIS (Japanese)") : "US";
        break;
      case Item::guides:
        name = s.say("Guide lines");
        value = s.say(s.showGuides ? "on" : "off");
        break;
      case Item::keyboard:
        name = s.say("Keyboard");
        value = s.say(s.showKeyboard ? "on" : "off");
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
  frame.put(row, 3, s.interfaceLanguage == InterfaceLanguage::english ? "Rounds" : s.say("Round"),
            Style::title);
  frame.put(row, 54, s.say("best"), Style::dim);
  frame.put(row, 68, s.interfaceLanguage == InterfaceLanguage::english ? "latest" : s.say("Latest"),
            Style::dim);
  ++row;
  std::string modeName(mode(s.exercise));
  for (std::int64_t round : roundList()) {
    bool focused = index == focus_;
    bool chosen = round == s.round;
    std::string title = s.say(roundTitle(s.exercise, round));
    if ((round == weakKeyRound || round == drillRound) && s.archive.weakKeys) {
      std::vector<std::string> weak = s.archive.weakKeys->rankedKeys(modeName);
      if (weak.empty()) {
        title = s.say("{1} (no missed keys yet)", {title});
      } else if (round == weakKeyRound) {
        // The drill weighs its keys when it is built; its row names none.
        title += ":";
        // Kana keys are named by the kana they type, as the learner knows them.
        for (std::size_t i = 0; i < weak.size() && i < 6; ++i)
          title += " " + (s.exercise == Exercise::japaneseKana
                              ? weakKeyName(weak[i], modeName, s.archive.jis, s.interfaceLanguage)
                              : keyName(weak[i], s.interfaceLanguage));
      }
    }
    Style style = focused ? Style::selected : Style::normal;
    frame.put(row, 1, focused ? ">" : (chosen ? "*" : " "), Style::selected);
    frame.put(row, 3, std::to_string(round), style);
    // Titles are cut, visibly, to leave room for the score columns.
    frame.put(row, 6, clipped(title, 46), style);
    // The best and the latest of this round at the chosen level, where
    // the round's words come from it.
    std::vector<ScoreRow> scores =
        s.archive.scoreRows(modeName, round, std::nullopt, s.levelOf(modeName, round));
    if (!scores.empty())
      frame.put(row, 53, shortScore(scores.front().attempt, s.interfaceLanguage, s.unit),
                Style::normal);
    for (const ScoreRow& score : scores) {
      if (score.isLatest)
        frame.put(row, 67, shortScore(score.attempt, s.interfaceLanguage, s.unit), Style::dim);
    }
    ++index;
    ++row;
  }

  if (s.exercise == Exercise::customText) {
    frame.put(row++, 6,
              s.say("Enter opens the text screen: your own Japanese text, typed in romaji."),
              Style::dim);
  }
  ++row;
  // Problems with the files take whatever rows are left above the status
  // line, each starting on a row of its own.
  std::vector<std::string> messages;
  for (const TutorStrings::Message& notice : s.notices)
    messages.push_back(notice.text(s.interfaceLanguage));
  if (s.saveFailure) messages.push_back(*s.saveFailure);
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
  if (!s.status.empty()) frame.put(frame.height() - 2, 1, s.status, Style::dim);
}

}  // namespace tavro::terminal
