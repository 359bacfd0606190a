#include "TavroTerminal/PracticeScreen.h"

#include "Support/CharacterBounds.h"
#include "TavroCore/history/LiveMetrics.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroHost/AccountFiles.h"
#include "TavroHost/KeptRound.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>

namespace tavro::terminal {

const KeyTable<PracticeScreen::Action>& PracticeScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::escape)}, Action::leave, "Esc leave the round (not saved)"},
    {{KeyMatch::of(K::backspace)}, Action::erase, "Backspace: wrong keys are never typed"},
    {{KeyMatch::of(K::enter)}, Action::confirm, ""},
    {{KeyMatch::of(K::text)}, Action::type, ""},
  };
  // clang-format on
  return table;
}

Transition PracticeScreen::handle(const Key& key, double now) {
  TutorState& s = state_;
  PracticeRound& round = *s.practice;
  if (confirmLeave_) {
    // Only a deliberate y throws the typed words away; any other key (a
    // stray Escape again among them) keeps the round and is not typed.
    confirmLeave_ = false;
    s.status.clear();
    if (KeyMatch::typed('y').matches(key)) return leaveRound();
    return Transition::stay();
  }
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  PracticeRound::Outcome outcome = PracticeRound::Outcome::ignored;
  switch (*action) {
    case Action::leave:
      // Nothing typed yet: nothing to lose. Otherwise one stray key must not
      // throw the round away: ask first.
      if (!round.session().startedAt()) return leaveRound();
      confirmLeave_ = true;
      s.status = s.say("Leave this round? What you typed is not kept. y leave · any other key "
                       "goes on");
      return Transition::stay();
    case Action::erase:
      s.status = s.say("Nothing to erase: a wrong key is never typed into the prompt.");
      return Transition::stay();
    case Action::confirm:
      // The round decides what Enter does: it only moves on from a waiting word.
      outcome = round.confirmWord(s.roundClock(now));
      break;
    case Action::type:
      s.status.clear();
      outcome = round.type(key.text, s.roundClock(now));
      break;
  }
  if (round.isComplete()) return finishRound(now, outcome == PracticeRound::Outcome::accepted);
  return Transition::stay();
}

Transition PracticeScreen::leaveRound() {
  TutorState& s = state_;
  // Leaving a round keeps nothing of it: no attempt, no weak keys.
  // The learner's own text goes back to its screen for another try.
  s.status = s.say("Round left; nothing was saved.");
  bool custom = s.practice->exercise() == Exercise::customText;
  // The text screen keeps its messages in English and shows them in the
  // language chosen when it draws.
  if (custom) s.customText.tell("Round left; nothing was saved.");
  s.practice.reset();
  confirmLeave_ = false;
  return Transition::go(custom ? ScreenId::customText : ScreenId::home);
}

Transition PracticeScreen::finishRound(double now, bool lastKeyTyped) {
  TutorState& s = state_;
  const PracticeRound& round = *s.practice;
  std::optional<Attempt> attempt = finishedAttempt(round, s.level);
  if (!attempt) return Transition::stay();
  s.roundEndedAt = now;
  s.lastWordMayContinue = lastKeyTyped;
  if (std::optional<HostMessage> refusal =
          keepRound(s.archive, *attempt, round.keyHistory(), s.bounds)) {
    s.latest.reset();
    s.saveFailure = s.say("This round was not kept: {1}",
                          {TutorStrings::Message(*refusal).text(s.interfaceLanguage)});
    return Transition::go(ScreenId::results);
  }
  s.latest = attempt->id();
  // Made while signed in, it is that account's, whoever held the others.
  if (s.signedIn()) s.owners.claim(s.account.profile->id, {*attempt});
  s.save();
  if (!s.saveFailure && s.canSave && s.ownersUsable && s.signedIn()) {
    if (std::optional<std::string> failure = saveAttemptOwners(
            s.owners, s.archive.attempts, attemptOwnersFile(s.paths.dataFolder)))
      s.saveFailure = s.say("Could not record which account this round belongs to: {1}", {*failure});
  }
  return Transition::go(ScreenId::results);
}

