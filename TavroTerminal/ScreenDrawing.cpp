#include "TavroTerminal/ScreenDrawing.h"

#include "Support/CharacterBounds.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroTerminal/TutorStrings.h"

#include <algorithm>

namespace tavro::terminal {

std::string capLabel(std::string_view label) {
  if (label.size() == 1 && label[0] >= 'a' && label[0] <= 'z') {
    return std::string(1, static_cast<char>(label[0] - 'a' + 'A'));
  }
  if (label == Keyboard::jisShiftZero) return "0";
  return std::string(label);
}

std::string keyName(std::string_view key, InterfaceLanguage language) {
  if (key == " ") return TutorStrings::text("space", language);
  if (key == "\n") return "Enter";
  return capLabel(key);
}

int putWrapped(Frame& frame, int row, int left, int right, const std::vector<Span>& spans,
               int maxRows) {
  struct Piece {
    std::string_view text;
    Style style;
    int width;
  };
  std::vector<Piece> pieces;
  for (const Span& span : spans) {
    std::size_t start = 0;
    for (std::size_t end : text::characterEnds(span.text)) {
      std::string_view character(span.text.data() + start, end - start);
      pieces.push_back({character, span.style, Frame::displayWidth(character)});
      start = end;
    }
  }
  const int room = right - left;
  static const int ellipsisWidth = Frame::displayWidth("…");
  auto draw = [&](std::size_t from, std::size_t to, int at) {
    int column = left;
    for (std::size_t i = from; i < to; ++i) column = frame.put(at, column, pieces[i].text, pieces[i].style);
    return column;
  };
  std::size_t next = 0;
  int used = 0;
  while (next < pieces.size() && used < maxRows) {
    // The pieces that fit on this row.
    std::size_t end = next;
    int width = 0;
    while (end < pieces.size() && width + pieces[end].width <= room) width += pieces[end++].width;
    if (end == pieces.size()) {
      draw(next, end, row + used++);
      return used;
    }
    if (used + 1 == maxRows) {
      // The last row: as much as leaves room for the mark of the cut.
      while (end > next && width + ellipsisWidth > room) width -= pieces[--end].width;
      // Cut after a whole word where the row has one.
      for (std::size_t i = end; i > next + 1; --i) {
        if (pieces[i - 1].text == " ") {
          end = i - 1;
          break;
        }
      }
      int column = draw(next, end, row + used++);
      frame.put(row + used - 1, column, "…", end > next ? pieces[end - 1].style : pieces[next].style);
      return used;
    }
    std::size_t cut = end;
    std::size_t resume = end;
    if (pieces[end].text == " ") {
      resume = end + 1;
    } else {
      for (std::size_t i = end; i > next; --i) {
        if (pieces[i - 1].text == " ") {
          cut = i - 1;
          resume = i;
          break;
        }
      }
    }
    if (cut == next && resume == next) {  // nothing fits: one character per row
      cut = resume = next + 1;
    }
    draw(next, cut, row + used++);
    next = resume;
  }
  return std::max(used, 1);
}

void putThemeSample(Frame& frame, int row, InterfaceLanguage language) {
  int column = frame.put(row, 3, "ka", Style::done);
  column = frame.put(row, column, "s", Style::active);
  column = frame.put(row, column, "a", Style::dim);
  column = frame.put(row, column + 3, " S ", Style::target);
  column = frame.put(row, column + 1, "D", Style::ghost);
  frame.put(row, column + 3, TutorStrings::text("x  {1} is not next", language, {"Q"}),
            Style::rejected);
}

}  // namespace tavro::terminal
