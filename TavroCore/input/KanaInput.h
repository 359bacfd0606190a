// Typing Japanese on the kana legends of the keyboard: one key per kana,
// separate keystrokes for the voiced and semi-voiced marks, Shift for small
// kana and some punctuation. A hiragana prompt becomes the exact sequence of
// key characters to press (unshifted labels; for a shifted keystroke the
// character Shift produces on that layout, `Keyboard::jisShiftZero` for JIS
// Shift+0), which a matcher then compares exactly. Both layouts use the JIS
// kana arrangement; on the US layout five keys sit elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One per-kana hint shown above a kana prompt.
struct KanaHint {
  std::int64_t id = 0;                       // index of the kana in the prompt
  std::string kana;                          // the prompt character
  std::vector<std::string> keys;             // its keystrokes: upper-cased unshifted label, "⇧" first when shifted
  std::optional<std::int64_t> activeStroke;  // strokes typed so far, only for the kana being typed

  // True for the kana being typed now.
  bool isActive() const { return activeStroke.has_value(); }

  // "[" + keys joined with " + " + " · " + kana + "]", e.g. "[T + @ · が]".
  std::string text() const;

  friend bool operator==(const KanaHint&, const KanaHint&) = default;
};

namespace KanaInput {

// The label of a JIS key on the chosen layout: on US "@" is "[", "[" is "]",
// ":" is "'", "]" is "`" and "^" is "="; every other label is the same.
std::string layoutKey(std::string_view label, bool jis);

// The character Shift produces on the key `label`, or `label` itself when
// the layout's shifted-key map has no entry for it.
std::string shifted(std::string_view label, bool jis);

// The key sequence of one prompt character. A character without a kana key
// (katakana, kanji, a space, a Latin letter) comes out as itself.
std::string strokes(std::string_view character, bool jis);

// The key sequence of a whole prompt: the strokes of its characters in order.
std::string keys(std::string_view prompt, bool jis);

// The kana legend of an on-screen key, or " " for a key without one.
std::string label(std::string_view key, bool jis);

// The legend of an on-screen key with Shift (small kana, を, Japanese
// punctuation, ー on the US backslash key), or "" when there is none.
std::string shiftedLabel(std::string_view key, bool jis);

// Hints for the kana being typed and the kana after it, at most `limit`.
// Empty when `limit` is below 1 or `typed` has left the prompt's key sequence.
std::vector<KanaHint> hints(std::string_view prompt, std::string_view typed, bool jis, std::int64_t limit);

}  // namespace KanaInput
}  // namespace tavro