void PracticeScreen::render(Frame& frame, double now) const {
  const TutorState& s = state_;
  const PracticeRound& round = *s.practice;
  const PracticeView& view = round.view();
  std::string heading = s.roundHeading(round);
  std::string word = s.say("Word {1}/25", {std::to_string(round.session().currentWord())});
  frame.put(0, 1, clipped(heading, frame.width() - 4 - Frame::displayWidth(word)), Style::title);
  frame.put(0, frame.width() - 1 - Frame::displayWidth(word), word, Style::title);

  LiveMetrics metrics(round.session(), s.roundClock(now));
  frame.put(1, 1,
            s.say("Speed") + " " + speedText(metrics.kpm(), s.interfaceLanguage, s.unit) + "   " +
                s.say("Accuracy") + " " + accuracyText(metrics.accuracy()));

  // The prompt: done characters, then the rest.
  int row = 3;
  const std::string& display = view.display;
  std::int64_t done = view.doneCharacters;
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

  if (s.showGuides || round.exercise() == Exercise::guidedRomaji) {
    if (const std::optional<std::string>& reading = view.reading) {
      frame.put(row, 1, s.say("reading"), Style::dim);
      row += putWrapped(frame, row, 10, frame.width() - 2, {{*reading, Style::normal}}, 2);
    }
  }
  if (s.showGuides) {
    if (const std::optional<RomajiGuide>& guide = view.guide) {
      // Devanagari is typed by its Latin transliteration, which is no romaji.
      frame.put(row, 1,
                s.say(language(round.exercise()) == TavroLanguage::nepali ? "roman" : "romaji"),
                Style::dim);
      row += putWrapped(frame, row, 10, frame.width() - 2,
                        {{guide->completed, Style::done},
                         {guide->active, Style::active},
                         {guide->remaining, Style::dim}},
                        2);
    }
    const std::vector<KeyHint>& hints = view.hints;
    if (!hints.empty()) {
      frame.put(row, 1, s.say("keys"), Style::dim);
      int column = 10;
      for (const KeyHint& hint : hints) {
        if (column + Frame::displayWidth(hint.text) > frame.width() - 2) break;
        column = frame.put(row, column, hint.text, hint.active ? Style::active : Style::dim) + 2;
      }
      ++row;
    }
  }
  if (view.waiting) {
    frame.put(row, 1, s.say("Word complete: Space goes on (the word still takes more keys)"),
              Style::done);
  } else if (const std::optional<std::string>& rejected = round.rejectedPiece()) {
    std::string line = s.say("x  {1} is not next", {keyName(*rejected, s.interfaceLanguage)});
    if (const std::optional<std::string>& expected = view.expectedInput)
      line = s.say("x  {1} is not next — type {2}", {keyName(*rejected, s.interfaceLanguage),
                                                     keyName(*expected, s.interfaceLanguage)});
    frame.put(row, 1, line, Style::rejected);
  }
  ++row;
  if (const std::optional<std::string>& next = view.nextDisplay) {
    frame.put(row, 1, s.say("then"), Style::dim);
    putWrapped(frame, row, 10, frame.width() - 2, {{*next, Style::dim}}, 1);
  }
  row += 2;

  bool drawsKeys = typesLayoutKeys(round.exercise());
  if (view.nextKey && drawsKeys) {
    const NextKey& key = *view.nextKey;
    std::string line = s.say("Next key: {1} · {2}", {std::string(key.shift ? "Shift + " : "") +
                                                         keyName(key.label, s.interfaceLanguage),
                                                     s.say(fingerName(key.finger))});
    frame.put(row, 1, line, Style::title);
  } else if (view.expectedInput) {
    frame.put(row, 1, s.say("Next: {1}", {*view.expectedInput}), Style::title);
  }
  ++row;
  if (s.showKeyboard && drawsKeys && row + 6 < frame.height() - 1) renderKeyboard(frame, row + 1);

  if (!s.status.empty()) frame.put(frame.height() - 2, 1, s.status, Style::dim);
}

void PracticeScreen::renderKeyboard(Frame& frame, int top) const {
  const PracticeRound& round = *state_.practice;
  const PracticeView& view = round.view();
  bool kana = round.exercise() == Exercise::japaneseKana;
  const auto& rows = Keyboard::rows(round.jis());
  int cellWidth = kana ? 5 : 4;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    int column = 3 + static_cast<int>(r) * 2;
    for (const std::string& label : rows[r]) {
      Style style = Style::dim;
      if (view.targetKeys.count(label) != 0) {
        style = Style::target;
      } else if (view.ghostKeys.count(label) != 0) {
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
  bool space = view.nextInputs.count(" ") != 0;
  // The space bar: its name in the middle of 19 cells.
  std::string name = state_.say("space");
  int left = std::max(0, (19 - Frame::displayWidth(name)) / 2);
  int right = std::max(0, 19 - left - Frame::displayWidth(name));
  frame.put(top + static_cast<int>(rows.size()), 17,
            std::string(static_cast<std::size_t>(left), ' ') + name +
                std::string(static_cast<std::size_t>(right), ' '),
            space ? Style::target : Style::dim);
}

}  // namespace tavro::terminal
