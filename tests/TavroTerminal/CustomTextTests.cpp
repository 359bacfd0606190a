// The learner's own Japanese text: the text field, the custom text screen
// (readings proposed, refusals explained) and a round of it from home to
// the archive on disk.
#include "TavroTerminal/CustomTextEditor.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/TextArea.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "Support/CharacterBounds.h"
#include "TavroCore/settings/FirstLaunchSetup.h"

#include <gtest/gtest.h>


namespace tavro::terminal {
namespace {

using tavro::testing::TemporaryDirectory;

TEST(TextAreaTest, EditsWholeCharactersAcrossLines) {
  ASSERT_TRUE(utf8Locale);
  // Steps: "<" ">" "^" "v" move, "home" and "end" too, "b" is Backspace,
  // "del" Delete, anything else is typed.
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> lines;
    std::size_t line;
    std::size_t offset;
  };
  const Case cases[] = {
      {"every kind of line break starts one line",
       {"a\r\nb\rc\nd\u2028e\u2029f\vg\fh\u0085i"},
       {"a", "b", "c", "d", "e", "f", "g", "h", "i"},
       8,
       1},
      {"control and format characters never get in",
       {"x\x1b[2J\ty\u202Ez\x7f"},
       {"x[2Jyz"},
       0,
       6},
      {"backspace erases a whole character", {"ke\u0301か", "b", "b"}, {"k"}, 0, 1},
      {"backspace at a line start joins the lines", {"ab\ncd", "<", "<", "b"}, {"abcd"}, 0, 2},
      {"typing in the middle of a line", {"ad", "<", "bc"}, {"abcd"}, 0, 3},
      {"left from a line start goes to the end of the line above",
       {"ab\nc", "<", "<"},
       {"ab", "c"},
       0,
       2},
      {"up keeps the column, counting wide characters twice",
       {"かなab\nxyzw", "^"},
       {"かなab", "xyzw"},
       0,
       6},
      {"down past the last line goes to its end", {"ab\ncd", "^", "<", "v", "v"}, {"ab", "cd"}, 1, 2},
      {"right moves over a combining sequence at once",
       {"e\u0301x", "<", "<", ">"},
       {"e\u0301x"},
       0,
       3},
      {"home and end stay on the cursor's line", {"ab\ncd", "<", "home", "X", "end", "Y"},
       {"ab", "XcdY"}, 1, 4},
      {"delete erases the whole character after the cursor",
       {"e\u0301xか", "home", "del", ">", "del"},
       {"x"},
       0,
       1},
      {"delete at a line end joins the next line", {"ab\ncd", "^", "end", "del"}, {"abcd"}, 0, 2},
      {"delete at the very end does nothing", {"ab", "del"}, {"ab"}, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextArea area(100, 1000);
    for (const std::string& step : c.steps) {
      if (step == "<") {
        area.left();
      } else if (step == ">") {
        area.right();
      } else if (step == "^") {
        area.up();
      } else if (step == "v") {
        area.down();
      } else if (step == "b") {
        area.backspace();
      } else if (step == "home") {
        area.home();
      } else if (step == "end") {
        area.end();
      } else if (step == "del") {
        area.erase();
      } else {
        ASSERT_TRUE(area.insert(step));
      }
    }
    EXPECT_EQ(area.lines(), c.lines);
    EXPECT_EQ(area.cursorLine(), c.line);
    EXPECT_EQ(area.cursorOffset(), c.offset);
    // The count the bounds are checked against follows every edit.
    std::size_t characters = c.lines.size() - 1;
    for (const std::string& line : c.lines) characters += text::characterCount(line);
    EXPECT_EQ(area.characters(), characters);
  }
}

TEST(TextAreaTest, RefusesWhatWouldOutgrowItsBounds) {
  TextArea characters(5, 100);
  ASSERT_TRUE(characters.insert("abcd"));
  EXPECT_FALSE(characters.insert("ef"));  // all or nothing
  EXPECT_TRUE(characters.insert("\u3042"));
  EXPECT_FALSE(characters.newline());  // a line break is a character too
  EXPECT_EQ(characters.text(), "abcdあ");
  EXPECT_EQ(characters.characters(), 5u);
  characters.backspace();
  EXPECT_EQ(characters.characters(), 4u);

  // Combining marks add bytes, not characters: the byte bound stops them.
  TextArea bytes(100, 8);
  ASSERT_TRUE(bytes.insert("e"));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(bytes.insert("\u0301"));
  EXPECT_FALSE(bytes.insert("\u0301"));
  EXPECT_EQ(bytes.characters(), 1u);

  TextArea cut(3, 100);
  cut.assign("ab\ncdef");
  EXPECT_EQ(cut.text(), "ab\n");  // the line break was the third character
  cut.assign("xy");
  EXPECT_EQ(cut.text(), "xy");
  EXPECT_EQ(cut.characters(), 2u);
}

// Types `text` as a terminal delivers it: line feeds arrive as Enter.
template <typename Target>
void typeText(Target& target, const std::string& text, double now = 0) {
  for (const std::string& character : text::graphemes(text)) {
    Key key = character == "\n" ? Key::of(Key::Kind::enter) : Key::character(character);
    if constexpr (std::is_same_v<Target, Tutor>) {
      target.handle(key, now);
    } else {
      target.handle(key);
    }
  }
}

std::string render(const CustomTextEditor& editor, Frame& frame) {
  frame.clear();
  editor.render(frame, InterfaceLanguage::english);
  return frame.text();
}

TEST(CustomTextEditorTest, RefusedTextSaysWhatIsWrongAndStartsNothing) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::string text;
    std::string reading;
    std::string problem;
    int faultyRow;  // the reading row drawn as a warning, or -1
  };
  const Case cases[] = {
      {"no text", "", "", "Paste or type the Japanese text first", -1},
      {"no reading", "学校\n駅", "", "Give the reading of each line", -1},
      {"line counts differ", "学校\n\n駅", "がっこう", "The text has 2 lines and the reading 1", -1},
      {"a Latin letter in the second reading", "学校\n駅", "がっこう\n\nえki",
       "Reading line 2 cannot be typed", 2},
      {"a reading of spaces only", "学校\n駅", "　 \nえき", "Reading line 1 cannot be typed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CustomTextEditor editor;
    typeText(editor, c.text);
    editor.handle(Key::of(Key::Kind::tab));
    editor.handle(Key::of(Key::Kind::tab));
    typeText(editor, c.reading);
    editor.handle(Key::of(Key::Kind::tab));
    ASSERT_EQ(editor.focus(), CustomTextEditor::Field::start);
    EXPECT_EQ(editor.handle(Key::of(Key::Kind::enter)), CustomTextEditor::Action::none);
    EXPECT_TRUE(editor.prompts().empty());

    Frame frame(80, 24);
    std::string screen = render(editor, frame);
    EXPECT_NE(screen.find(c.problem), std::string::npos) << screen;
    EXPECT_NE(screen.find("Use matching lines, Hiragana and punctuation"), std::string::npos);
    // The rule's last words, wrapped under the problem, are not lost.
    EXPECT_NE(screen.find("is saved."), std::string::npos) << screen;
    // The reading field starts under its label, below the text field.
    int firstReadingRow = -1;
    for (int row = 0; row < frame.height() && firstReadingRow < 0; ++row) {
      if (frame.line(row).find("Hiragana reading") != std::string::npos) firstReadingRow = row + 1;
    }
    ASSERT_GT(firstReadingRow, 0);
    for (int line = 0; line < 3; ++line) {
      bool warned = frame.cell(firstReadingRow + line, 7).style == Style::warning;
      EXPECT_EQ(warned, line == c.faultyRow) << "reading line " << line;
    }
  }
}

TEST(CustomTextEditorTest, GeneratedReadingReplacesTheLearnersOnlyWhenAskedTwice) {
  ASSERT_TRUE(utf8Locale);
  CustomTextEditor editor;
  typeText(editor, "学校\n東京");
  editor.handle(Key::of(Key::Kind::tab));
  ASSERT_EQ(editor.focus(), CustomTextEditor::Field::generate);
  editor.handle(Key::of(Key::Kind::enter));
  EXPECT_EQ(editor.reading().text(), "がっこう\nとうきょう");
  EXPECT_EQ(editor.focus(), CustomTextEditor::Field::reading);

  // The learner corrects the reading; Generate then asks first.
  editor.handle(Key::of(Key::Kind::backspace));
  typeText(editor, "けい");
  editor.handle(Key::of(Key::Kind::up));  // the cursor moves, nothing else
  EXPECT_EQ(editor.reading().text(), "がっこう\nとうきょけい");
  for (int i = 0; i < 3; ++i) editor.handle(Key::of(Key::Kind::tab));
  ASSERT_EQ(editor.focus(), CustomTextEditor::Field::generate);
  editor.handle(Key::of(Key::Kind::enter));
  EXPECT_EQ(editor.reading().text(), "がっこう\nとうきょけい");
  Frame frame(80, 24);
  EXPECT_NE(render(editor, frame).find("Press Enter again"), std::string::npos);
  editor.handle(Key::of(Key::Kind::enter));
  EXPECT_EQ(editor.reading().text(), "がっこう\nとうきょう");
}

TEST(CustomTextEditorTest, LongLineScrollsToKeepTheCursorInView) {
  ASSERT_TRUE(utf8Locale);
  CustomTextEditor editor;
  std::string line;
  for (int i = 0; i < 60; ++i) line += "あ";
  line += "終";
  typeText(editor, line);
  Frame frame(80, 24);
  render(editor, frame);
  std::string row = frame.line(4);
  EXPECT_NE(row.find("あ終"), std::string::npos) << row;
  EXPECT_EQ(row.find("│あ"), std::string::npos);  // the start has scrolled away
  // The cursor is drawn after the last character, inside the frame.
  bool cursor = false;
  for (int column = 0; column < frame.width(); ++column)
    cursor = cursor || frame.cell(4, column).style == Style::active;
  EXPECT_TRUE(cursor);
}

TEST(CustomTextEditorTest, PasteIsTextWithTabsAsSeparatorsAndNoEscapes) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    int tabs;  // Tab presses before the paste: 0 the text field, 2 the reading
    std::string before;
    std::string pasted;
    std::string text;
    std::string reading;
    std::string message;
  };
  const Case cases[] = {
      {"word<Tab>reading lines fill both fields", 0, "", "学校\tがっこう\r\n駅\tえき\n", "学校\n駅\n",
       "がっこう\nえき", "after each Tab went into the reading field, 2 lines"},
      {"readings go after those already given", 0, "", "東京\tとうきょう", "東京", "とうきょう",
       "after the Tab went into the reading field"},
      {"colour sequences are removed, the words kept", 0, "",
       "\x1b[31m学校\x1b[0mへ\x1b]0;title\x07行く\x1b[1;32m", "学校へ行く", "", ""},
      {"a Tab in the reading field separates", 2, "", "がっ\tこう", "", "がっ こう", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CustomTextEditor editor;
    for (int i = 0; i < c.tabs; ++i) editor.handle(Key::of(Key::Kind::tab));
    EXPECT_EQ(editor.handle(Key::pasted(c.pasted)), CustomTextEditor::Action::none);
    EXPECT_EQ(editor.focus(), c.tabs == 0 ? CustomTextEditor::Field::text
                                          : CustomTextEditor::Field::reading);
    EXPECT_EQ(editor.text().text(), c.text);
    EXPECT_EQ(editor.reading().text(), c.reading);
    Frame frame(80, 24);
    if (!c.message.empty()) {
      EXPECT_NE(render(editor, frame).find(c.message), std::string::npos);
    }
  }

  // Readings pasted later pair with the lines after those already there.
  CustomTextEditor editor;
  editor.handle(Key::pasted("学校\tがっこう\n"));
  editor.handle(Key::pasted("駅\tえき"));
  EXPECT_EQ(editor.text().text(), "学校\n駅");
  EXPECT_EQ(editor.reading().text(), "がっこう\nえき");

  // A paste too long for a field changes nothing and says so.
  std::string tooLong;
  for (int i = 0; i < 1500; ++i) tooLong += "あ\tい\n";
  editor.handle(Key::pasted(tooLong));
  EXPECT_EQ(editor.text().text(), "学校\n駅");
  EXPECT_EQ(editor.reading().text(), "がっこう\nえき");
  Frame frame(80, 24);
  EXPECT_NE(render(editor, frame).find("The paste does not fit"), std::string::npos)
      << frame.text();
}

