#include "TavroCore/practice/PracticeRound.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/KeyLookAhead.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/PracticeItem.h"
#include "TavroCore/input/Romaji.h"

#include <stdexcept>

namespace tavro {
namespace {

bool isKana(char32_t c) {
  return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC;
}

}  // namespace

PracticeRound::PracticeRound(Exercise exercise, std::int64_t round, bool jis,
                             std::vector<RoundPrompt> prompts)
    : exercise_(exercise),
      round_(round),
      jis_(jis),
      prompts_(prompts.empty() ? throw std::invalid_argument("a round needs prompts")
                               : std::move(prompts)),
      matcher_(makeMatcher(prompts_.front())) {
  refreshView();
}

void PracticeRound::setGuideStyle(RomajiStyle style) {
  style_ = style;
  refreshView();
}

Matcher PracticeRound::makeMatcher(const RoundPrompt& prompt) const {
  switch (exercise_) {
    case Exercise::japaneseRomaji:
    case Exercise::guidedRomaji:
    case Exercise::customText:
      return Matcher::romaji(prompt.japanese->reading());
    case Exercise::japaneseKana:
      return Matcher({KanaInput::keys(prompt.japanese->reading(), jis_)}, true);
    case Exercise::english:
    case Exercise::englishDirect:
    case Exercise::nepaliRoman:
      return prompt.language->matcher(language(exercise_), false);
    case Exercise::nepaliDirect:
      return prompt.language->matcher(TavroLanguage::nepali, true);
  }
  throw std::logic_error("unknown exercise");
}

std::string PracticeRound::inputFor(std::string_view piece) const {
  if (exercise_ == Exercise::japaneseKana) {
    auto points = text::codePoints(piece);
    if (points.size() == 1 && isKana(points[0])) {
      // A kana from an input method: the keys that type it on this layout.
      std::string hiragana = text::transform("Hiragana-Katakana", piece, true);
      return KanaInput::strokes(hiragana, jis_);
    }
  }
  return std::string(piece);
}

PracticeRound::Outcome PracticeRound::type(std::string_view piece, double now) {
  if (isComplete() || piece.empty()) return Outcome::ignored;
  std::string input = inputFor(piece);

  if (matcher_.complete()) {
    Matcher trial = matcher_;
    if (!trial.input(input)) {
      advance();
      if (isComplete() || piece == " " || piece == "\n") {
        refreshView();
        return Outcome::ignored;
      }
    }
  }

  std::optional<std::string> expected = matcher_.expectedInput(exercise_ == Exercise::nepaliDirect);
  bool accepted = matcher_.input(input);
  session_.recordInput(accepted, 1, now);
  bool folded = typesRomaji(exercise_) || exercise_ == Exercise::nepaliRoman;
  keys_.record(mode(), folded ? text::lowercased(input) : input,
               expected ? std::optional<std::string_view>(*expected) : std::nullopt, accepted);
  if (!accepted) {
    rejected_ = std::string(piece);
    // A waiting word may have moved on before the key was judged.
    refreshView();
    return Outcome::rejected;
  }
  rejected_.reset();
  bool lastWord = session_.completedWords() + 1 == WordSession::wordLimit;
  if (matcher_.complete() && (matcher_.next().empty() || lastWord)) advance();
  refreshView();
  return Outcome::accepted;
}

PracticeRound::Outcome PracticeRound::confirmWord(double now) {
  // Enter is no key of any prompt: judged on an unfinished word it would
  // only count as a miss.
  if (isComplete() || !matcher_.complete()) return Outcome::ignored;
  return type("\n", now);
}

bool PracticeRound::continuesLastWord(std::string_view piece) const {
  if (!isComplete() || !matcher_.complete() || matcher_.next().empty() || piece.empty())
    return false;
  if (piece == " " || piece == "\n") return true;
  Matcher trial = matcher_;
  return trial.input(inputFor(piece));
}

void PracticeRound::advance() {
  session_.completeWord();
  rejected_.reset();
  if (isComplete()) return;
  ++index_;
  matcher_ = makeMatcher(prompt());
}

std::vector<KeyHint> PracticeRound::hints(std::int64_t limit) const {
  if (limit == PracticeView::hintLimit) return view_.hints;
  return computeHints(limit);
}

std::vector<KeyHint> PracticeRound::computeHints(std::int64_t limit) const {
  std::vector<KeyHint> result;
  const RoundPrompt& current = prompt();
  if (!current.japanese) return result;
  std::string reading = current.japanese->reading();
  if (exercise_ == Exercise::japaneseKana) {
    for (const KanaHint& hint : KanaInput::hints(reading, matcher_.typed(), jis_, limit)) {
      result.push_back({hint.text(), hint.isActive()});
    }
  } else {
    // Along the guide line's spelling, so the hints spell what it shows.
    for (const RomajiHint& hint : Romaji::hints(reading, matcher_.typed(), limit, style_)) {
      result.push_back({hint.kana + " " + hint.text(), hint.isActive()});
    }
  }
  return result;
}

void PracticeRound::refreshView() {
  const RoundPrompt& current = prompt();
  const std::string& typed = matcher_.typed();
  PracticeView view;
  view.display = current.display();

  switch (exercise_) {
    case Exercise::japaneseRomaji:
    case Exercise::guidedRomaji:
    case Exercise::customText:
      view.doneCharacters =
          current.japanese->completedDisplayCharacters(matcher_.completedCharacters());
      view.guide = RomajiGuide::fromPrompt(current.japanese->reading(), typed, style_);
      view.ghostKeys = KeyLookAhead::ghost(current.japanese->reading(), typed);
      break;
    case Exercise::japaneseKana: {
      PracticeItem item(current.japanese->reading(), "kana", jis_);
      view.doneCharacters = current.japanese->completedDisplayCharacters(item.completedCharacters(typed));
      break;
    }
    case Exercise::nepaliRoman:
    case Exercise::nepaliDirect:
      view.doneCharacters = current.language->completedDisplayCharacters(typed);
      view.guide = current.language->guide(typed, TavroLanguage::nepali);
      break;
    case Exercise::english:
    case Exercise::englishDirect:
      view.doneCharacters = current.language->completedDisplayCharacters(typed);
      break;
  }
  if (current.japanese) {
    std::string reading = current.japanese->reading();
    if (reading != view.display) view.reading = std::move(reading);
  }
  view.hints = computeHints(PracticeView::hintLimit);

  view.nextInputs = matcher_.next();
  view.expectedInput = matcher_.expectedInput(exercise_ == Exercise::nepaliDirect);
  if (typesLayoutKeys(exercise_)) {
    if (view.expectedInput) {
      const std::string& expected = *view.expectedInput;
      // Shift+0 types を on JIS, a keystroke no character stands for: the
      // key is the 0 key.
      bool shiftZero = expected == Keyboard::jisShiftZero;
      std::string label = shiftZero ? std::string(1, '0') : Keyboard::baseKey(expected, jis_);
      bool shift = shiftZero || label != expected;
      Finger finger = Keyboard::finger(label, mode());
      view.nextKey = NextKey{std::move(label), shift, finger};
    }
    // `Keyboard::isTarget` for every key of the picture (no exercise is the
    // keypad's), with each next input's key looked up once, not once per key.
    std::set<std::string, std::less<>> keys;
    for (const std::string& input : view.nextInputs) keys.insert(Keyboard::baseKey(input, jis_));
    for (const std::vector<std::string>& row : Keyboard::rows(jis_)) {
      for (const std::string& label : row) {
        if (keys.count(label) != 0) view.targetKeys.insert(label);
      }
    }
  }
  view.waiting = matcher_.complete();
  if (session_.completedWords() + 1 < WordSession::wordLimit)
    view.nextDisplay = prompts_[(index_ + 1) % prompts_.size()].display();
  view_ = std::move(view);
}

}  // namespace tavro
