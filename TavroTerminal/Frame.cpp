#include "TavroTerminal/Frame.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"

#include <algorithm>
#include <cwchar>

namespace tavro::terminal {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

bool unsafe(char32_t codePoint) {
  return text::isControlOrFormat(codePoint) || codePoint == 0xFFFD;
}

int codePointWidth(char32_t codePoint) {
  if (codePoint < 0x80) return codePoint >= 0x20 && codePoint < 0x7F ? 1 : -1;
  if (codePoint > 0x10FFFF) return -1;
  return ::wcwidth(static_cast<wchar_t>(codePoint));
}

// A character as it may be shown, and its width in columns.
struct Shown {
  std::string text;
  int width = 0;
};

Shown shown(std::string_view character) {
  if (character.size() == 1) {
    auto byte = static_cast<unsigned char>(character[0]);
    if (byte >= 0x20 && byte < 0x7F) return {std::string(character), 1};
    return {std::string(replacement), 1};
  }
  int width = 0;
  for (char32_t codePoint : text::codePoints(character)) {
    int one = unsafe(codePoint) ? -1 : codePointWidth(codePoint);
    if (one < 0) return {std::string(replacement), 1};
    width += one;
  }
  // A lone combining mark has no column of its own; give it one so that it
  // cannot merge with whatever the terminal drew before it.
  if (width == 0) return {std::string(replacement), 1};
  return {std::string(character), width};
}

template <typename Visit>
void eachCharacter(std::string_view text, Visit visit) {
  if (text::isAscii(text)) {
    for (std::size_t i = 0; i < text.size(); ++i) visit(text.substr(i, 1));
    return;
  }
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(text)) {
    visit(text.substr(start, end - start));
    start = end;
  }
}

}  // namespace

Frame::Frame(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Frame::clear() {
  for (Cell& cell : cells_) {
    cell.text.assign(1, ' ');
    cell.style = Style::normal;
  }
}

int Frame::put(int row, int column, std::string_view text, Style style) {
  if (row < 0 || row >= height_) return column;
  eachCharacter(text, [&](std::string_view character) {
    Shown piece = shown(character);
    if (column >= 0 && column + piece.width <= width_) {
      Cell* at = &cells_[static_cast<std::size_t>(row * width_ + column)];
      at->text = std::move(piece.text);
      at->style = style;
      for (int extra = 1; extra < piece.width; ++extra) {
        at[extra].text.clear();
        at[extra].style = style;
      }
    }
    column += piece.width;
  });
  return column;
}

const Cell& Frame::cell(int row, int column) const {
  return cells_.at(static_cast<std::size_t>(row * width_ + column));
}

std::string Frame::line(int row) const {
  std::string result;
  if (row < 0 || row >= height_) return result;
  for (int c = 0; c < width_; ++c)
    result += cells_[static_cast<std::size_t>(row * width_ + c)].text;
  result.erase(result.find_last_not_of(' ') + 1);
  return result;
}

std::string Frame::text() const {
  std::string result;
  for (int row = 0; row < height_; ++row) {
    result += line(row);
    result += '\n';
  }
  return result;
}

int Frame::displayWidth(std::string_view text) {
  int width = 0;
  eachCharacter(text, [&](std::string_view character) { width += shown(character).width; });
  return width;
}

std::string clipped(const std::string& text, int width) {
  if (Frame::displayWidth(text) <= width) return text;
  std::string shown;
  int used = 0;
  for (const std::string& character : text::graphemes(text)) {
    int one = Frame::displayWidth(character);
    if (used + one > width - 1) break;
    shown += character;
    used += one;
  }
  return shown + "…";
}

std::vector<std::string> wrapWords(const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  int used = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    int wordWidth = Frame::displayWidth(word);
    if (used > 0 && used + 1 + wordWidth > width) {
      lines.push_back(line);
      line.clear();
      used = 0;
    }
    while (wordWidth > width) {  // a word wider than a line
      std::string head;
      int headWidth = 0;
      std::size_t cut = 0;
      for (const std::string& character : text::graphemes(word)) {
        int one = Frame::displayWidth(character);
        if (headWidth + one > width) break;
        head += character;
        headWidth += one;
        cut += character.size();
      }
      if (cut == 0) break;
      lines.push_back(head);
      word.erase(0, cut);
      wordWidth = Frame::displayWidth(word);
    }
    if (used > 0) {
      line += ' ';
      ++used;
    }
    line += word;
    used += wordWidth;
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace tavro::terminal
