// The data of the small keyboard picture in the setup and the keyboard
// settings: the rows of keys with their widths, the home and anchor keys, a
// hiragana sample with its romaji, the Latin-key guide to Devanagari, the
// Devanagari digits, and for each language a few examples of how special
// characters are typed on the chosen layout. Built on the keyboard, kana
// and romaji tables of `input/`; the host draws the picture.
#pragma once

#include "TavroCore/input/TavroLanguage.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tavro::SetupKeyboardPreview {

// One key of the picture.
struct Key {
  std::string label;  // printed on the key: the upper-cased key label, or a name ("Tab")
  std::optional<std::string> source;  // the unshifted key label it types; none for control keys
  double width = 1.0;                 // in units of one ordinary key

  friend bool operator==(const Key&, const Key&) = default;
};

// One layout example: the character and how to type it.
struct Example {
  std::string text;
  std::string guide;

  friend bool operator==(const Example&, const Example&) = default;
};

// a s d f j k l ;
const std::set<std::string>& homeKeys();

// f and j, the keys with a tactile bump.
const std::set<std::string>& anchors();

// Two rows of (kana, romaji): あ い う え お and か き く け こ, each romaji the
// kana's first spelling in the romaji table (empty when it has none).
const std::vector<std::vector<std::pair<std::string, std::string>>>& hiragana();

// Latin key letter to (Devanagari letter, romanized syllable); 23 keys, no
// q, x or z. Both v and w give व.
const std::map<std::string, std::pair<std::string, std::string>>& nepaliRomanGuide();

// ASCII digit to Devanagari digit, "0" to "०" … "9" to "९".
const std::map<std::string, std::string>& nepaliDigits();

// The keyboard's rows with the control keys added: Backspace after the
// digits, Tab before the top letter row, Caps Lock before the home row,
// Enter (on the top letter row on JIS, the home row on US), Shift at both
// ends of the bottom row, and a fifth row with the space bar, the only
// control key with a source (" ").
std::vector<std::vector<Key>> rows(bool jis);

// Four examples per language and layout of characters typed in a special
// way (fewer only when a sample cannot be resolved on the layout).
std::vector<Example> layoutExamples(TavroLanguage language, bool jis);

}  // namespace tavro::SetupKeyboardPreview
