#include "TavroTerminal/TextArea.h"

#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroTerminal/Frame.h"

namespace tavro::terminal {
namespace {

bool isLineBreak(char32_t c) {
  return c == U'\n' || c == U'\v' || c == U'\f' || c == U'\r' || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

// The line pieces of `text`: cut at every line break (CR LF counts once),
// with control and format characters dropped.
std::vector<std::string> pieces(std::string_view text) {
  std::vector<std::string> result(1);
  char32_t previous = 0;
  for (char32_t c : text::codePoints(text)) {
    if (isLineBreak(c)) {
      if (!(c == U'\n' && previous == U'\r')) result.emplace_back();
    } else if (!text::isControlOrFormat(c)) {
      result.back() += text::fromCodePoint(c);
    }
    previous = c;
  }
  return result;
}

}  // namespace

TextArea::TextArea(std::size_t maximumCharacters, std::size_t maximumBytes)
    : maximumCharacters_(maximumCharacters), maximumBytes_(maximumBytes) {}

bool TextArea::insert(std::string_view input) {
  std::vector<std::string> inserted = pieces(input);
  if (inserted.size() == 1 && inserted[0].empty()) return true;
  const std::string& current = lines_[line_];
  std::string head = current.substr(0, offset_);
  std::string tail = current.substr(offset_);

  std::size_t addedBytes = inserted.size() - 1;
  for (const std::string& piece : inserted) addedBytes += piece.size();
  if (bytes_ + addedBytes > maximumBytes_) return false;

  std::vector<std::string> replacement = std::move(inserted);
  replacement.front().insert(0, head);
  std::size_t cursor = replacement.back().size();
  replacement.back() += tail;
  std::size_t characters = characters_ - text::characterCount(current) + replacement.size() - 1;
  for (const std::string& line : replacement) characters += text::characterCount(line);
  if (characters > maximumCharacters_) return false;

  std::size_t added = replacement.size() - 1;
  lines_[line_] = std::move(replacement.front());
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(line_) + 1,
                std::make_move_iterator(replacement.begin() + 1),
                std::make_move_iterator(replacement.end()));
  line_ += added;
  offset_ = cursor;
  bytes_ += addedBytes;
  characters_ = characters;
  return true;
}

bool TextArea::newline() { return insert("\n"); }

void TextArea::backspace() {
  std::string& current = lines_[line_];
  if (offset_ > 0) {
    std::size_t start = 0;
    for (std::size_t end : text::characterEnds(std::string_view(current).substr(0, offset_))) {
      if (end < offset_) start = end;
    }
    characters_ -= text::characterCount(current);
    bytes_ -= offset_ - start;
    current.erase(start, offset_ - start);
    characters_ += text::characterCount(current);
    offset_ = start;
    return;
  }
  if (line_ == 0) return;
  std::string& above = lines_[line_ - 1];
  characters_ -= text::characterCount(above) + text::characterCount(current) + 1;
  offset_ = above.size();
  above += current;
  characters_ += text::characterCount(above);
  bytes_ -= 1;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line_));
  --line_;
}

void TextArea::erase() {
  // The character after the cursor is the one before it once the cursor
  // has moved past it; the same bookkeeping then erases it.
  if (offset_ == lines_[line_].size() && line_ + 1 == lines_.size()) return;
  right();
  backspace();
}

void TextArea::left() {
  if (offset_ == 0) {
    if (line_ == 0) return;
    --line_;
    offset_ = lines_[line_].size();
    return;
  }
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(std::string_view(lines_[line_]).substr(0, offset_))) {
    if (end < offset_) start = end;
  }
  offset_ = start;
}

void TextArea::right() {
  const std::string& current = lines_[line_];
  if (offset_ == current.size()) {
    if (line_ + 1 == lines_.size()) return;
    ++line_;
    offset_ = 0;
    return;
  }
  offset_ += text::firstCharacterSize(std::string_view(current).substr(offset_));
}

namespace {

// The character boundary of `line` whose display column is nearest to
// `column` without passing it.
std::size_t offsetAtColumn(const std::string& line, int column) {
  std::size_t offset = 0;
  int width = 0;
  std::size_t start = 0;
  for (std::size_t end : text::characterEnds(line)) {
    width += Frame::displayWidth(std::string_view(line).substr(start, end - start));
    if (width > column) break;
    offset = end;
    start = end;
  }
  return offset;
}

}  // namespace

void TextArea::up() {
  if (line_ == 0) {
    offset_ = 0;
    return;
  }
  int column = Frame::displayWidth(std::string_view(lines_[line_]).substr(0, offset_));
  --line_;
  offset_ = offsetAtColumn(lines_[line_], column);
}

void TextArea::down() {
  if (line_ + 1 == lines_.size()) {
    offset_ = lines_[line_].size();
    return;
  }
  int column = Frame::displayWidth(std::string_view(lines_[line_]).substr(0, offset_));
  ++line_;
  offset_ = offsetAtColumn(lines_[line_], column);
}

void TextArea::assign(std::string_view input) {
  lines_.assign(1, std::string());
  line_ = 0;
  offset_ = 0;
  bytes_ = 0;
  characters_ = 0;
  if (insert(input)) return;
  // Too long: as much as fits, whole characters at a time.
  for (const std::string& character : text::graphemes(input)) {
    if (!insert(character)) break;
  }
}

std::string TextArea::text() const {
  std::string joined;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += lines_[i];
  }
  return joined;
}

}  // namespace tavro::terminal
