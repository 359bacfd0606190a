// A small multi-line text field for the screens where the learner types or
// pastes text of their own: lines of UTF-8 with a cursor that moves by
// whole characters (grapheme clusters), bounded in characters and bytes so
// that a paste of any length costs bounded memory and time. Line breaks of
// any kind in the typed text (CR, LF, CR LF, VT, FF, NEL, U+2028, U+2029)
// start a new line, so the field's lines are the lines a reader of the
// joined text sees. Control and format characters other than line breaks
// are dropped as they arrive.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

class TextArea {
 public:
  // At most `maximumCharacters` characters, line breaks counted as one
  // each, and at most `maximumBytes` bytes of text.
  TextArea(std::size_t maximumCharacters, std::size_t maximumBytes);

  // Inserts `text` at the cursor and moves the cursor after it. Returns
  // false, inserting nothing, when the field would outgrow its bounds.
  bool insert(std::string_view text);
  // Splits the line at the cursor. False when the field is full.
  bool newline();
  // Erases the character before the cursor, joining two lines at the start
  // of a line.
  void backspace();
  // Erases the character after the cursor (Delete), joining the next line
  // at the end of a line.
  void erase();
  void left();
  void right();
  // Moves to the line above or below, as near the same column as it has.
  void up();
  void down();
  // Moves to the start or the end of the cursor's line (Home, End).
  void home() { offset_ = 0; }
  void end() { offset_ = lines_[line_].size(); }
  // Moves to the end of the last line.
  void toEnd() {
    line_ = lines_.size() - 1;
    offset_ = lines_.back().size();
  }

  // Replaces the whole text (cut at the bounds); the cursor goes to its end.
  void assign(std::string_view text);
  // The lines joined with line feeds.
  std::string text() const;
  const std::vector<std::string>& lines() const { return lines_; }
  bool empty() const { return lines_.size() == 1 && lines_[0].empty(); }

  std::size_t cursorLine() const { return line_; }
  // The cursor's byte offset in its line.
  std::size_t cursorOffset() const { return offset_; }
  // Characters held, line breaks included.
  std::size_t characters() const { return characters_; }
  std::size_t maximumCharacters() const { return maximumCharacters_; }

 private:
  std::size_t maximumCharacters_;
  std::size_t maximumBytes_;
  std::vector<std::string> lines_{std::string()};
  std::size_t line_ = 0;
  std::size_t offset_ = 0;
  std::size_t bytes_ = 0;  // line breaks counted as one byte each
  std::size_t characters_ = 0;
};

}  // namespace tavro::terminal
