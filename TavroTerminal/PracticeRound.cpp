#include "TavroTerminal/PracticeRound.h"

#include "Support/Text.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/KeyLookAhead.h"
#include "TavroCore/input/PracticeItem.h"
#include "TavroCore/input/Romaji.h"

#include <stdexcept>

namespace tavro::terminal {
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
      matcher_(makeMatcher(prompts_.front())) {}

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
      if (isComplete() || piece == " " || piece == "\n") return Outcome::ignored;
    }
  }

  std::optional<std::string> expected = expectedInput();
  bool accepted = matcher_.input(input);
  session_.recordInput(accepted, 1, now);
  bool folded = typesRomaji(exercise_) || exercise_ == Exercise::nepaliRoman;
  keys_.record(mode(), folded ? text::lowercased(input) : input,
               expected ? std::optional<std::string_view>(*expected) : std::nullopt, accepted);
  if (!accepted) {
    rejected_ = std::string(piece);
    return Outcome::rejected;
  }
  rejected_.reset();
  bool lastWord = session_.completedWords() + 1 == WordSession::wordLimit;
  if (matcher_.complete() && (matcher_.next().empty() || lastWord)) advance();
  return Outcome::accepted;
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

std::optional<std::string> PracticeRound::nextDisplay() const {
  if (session_.completedWords() + 1 >= WordSession::wordLimit) return std::nullopt;
  return prompts_[(index_ + 1) % prompts_.size()].display();
}

std::int64_t PracticeRound::doneCharacters() const {
  const RoundPrompt& current = prompt();
  const std::string& typed = matcher_.typed();
  switch (exercise_) {
    case Exercise::japaneseRomaji:
    case Exercise::guidedRomaji:
    case Exercise::customText:
      return current.japanese->completedDisplayCharacters(matcher_.completedCharacters());
    case Exercise::japaneseKana: {
      PracticeItem item(current.japanese->reading(), "kana", jis_);
      return current.japanese->completedDisplayCharacters(item.completedCharacters(typed));
    }
    default:
      return current.language->completedDisplayCharacters(typed);
  }
}

std::optional<std::string> PracticeRound::reading() const {
  const RoundPrompt& current = prompt();
  if (!current.japanese) return std::nullopt;
  std::string reading = current.japanese->reading();
  if (reading == current.japanese->display()) return std::nullopt;
  return reading;
}

std::optional<RomajiGuide> PracticeRound::guide() const {
  const RoundPrompt& current = prompt();
  switch (exercise_) {
    case Exercise::japaneseRomaji:
    case Exercise::guidedRomaji:
    case Exercise::customText:
      return RomajiGuide::fromPrompt(current.japanese->reading(), matcher_.typed(), style_);
    case Exercise::nepaliRoman:
    case Exercise::nepaliDirect:
      return current.language->guide(matcher_.typed(), TavroLanguage::nepali);
    default:
      return std::nullopt;
  }
}

std::vector<KeyHint> PracticeRound::hints(std::int64_t limit) const {
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

std::optional<std::string> PracticeRound::expectedInput() const {
  return matcher_.expectedInput(exercise_ == Exercise::nepaliDirect);
}

std::set<std::string> PracticeRound::ghostKeys() const {
  if (!typesRomaji(exercise_)) return {};
  return KeyLookAhead::ghost(prompt().japanese->reading(), matcher_.typed());
}

}  // namespace tavro::terminal
