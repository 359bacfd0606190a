#include "TavroTerminal/CustomTextEditor.h"

#include "Support/CharacterBounds.h"
#include "TavroCore/content/CustomPractice.h"
#include "TavroHost/CustomText.h"
#include "TavroTerminal/TutorStrings.h"

#include <algorithm>

namespace tavro::terminal {
namespace {

// 2000 as "2,000".
std::string withSeparators(std::size_t number) {
  std::string digits = std::to_string(number);
  std::string result;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) result += ',';
    result += digits[i];
  }
  return result;
}

// The marks of `count` characters from character `start` of the lines of
// `area` joined with one character per line break; a word across a line
// break is marked on each line it reaches.
void addMarks(std::vector<CustomTextEditor::Mark>& marks, const TextArea& area,
              std::size_t start, std::size_t count) {
  std::size_t lineStart = 0;
  for (std::size_t line = 0; line < area.lines().size() && count > 0; ++line) {
    std::size_t length = text::characterCount(area.lines()[line]);
    std::size_t lineEnd = lineStart + length;  // the line break's position
    if (start <= lineEnd) {
      std::size_t first = start - lineStart;
      std::size_t inLine = std::min(count, length - std::min(first, length));
      if (inLine > 0) marks.push_back({line, first, inLine});
      std::size_t used = std::min(count, lineEnd + 1 - start);  // its line break too
      count -= used;
      start += used;
    }
    lineStart = lineEnd + 1;
  }
}

std::size_t itemLines(const TextArea& area) {
  return static_cast<std::size_t>(std::count_if(area.lines().begin(), area.lines().end(),
                                                [](const std::string& line) { return !line.empty(); }));
}

}  // namespace

std::string withoutTerminalEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != '\x1b') {
      out += text[at++];
      continue;
    }
    ++at;
    if (at >= text.size()) break;
    char kind = text[at++];
    if (kind == '[') {
      while (at < text.size() && !(text[at] >= 0x40 && text[at] <= 0x7E)) ++at;
      ++at;  // the final byte
    } else if (kind == ']' || kind == 'P' || kind == 'X' || kind == '^' || kind == '_') {
      while (at < text.size() && text[at] != '\x07' &&
             !(text[at] == '\x1b' && at + 1 < text.size() && text[at + 1] == '\\'))
        ++at;
      at += at < text.size() && text[at] == '\x07' ? 1 : 2;
    }
  }
  return out;
}


void CustomTextEditor::paste(std::string_view pasted) {
  std::string clean = withoutTerminalEscapes(pasted);
  TextArea text = text_;
  TextArea reading = reading_;
  std::size_t readings = 0;
  bool fits = true;
  std::optional<TabbedPaste> split;
  if (focus_ == Field::text) split = splitTabbedPaste(clean);
  if (split) {
    // Lines of "word<Tab>reading": the words here, the readings below.
    readings = split->readingLines;
    if (readings > 0) {
      reading.toEnd();
      if (!reading.lines().back().empty()) fits = reading.newline();
    }
    fits = fits && text.insert(split->words) && reading.insert(split->readings);
  } else if (TextArea* area = focus_ == Field::text ? &text : &reading) {
    // Elsewhere a Tab only separates, as a space does.
    std::replace(clean.begin(), clean.end(), '\t', ' ');
    fits = area->insert(clean);
  }
  if (!fits) {
    tell("The paste does not fit: a field holds at most {1} characters. Nothing was pasted.",
         {withSeparators(CustomPractice::maximumCharacters)});
    messagesAreProblems_ = true;
    return;
  }
  text_ = std::move(text);
  reading_ = std::move(reading);
  faultyLine_.reset();
  if (readings > 0) {
    tell(readings == 1 ? "Pasted: the text after the Tab went into the reading field."
                       : "Pasted: the text after each Tab went into the reading field, {1} lines.",
         {std::to_string(readings)});
  } else {
    messages_.clear();
  }
}

CustomTextEditor::CustomTextEditor()
    : text_(CustomPractice::maximumCharacters, maximumBytes),
      reading_(CustomPractice::maximumCharacters, maximumBytes) {}

void CustomTextEditor::tell(std::string message, std::vector<std::string> values) {
  messages_ = {{std::move(message), std::move(values)}};
  messagesAreProblems_ = false;
}

TextArea* CustomTextEditor::focusedArea() {
  if (focus_ == Field::text) return &text_;
  if (focus_ == Field::reading) return &reading_;
  return nullptr;
}

