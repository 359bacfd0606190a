#include "TavroTerminal/ResultsScreen.h"

#include "TavroTerminal/ScoreText.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>

namespace tavro::terminal {

const KeyTable<ResultsScreen::Action>& ResultsScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::enter), KeyMatch::typed('n')}, Action::next, "Enter/n next round"},
    {{KeyMatch::typed('a')}, Action::again, "a again"},
    {{KeyMatch::typed('p')}, Action::progress, "p progress"},
    {{KeyMatch::typed('h'), KeyMatch::of(K::escape)}, Action::home, "h home"},
  };
  // clang-format on
  return table;
}

void ResultsScreen::enter(ScreenId) {
  suggestion_ = state_.suggestNext();
  recent_ = recentProgress(state_);
}

Transition ResultsScreen::handle(const Key& key, double now) {
  TutorState& s = state_;
  // Keys typed as the round ended were meant for it: a key within a moment
  // of the end, and the first key that would still have gone into the last
  // word (the second n of a closing ん, the space after it), do nothing.
  bool continues = s.lastWordMayContinue &&
                   ((key.kind == Key::Kind::text && s.practice->continuesLastWord(key.text)) ||
                    (key.kind == Key::Kind::enter && s.practice->continuesLastWord("\n")));
  s.lastWordMayContinue = false;
  if (continues || now - s.roundEndedAt < graceSeconds) return Transition::stay();
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  bool custom = s.practice->exercise() == Exercise::customText;
  switch (*action) {
    case Action::next:
      // The learner's own text has no next round: its screen, for new text.
      if (custom) {
        s.practice.reset();
        return Transition::go(ScreenId::customText);
      }
      if (s.prepareRound(nextRound(s.practice->exercise(), s.practice->round())))
        return Transition::go(ScreenId::practice);
      return Transition::stay();
    case Action::again:
      if (custom ? s.prepareCustomText() : s.prepareRound(s.practice->round()))
        return Transition::go(ScreenId::practice);
      // No text to practise any more: back to the text.
      return custom ? Transition::go(ScreenId::customText) : Transition::stay();
    case Action::progress:
      s.practice.reset();
      return Transition::go(ScreenId::progress);
    case Action::home:
      s.practice.reset();
      return Transition::go(ScreenId::home);
  }
  return Transition::stay();
}

void ResultsScreen::render(Frame& frame, double) const {
  const TutorState& s = state_;
  const PracticeRound& round = *s.practice;
  frame.put(0, 1,
            clipped((s.interfaceLanguage == InterfaceLanguage::english ? "Round complete"
                                                                       : s.say("Results")) +
                        " — " + s.roundHeading(round),
                    frame.width() - 2),
            Style::title);
  const Attempt* attempt = nullptr;
  for (const Attempt& candidate : s.archive.attempts) {
    if (s.latest && candidate.id() == *s.latest) attempt = &candidate;
  }
  int row = 2;
  if (attempt != nullptr) {
    frame.put(row++, 3,
              s.say("Speed") + " " + speedText(attempt->cpm(), s.interfaceLanguage, s.unit) +
                  "   " + s.say("Accuracy") + " " + accuracyText(attempt->accuracy()) + "   " +
                  s.say("Time") + " " + completionText(*attempt, s.interfaceLanguage));
    frame.put(row++, 3,
              s.say("Keys {1} right, {2} missed",
                    {std::to_string(attempt->correct()), std::to_string(attempt->misses())}));
  }
  ++row;
  frame.put(row++, 1, s.say("Top 5 Hi-Score"), Style::title);
  frame.put(row++, 1, scoreHeading(s.interfaceLanguage), Style::dim);
  for (const ScoreRow& line : s.archive.scoreRows(round.mode(), round.round(), s.latest,
                                                  s.levelOf(round.mode(), round.round()))) {
    frame.put(row++, 1, scoreLine(line, s.interfaceLanguage, s.unit),
              line.isLatest ? Style::marked : Style::normal);
  }
  ++row;
  // This round's misses, and the ranking of all rounds the weak-key round
  // is made of: each line says which it is.
  const std::string labels[] = {s.say("Weakest keys, this round"), s.say("Weakest keys, all rounds")};
  int start = 0;
  for (const std::string& label : labels) start = std::max(start, Frame::displayWidth(label) + 4);
  for (int which = 0; which < 2; ++which) {
    std::vector<std::string> keys;
    if (which == 0) {
      keys = weakestKeys(round.keyHistory(), round.mode(), 5, s.interfaceLanguage, round.jis());
    } else if (s.archive.weakKeys) {
      keys = weakestKeys(*s.archive.weakKeys, round.mode(), 5, s.interfaceLanguage, round.jis());
    }
    frame.put(row, 1, labels[which], Style::title);
    int column = start;
    for (const std::string& key : keys) {
      if (column + Frame::displayWidth(key) > frame.width() - 2) break;
      column = frame.put(row, column, key) + 3;
    }
    if (column == start) frame.put(row, column, s.say("none missed"), Style::dim);
    ++row;
  }
  if (suggestion_) frame.put(row++, 1, clipped(suggestionLine(s, *suggestion_), frame.width() - 2));
  putRecentDays(frame, row, s, recent_);
  row += 3;
  if (s.saveFailure)
    putWrapped(frame, row, 1, frame.width() - 1, {{*s.saveFailure, Style::warning}}, 3);
}

}  // namespace tavro::terminal
