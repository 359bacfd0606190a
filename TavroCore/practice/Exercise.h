// What the learner practises: a language with one way of typing it, and for
// Japanese the JLPT level. Each choice names the exercise mode its scores
// and weak keys are kept under and the rounds it offers, and builds the
// prompts of a round. How an exercise or a round is named on screen is the
// host's (each host words its own interface).
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/content/JapanesePrompt.h"
#include "TavroCore/input/LanguagePrompt.h"
#include "TavroCore/input/TavroLanguage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

enum class Exercise {
  japaneseRomaji,  // JLPT rounds typed in romaji
  japaneseKana,    // JLPT rounds typed on the kana keys
  guidedRomaji,    // the main romaji curriculum with the reading always shown
  english,
  englishDirect,  // the same, scored as typed on the system's own keyboard layout
  nepaliRoman,   // Devanagari shown, typed romanized
  nepaliDirect,  // Devanagari typed directly
  customText,    // the learner's own Japanese text, its reading typed in romaji
};

inline constexpr std::array<Exercise, 8> allExercises = {
    Exercise::japaneseRomaji, Exercise::japaneseKana,  Exercise::guidedRomaji,
    Exercise::customText,     Exercise::english,       Exercise::englishDirect,
    Exercise::nepaliRoman,    Exercise::nepaliDirect,
};

// The last round number: rounds 1 to 6 are fixed, 7 is the weak-key round.
inline constexpr std::int64_t roundCount = 7;
inline constexpr std::int64_t weakKeyRound = 7;
// The weak-key drill (WeakKeyDrill.h), offered beside the numbered rounds.
// Its attempts are kept under the exercise's own mode with this round
// number, so they rank in a table of their own, never in round 7's, and
// stay within what backups and sync accept (rounds 1 to 9). Its keystrokes
// count in the mode's weak-key history like any round's.
inline constexpr std::int64_t drillRound = 8;

// The rounds an exercise offers: seven, or one for the learner's own text
// (its prompts come from the host's custom text, not from `prompts`).
std::int64_t rounds(Exercise exercise);

// The round a host offers after `round`: the next numbered round, round 1
// after round 7 and after the drill, and round 1 again for the learner's
// own text.
std::int64_t nextRound(Exercise exercise, std::int64_t round);

// Whether the exercise offers the weak-key drill: every one but the
// learner's own text, which has no material to choose from.
bool offersDrill(Exercise exercise);

// True when the reading of a Japanese prompt is typed in romaji.
bool typesRomaji(Exercise exercise);

// True when what is typed are keys of the practice layout, so a next key,
// its Shift and its finger can be named: every exercise but Devanagari
// typed directly, whose keys belong to the system's own layout.
bool typesLayoutKeys(Exercise exercise);

TavroLanguage language(Exercise exercise);

// The exercise mode identifier scores and weak keys are kept under.
std::string_view mode(Exercise exercise);

// The exercise a language starts with: the way of typing the preferences
// keep for it (kana keys for Japanese; the direct keyboard, one flag for
// English and Nepali together). Of the romaji exercises of Japanese, the
// one the key "terminalJapaneseInput" names (guided romaji or the custom
// text); kana keys chosen elsewhere win over it.
Exercise savedExercise(TavroLanguage language, const platform::UserDefaults& store);

// Keeps the way of typing of `exercise` in the preferences. Guided romaji
// and the custom text count as romaji for the shared kana-keys flag, and
// are told apart by the key "terminalJapaneseInput".
void saveInput(Exercise exercise, platform::UserDefaults& store);

// Whether the JLPT level chooses the content.
bool usesLevel(Exercise exercise);

// The exercises of a language, in the order a host offers them.
std::vector<Exercise> exercises(TavroLanguage language);

// One prompt of a round in the shape a practice screen needs.
struct RoundPrompt {
  std::optional<JapanesePrompt> japanese;  // Japanese: shown text with the reading typed
  std::optional<LanguagePrompt> language;  // English and Nepali

  // The shown text.
  std::string display() const;
};

// The prompts of a round (none for the custom text); `weakKeys` holds the learner's weak keys of this
// exercise's mode, most important first (used by round 7 only).
std::vector<RoundPrompt> prompts(Exercise exercise, JLPTLevel level, std::int64_t round,
                                 std::string_view weakKeys, bool jis);

// The weak-key text of a ranking: at most `limit` keys joined in order.
std::string weakKeyText(const std::vector<std::string>& rankedKeys, std::size_t limit = 8);

}  // namespace tavro
