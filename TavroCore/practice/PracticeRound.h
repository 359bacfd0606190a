// One round as the learner types it: 25 words drawn in order from the
// round's prompts (a shorter list starts again from its first prompt), the
// matcher of the word being typed, the session count and the keys missed in
// this round. Nothing here draws or saves; a host asks for what to show
// (`view`, kept up to date as keys are judged) and, when the round is
// complete, for the attempt to store.
#pragma once

#include "TavroCore/history/WeakKeyHistory.h"
#include "TavroCore/history/WordSession.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/RomajiGuide.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/practice/Exercise.h"
#include "TavroCore/practice/PracticeView.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class PracticeRound {
 public:
  // `prompts` must not be empty.
  PracticeRound(Exercise exercise, std::int64_t round, bool jis, std::vector<RoundPrompt> prompts);

  Exercise exercise() const { return exercise_; }
  std::int64_t round() const { return round_; }
  bool jis() const { return jis_; }
  std::string_view mode() const { return tavro::mode(exercise_); }

  // The spelling system the romaji guide line and its key hints follow;
  // every spelling is accepted whatever it is.
  void setGuideStyle(RomajiStyle style);
  RomajiStyle guideStyle() const { return style_; }

  // What one keystroke (or one pasted character) did.
  enum class Outcome { accepted, rejected, ignored };

  // Judges `piece`, the text of one key, at time `now` (seconds on one clock
  // for the whole round). In kana-key rounds a kana character (from an input
  // method) stands for its keystrokes. A word that is complete but could
  // still take more (ほん after "hon" takes "n") waits: a key it does not take
  // moves on to the next word and is judged there, except a space or Enter,
  // which only moves on.
  Outcome type(std::string_view piece, double now);

  // Enter: moves on from a waiting word (ignored); anything else it does
  // nothing, so it is never judged as a wrong key of the prompt.
  Outcome confirmWord(double now);

  // What to show of the word being typed, as of the last judged key. The
  // reference stays valid, and its value changes only in `type`,
  // `confirmWord` and `setGuideStyle`.
  const PracticeView& view() const { return view_; }

  // The word being typed and how far it has got.
  const RoundPrompt& prompt() const { return prompts_[index_ % prompts_.size()]; }
  // The word after it, if the round has one.
  const std::optional<std::string>& nextDisplay() const { return view_.nextDisplay; }
  const Matcher& matcher() const { return matcher_; }
  // Shown characters of the prompt that are done.
  std::int64_t doneCharacters() const { return view_.doneCharacters; }
  // The hiragana reading of a Japanese prompt whose shown text differs
  // from it; nothing otherwise.
  const std::optional<std::string>& reading() const { return view_.reading; }
  // The typed-form line: romaji for romaji rounds in the guide style, the
  // romanization for Nepali; nothing for English and kana keys.
  const std::optional<RomajiGuide>& guide() const { return view_.guide; }
  // Per-kana key hints for romaji and kana-key rounds, the active one first.
  std::vector<KeyHint> hints(std::int64_t limit = PracticeView::hintLimit) const;
  // The inputs that can follow (`Matcher::next`) and the one to suggest.
  const std::set<std::string>& nextInputs() const { return view_.nextInputs; }
  const std::optional<std::string>& expectedInput() const { return view_.expectedInput; }
  // Romaji rounds: the key after the next within the same kana.
  const std::set<std::string>& ghostKeys() const { return view_.ghostKeys; }

  // The last key that was not accepted, until the next accepted one.
  const std::optional<std::string>& rejectedPiece() const { return rejected_; }

  const WordSession& session() const { return session_; }
  // The keystrokes of this round, for the weak-key ranking once it is kept.
  const WeakKeyHistory& keyHistory() const { return keys_; }
  bool isComplete() const { return session_.isComplete(); }
  // True when the round is complete and `piece` would still have gone into
  // its last word: the last word ends the round as soon as it is complete,
  // so the second "n" of a closing ん, or the space or Enter that would have
  // moved on from it, can come after the round has ended.
  bool continuesLastWord(std::string_view piece) const;

 private:
  std::string inputFor(std::string_view piece) const;
  Matcher makeMatcher(const RoundPrompt& prompt) const;
  void advance();
  // Works out `view_` from the word being typed and its matcher.
  void refreshView();
  std::vector<KeyHint> computeHints(std::int64_t limit) const;

  Exercise exercise_;
  std::int64_t round_;
  bool jis_;
  std::vector<RoundPrompt> prompts_;
  std::size_t index_ = 0;
  Matcher matcher_;
  WordSession session_;
  WeakKeyHistory keys_;
  std::optional<std::string> rejected_;
  RomajiStyle style_ = RomajiStyles::defaultStyle;
  PracticeView view_;
};

}  // namespace tavro