CustomTextEditor::Action CustomTextEditor::handle(const Key& key) {
  if (key.kind == Key::Kind::escape) return Action::leave;
  if (key.kind == Key::Kind::tab) {
    focus_ = static_cast<Field>((static_cast<int>(focus_) + 1) % 4);
    confirmReplace_ = false;
    return Action::none;
  }
  if (key.kind == Key::Kind::paste) {
    if (focusedArea() != nullptr) paste(key.text);
    confirmReplace_ = false;
    return Action::none;
  }
  if (TextArea* area = focusedArea()) {
    bool edited = false;
    bool full = false;
    switch (key.kind) {
      case Key::Kind::text:
        full = !area->insert(key.text);
        edited = !full;
        break;
      case Key::Kind::enter:
        full = !area->newline();
        edited = !full;
        break;
      case Key::Kind::backspace:
        area->backspace();
        edited = true;
        break;
      case Key::Kind::del:
        area->erase();
        edited = true;
        break;
      case Key::Kind::home:
        area->home();
        break;
      case Key::Kind::end:
        area->end();
        break;
      case Key::Kind::left:
        area->left();
        break;
      case Key::Kind::right:
        area->right();
        break;
      case Key::Kind::up:
        area->up();
        break;
      case Key::Kind::down:
        area->down();
        break;
      default:
        break;
    }
    if (full) {
      tell("This field is full: it holds at most {1} characters.",
           {withSeparators(CustomPractice::maximumCharacters)});
      messagesAreProblems_ = true;
    } else if (edited) {
      messages_.clear();
      if (area == &reading_) faultyLine_.reset();
    }
    return Action::none;
  }
  // The two buttons: arrows move between the fields, Enter or Space presses.
  switch (key.kind) {
    case Key::Kind::up:
      focus_ = static_cast<Field>(static_cast<int>(focus_) - 1);
      confirmReplace_ = false;
      return Action::none;
    case Key::Kind::down:
      focus_ = static_cast<Field>((static_cast<int>(focus_) + 1) % 4);
      confirmReplace_ = false;
      return Action::none;
    case Key::Kind::enter:
      break;
    case Key::Kind::text:
      if (key.text == " ") break;
      return Action::none;
    default:
      return Action::none;
  }
  if (focus_ == Field::generate) {
    generate();
    return Action::none;
  }
  return start() ? Action::practise : Action::none;
}

void CustomTextEditor::generate() {
  if (itemLines(text_) == 0) {
    tell("Paste or type the Japanese text first, one practice item per line.");
    messagesAreProblems_ = true;
    return;
  }
  CustomPractice::ReadingSuggestion suggestion = CustomPractice::readingSuggestion(text_.text());
  const std::string& suggested = suggestion.reading;
  if (!reading_.empty() && reading_.text() != suggested && !confirmReplace_) {
    confirmReplace_ = true;
    tell("Press Enter again to replace the reading you have with a generated one.");
    return;
  }
  confirmReplace_ = false;
  reading_.assign(suggested);
  faultyLine_.reset();
  focus_ = Field::reading;
  // The words whose reading is a guess are marked in both fields, so the
  // learner checks those first.
  textMarks_.clear();
  readingMarks_.clear();
  for (const CustomPractice::ReadingGuess& guess : suggestion.guesses) {
    addMarks(textMarks_, text_, guess.textStart, guess.textLength);
    addMarks(readingMarks_, reading_, guess.readingStart, guess.readingLength);
  }
  markedText_ = text_.text();
  markedReading_ = reading_.text();
  if (suggestion.guesses.empty()) {
    tell("Reading generated: no word in it was a guess; check it before starting.");
  } else {
    tell(suggestion.guesses.size() == 1
             ? "Reading generated: check the underlined word; it can be read more than one way."
             : "Reading generated: check the {1} underlined words; they can be read more than one "
               "way.",
         {std::to_string(suggestion.guesses.size())});
  }
}

std::vector<CustomTextEditor::Mark> CustomTextEditor::textMarks() const {
  return text_.text() == markedText_ ? textMarks_ : std::vector<Mark>{};
}

std::vector<CustomTextEditor::Mark> CustomTextEditor::readingMarks() const {
  return reading_.text() == markedReading_ ? readingMarks_ : std::vector<Mark>{};
}

bool CustomTextEditor::start() {
  CustomTextVerdict verdict = judgeCustomText(text_.text(), reading_.text());
  faultyLine_ = verdict.faultyReadingLine;
  messages_.clear();
  if (verdict.accepted()) {
    prompts_ = std::move(verdict.prompts);
    return true;
  }
  // What is wrong comes before the rule itself.
  if (verdict.problem) messages_.push_back({verdict.problem->pattern, verdict.problem->values});
  messages_.push_back({std::string(customTextRule), {}});
  messagesAreProblems_ = true;
  return false;
}

