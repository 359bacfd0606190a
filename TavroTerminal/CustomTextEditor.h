// The custom text screen: the learner pastes or types Japanese text, one
// practice item per line, gets a proposed hiragana reading line by line,
// corrects it, and starts a round of the pairs. The text lives only in
// memory for as long as the tutor runs; nothing of it is written to disk.
// When the core refuses the text, the screen says which line (or which
// count) is at fault as well as the rule.
#pragma once

#include "TavroCore/content/JapanesePrompt.h"
#include "TavroHost/CustomText.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/InterfaceLanguage.h"
#include "TavroTerminal/Key.h"
#include "TavroTerminal/TextArea.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavro::terminal {

// `text` without the terminal's escape sequences: CSI (ESC [ ... final
// byte), the strings (ESC ] P X ^ _ ... up to BEL or ESC \) and two-byte
// escapes, so that a colour-coded paste keeps its words and nothing else.
std::string withoutTerminalEscapes(std::string_view text);

class CustomTextEditor {
 public:
  // The parts of the screen the Tab key visits, in order.
  enum class Field { text, generate, reading, start };
  // What a key asks of the tutor.
  enum class Action { none, leave, practise };

  // The bytes each field may hold besides its character limit, as the
  // desktop tutor bounds its fields.
  static constexpr std::size_t maximumBytes = customTextMaximumBytes;

  CustomTextEditor();

  // A paste (Key::Kind::paste) is text for the focused field, whatever it
  // holds: escape sequences in it are removed, and a Tab is a separator. In
  // the text field, lines "word<Tab>reading" put each reading into the
  // reading field, one line per line, after its last line. A paste that
  // does not fit changes neither field and says so.
  Action handle(const Key& key);
  // Lays the screen out into `frame`, in English or Japanese.
  void render(Frame& frame, InterfaceLanguage language) const;

  // The prompts of the text as it was when the learner last started a round.
  const std::vector<JapanesePrompt>& prompts() const { return prompts_; }
  // A line shown under the fields until the next key (a round left, ...).
  // It is kept in English, "{1}" and on standing for `values`, and shown
  // in the language of each drawing.
  void tell(std::string message, std::vector<std::string> values = {});

  // A word of a generated reading that is a guess: `count` characters from
  // character `first` of line `line` of a field.
  struct Mark {
    std::size_t line = 0;
    std::size_t first = 0;
    std::size_t count = 0;
    bool operator==(const Mark&) const = default;
  };
  // The guesses of the last generated reading, in the text and in the
  // reading, while that field is as it was generated; nothing after an edit,
  // as the positions would no longer name the words.
  std::vector<Mark> textMarks() const;
  std::vector<Mark> readingMarks() const;

  Field focus() const { return focus_; }
  const TextArea& text() const { return text_; }
  const TextArea& reading() const { return reading_; }

 private:
  TextArea* focusedArea();
  // A bracketed paste into the focused field (see handle).
  void paste(std::string_view pasted);
  void generate();
  bool start();
  void renderArea(Frame& frame, const TextArea& area, int top, int rows, bool focused,
                  std::optional<std::size_t> faultyLine, const std::vector<Mark>& marks) const;

  TextArea text_;
  TextArea reading_;
  Field focus_ = Field::text;
  // Set when Generate would replace a reading the learner has: the next
  // Enter on it replaces.
  bool confirmReplace_ = false;
  struct Message {
    std::string english;
    std::vector<std::string> values;
  };
  std::vector<Message> messages_;
  bool messagesAreProblems_ = false;
  // The line of the reading field that was refused, until it is edited.
  std::optional<std::size_t> faultyLine_;
  std::vector<JapanesePrompt> prompts_;
  // The guesses of the last generated reading and the fields' texts they
  // were found in.
  std::vector<Mark> textMarks_;
  std::vector<Mark> readingMarks_;
  std::string markedText_;
  std::string markedReading_;
};

}  // namespace tavro::terminal
