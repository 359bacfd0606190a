// One screenful of the tutor as text: a grid of cells, each holding one
// character (or the right half of a wide one) and the style it is drawn in.
// Screens are laid out into a frame by the screen model; the terminal layer
// only copies the frame to ncurses, and tests and benchmarks read it back as
// text without a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

// How a cell is drawn. The terminal layer maps each style to colours and
// attributes of the chosen theme.
enum class Style : std::uint8_t {
  normal,
  dim,       // secondary text, keys not needed now
  title,     // headings
  done,      // typed part of a prompt
  active,    // the next character to type
  rejected,  // a key that was not accepted
  target,    // the key to press on the on-screen keyboard
  ghost,     // the key after it, within the same kana
  selected,  // the focused line of a menu
  marked,    // the new attempt in a score table
  warning,   // problems the learner must know about
  // A key of the key map by the band of its accuracy (a key never typed is
  // drawn dim), and the bars of the progress chart.
  keyWeak,
  keyFair,
  keyStrong,
};

struct Cell {
  std::string text = " ";  // one character; empty on the right half of a wide one
  Style style = Style::normal;

  bool operator==(const Cell&) const = default;
};

class Frame {
 public:
  Frame(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  // Blanks every cell.
  void clear();

  // Writes `text` from (row, column), clipped at the right edge and dropped
  // outside the frame. Control and format characters (escape sequences in
  // pasted text among them) never reach a cell; each shows as U+FFFD. A
  // wide character that would straddle the edge is left out. Returns the
  // column after the text.
  int put(int row, int column, std::string_view text, Style style = Style::normal);

  const Cell& cell(int row, int column) const;

  // The text of one row (wide characters once), without trailing blanks.
  std::string line(int row) const;
  // Every row, each ending in a line feed.
  std::string text() const;

  // The number of terminal columns `text` takes: the sum of the libc widths
  // of its code points under the current locale (0 for combining marks, 2
  // for East Asian wide characters), with control and format characters and
  // unprintable code points counted as the one column of U+FFFD.
  static int displayWidth(std::string_view text);

 private:
  int width_;
  int height_;
  std::vector<Cell> cells_;
};

// `text` cut to at most `width` columns, ending in "…" when cut.
std::string clipped(const std::string& text, int width);

// `text` cut into lines of at most `width` columns at spaces (inside a word
// only when the word alone is wider).
std::vector<std::string> wrapWords(const std::string& text, int width);

}  // namespace tavro::terminal