void CustomTextEditor::renderArea(Frame& frame, const TextArea& area, int top, int rows,
                                  bool focused, std::optional<std::size_t> faultyLine,
                                  const std::vector<Mark>& marks) const {
  const std::vector<std::string>& lines = area.lines();
  std::size_t first = area.cursorLine() >= static_cast<std::size_t>(rows)
                          ? area.cursorLine() - static_cast<std::size_t>(rows) + 1
                          : 0;
  // Item numbers count the lines that are not empty, as the pairing does.
  std::size_t item = 0;
  for (std::size_t index = 0; index < first; ++index)
    if (!lines[index].empty()) ++item;
  constexpr int textColumn = 7;
  int width = frame.width() - textColumn - 1;
  for (int row = 0; row < rows && first + static_cast<std::size_t>(row) < lines.size(); ++row) {
    std::size_t index = first + static_cast<std::size_t>(row);
    const std::string& line = lines[index];
    bool faulty = faultyLine && *faultyLine == index;
    Style style = faulty ? Style::warning : Style::normal;
    if (!line.empty()) frame.put(top + row, 1, std::to_string(++item), faulty ? style : Style::dim);
    frame.put(top + row, 5, "│", Style::dim);
    bool cursorHere = focused && index == area.cursorLine();
    // The cursor's line scrolls sideways to keep the cursor in view.
    std::size_t from = 0;
    if (cursorHere) {
      std::string_view before = std::string_view(line).substr(0, area.cursorOffset());
      std::vector<std::size_t> ends = text::characterEnds(before);
      int used = 0;
      from = before.size();
      for (std::size_t i = ends.size(); i-- > 0;) {
        std::size_t start = i == 0 ? 0 : ends[i - 1];
        used += Frame::displayWidth(before.substr(start, ends[i] - start));
        if (used > width - 1) break;
        from = start;
      }
    }
    frame.put(top + row, textColumn, std::string_view(line).substr(from), style);
    // The guessed words, drawn again in the marked style where they show.
    for (const Mark& mark : marks) {
      if (mark.line != index) continue;
      std::size_t start = 0;
      std::size_t character = 0;
      int column = textColumn;
      for (std::size_t end : text::characterEnds(line)) {
        std::string_view piece = std::string_view(line).substr(start, end - start);
        if (start >= from) {
          int width = Frame::displayWidth(piece);
          if (column + width > frame.width() - 1) break;
          if (character >= mark.first && character < mark.first + mark.count)
            frame.put(top + row, column, piece, Style::marked);
          column += width;
        }
        start = end;
        ++character;
      }
    }
    if (cursorHere) {
      std::string_view rest = std::string_view(line).substr(area.cursorOffset());
      std::size_t size = text::firstCharacterSize(rest);
      int at = textColumn + Frame::displayWidth(
                                std::string_view(line).substr(from, area.cursorOffset() - from));
      if (at < frame.width() - 1) {
        frame.put(top + row, at, size == 0 ? std::string_view(" ") : rest.substr(0, size),
                  Style::active);
      }
    }
  }
}

void CustomTextEditor::render(Frame& frame, InterfaceLanguage language) const {
  auto t = [language](std::string_view text) { return TutorStrings::text(text, language); };
  frame.put(0, 1, t("Custom Text Practice"), Style::title);
  int row = 1;
  for (const std::string& line : wrapWords(
           t("Paste Japanese text, one practice item per line. The 25-item session repeats "
             "shorter lists."),
           frame.width() - 2)) {
    if (row > 2) break;
    frame.put(row++, 1, line, Style::dim);
  }

  std::vector<std::string> said;
  for (const Message& message : messages_) {
    for (const std::string& line :
         wrapWords(TutorStrings::filled(t(message.english), message.values), frame.width() - 2))
      said.push_back(line);
  }
  // The fields give up rows while the messages need more than the two
  // rows left under them, so that no part of a message is lost.
  int rows = std::max(1, std::min((frame.height() - 10) / 2,
                                  (frame.height() - 8 - static_cast<int>(said.size())) / 2));
  auto label = [&](int at, std::string_view name, const TextArea& area, bool focused) {
    std::size_t lines = itemLines(area);
    std::string count =
        TutorStrings::text(lines == 1 ? "{1} line · {2}/{3}" : "{1} lines · {2}/{3}", language,
                           {std::to_string(lines), withSeparators(area.characters()),
                            withSeparators(area.maximumCharacters())});
    int countWidth = Frame::displayWidth(count);
    frame.put(at, 1, clipped(std::string(name), frame.width() - countWidth - 4),
              focused ? Style::selected : Style::title);
    frame.put(at, frame.width() - 1 - countWidth, count, Style::dim);
  };
  auto button = [&](int at, std::string_view name, Field field) {
    bool focused = focus_ == field;
    frame.put(at, 3, "[ " + t(name) + " ]", focused ? Style::selected : Style::normal);
  };

  int top = 3;
  label(top, t("Japanese text"), text_, focus_ == Field::text);
  renderArea(frame, text_, top + 1, rows, focus_ == Field::text, std::nullopt, textMarks());
  button(top + 1 + rows, "Generate reading", Field::generate);
  top += rows + 2;
  label(top, t("Hiragana reading · Review and correct ambiguous readings before starting"),
        reading_, focus_ == Field::reading);
  renderArea(frame, reading_, top + 1, rows, focus_ == Field::reading, faultyLine_,
             readingMarks());
  button(top + 1 + rows, "Start practice", Field::start);

  row = top + rows + 2;
  for (const std::string& line : said) {
    if (row >= frame.height() - 1) break;
    frame.put(row++, 1, line, messagesAreProblems_ ? Style::warning : Style::done);
  }
  frame.put(frame.height() - 1, 1,
            t("Tab next field · Enter new line, or press the button · Esc home"), Style::dim);
}

}  // namespace tavro::terminal