TEST(CustomTextEditorTest, OneLineIsCountedInTheSingular) {
  ASSERT_TRUE(utf8Locale);
  CustomTextEditor editor;
  typeText(editor, "学校");
  for (int i = 0; i < 2; ++i) editor.handle(Key::of(Key::Kind::tab));
  typeText(editor, "がっこう\nえき");
  editor.handle(Key::of(Key::Kind::tab));
  editor.handle(Key::of(Key::Kind::enter));
  Frame frame(80, 24);
  std::string screen = render(editor, frame);
  EXPECT_NE(screen.find(" 1 line · 2/"), std::string::npos) << screen;
  EXPECT_NE(screen.find("The text has 1 line and the reading 2"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("1 lines"), std::string::npos) << screen;
}

TEST(CustomTextEditorTest, HomeEndAndDeleteEditTheFieldAndNeverLeaveTheScreen) {
  CustomTextEditor editor;
  typeText(editor, "ab\ncd");
  for (Key::Kind kind : {Key::Kind::home, Key::Kind::del, Key::Kind::end, Key::Kind::del}) {
    EXPECT_EQ(editor.handle(Key::of(kind)), CustomTextEditor::Action::none);
  }
  typeText(editor, "!");
  EXPECT_EQ(editor.text().lines(), (std::vector<std::string>{"ab", "d!"}));
  EXPECT_EQ(editor.focus(), CustomTextEditor::Field::text);
}

TEST(CustomTextEditorTest, GuessedReadingsAreMarkedInBothFieldsUntilEdited) {
  ASSERT_TRUE(utf8Locale);
  using Mark = CustomTextEditor::Mark;
  CustomTextEditor editor;
  // 今日 (きょう or こんにち) and 7人 (しちにん or ななにん) are guesses;
  // 学校 and the rest are not.
  editor.handle(Key::pasted("学校\n今日は7人です"));
  editor.handle(Key::of(Key::Kind::tab));
  editor.handle(Key::of(Key::Kind::enter));
  ASSERT_EQ(editor.reading().lines(), (std::vector<std::string>{"がっこう", "きょうはしちにんです"}));
  EXPECT_EQ(editor.textMarks(), (std::vector<Mark>{{1, 0, 2}, {1, 3, 2}}));
  EXPECT_EQ(editor.readingMarks(), (std::vector<Mark>{{1, 0, 3}, {1, 4, 4}}));

  Frame frame(80, 24);
  std::string screen = render(editor, frame);
  EXPECT_NE(screen.find("check the 2 underlined words"), std::string::npos) << screen;
  // Drawn underlined where the words are, and nowhere else.
  auto markedRow = [&](const std::string& line) {
    std::string marked;
    for (int row = 0; row < frame.height(); ++row) {
      if (frame.line(row).find(line) == std::string::npos) continue;
      for (int column = 0; column < frame.width(); ++column)
        if (frame.cell(row, column).style == Style::marked) marked += frame.cell(row, column).text;
      return marked;
    }
    return std::string("(no such line)");
  };
  EXPECT_EQ(markedRow("今日は7人です"), "今日7人");
  EXPECT_EQ(markedRow("学校"), "");
  // The cursor (at the end of the reading) does not hide a mark here.
  EXPECT_EQ(markedRow("きょうはしちにんです"), "きょうしちにん");

  // An edited reading no longer matches the positions: its marks go, the
  // text's stay.
  editor.handle(Key::of(Key::Kind::backspace));
  EXPECT_TRUE(editor.readingMarks().empty());
  EXPECT_EQ(editor.textMarks().size(), 2u);
  render(editor, frame);
  EXPECT_EQ(markedRow("きょうはしちにんで"), "");
}

TEST(CustomTextTutorTest, OwnTextIsPractisedSavedUnderItsModeAndKeptOnlyInMemory) {
  ASSERT_TRUE(utf8Locale);
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  preferences.set(FirstLaunchSetup::completedKey, true);
  Tutor tutor(paths, loadArchive(paths.archive()), preferences);
  double now = 100;
  Frame frame(80, 24);
  auto screen = [&] {
    tutor.render(frame, now);
    return frame.text();
  };

  // Home: the input setting offers the learner's own text after the
  // curricula, with a single round.
  for (int i = 0; i < 10 && screen().find(" > Input") == std::string::npos; ++i)
    tutor.handle(Key::of(Key::Kind::up), now);
  for (int i = 0; i < 5 && tutor.exercise() != Exercise::customText; ++i)
    tutor.handle(Key::of(Key::Kind::right), now);
  ASSERT_EQ(tutor.exercise(), Exercise::customText);
  EXPECT_NE(screen().find("< Custom Text Practice >"), std::string::npos);
  tutor.handle(Key::of(Key::Kind::enter), now);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::customText) << screen();

  typeText(tutor, "学校\n\n東京", now);
  tutor.handle(Key::of(Key::Kind::tab), now);
  tutor.handle(Key::of(Key::Kind::enter), now);  // Generate reading
  tutor.handle(Key::of(Key::Kind::tab), now);
  tutor.handle(Key::of(Key::Kind::enter), now);  // Start practice
  ASSERT_EQ(tutor.screen(), Tutor::Screen::practice) << screen();
  EXPECT_EQ(tutor.round()->prompt().display(), "学校");
  EXPECT_NE(screen().find("Japanese · Custom Text Practice"), std::string::npos);

  typeRound(tutor, now, "q", 3);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::results);
  Archive saved = Archive::read(paths.archive());
  ASSERT_EQ(saved.attempts.size(), 1u);
  EXPECT_EQ(saved.attempts[0].mode(), "kana-custom");
  EXPECT_EQ(saved.attempts[0].round(), 1);
  EXPECT_EQ(saved.attempts[0].misses(), 3);
  ASSERT_TRUE(saved.weakKeys);
  EXPECT_FALSE(saved.weakKeys->rankedKeys("kana-custom").empty());
  // The saved files hold scores and keys, never the learner's text.
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    std::string contents = tavro::testing::readFile(entry.path());
    EXPECT_EQ(contents.find("学校"), std::string::npos) << entry.path();
    EXPECT_EQ(contents.find("東京"), std::string::npos) << entry.path();
  }

  // Again: the same text; Esc leaves it for the text screen, text kept.
  tutor.handle(Key::character("a"), now);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::practice);
  EXPECT_EQ(tutor.round()->prompt().display(), "学校");
  tutor.handle(Key::character("g"), now += 0.2);
  tutor.handle(Key::of(Key::Kind::escape), now);
  tutor.handle(Key::character("y"), now);  // yes, leave the words typed
  ASSERT_EQ(tutor.screen(), Tutor::Screen::customText);
  std::string text = screen();
  EXPECT_NE(text.find("Round left; nothing was saved."), std::string::npos) << text;
  EXPECT_NE(text.find("東京"), std::string::npos);
  EXPECT_NE(text.find("とうきょう"), std::string::npos);
  EXPECT_EQ(Archive::read(paths.archive()).attempts.size(), 1u);

  tutor.handle(Key::of(Key::Kind::escape), now);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::home);
  EXPECT_NE(screen().find("Custom Text Practice"), std::string::npos);
}

}  // namespace
}  // namespace tavro::terminal
