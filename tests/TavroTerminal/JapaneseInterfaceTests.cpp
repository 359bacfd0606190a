// The tutor's screens in the Japanese interface: the tutor's own table of
// texts, and every screen walked at the smallest terminal size with no
// English text of the table left on it and nothing cut or drawn over.
#include "TavroHost/AccountFiles.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Tutor.h"
#include "TavroHost/HostStrings.h"
#include "TavroTerminal/TutorStrings.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroCore/settings/UIStrings.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sstream>

namespace tavro::terminal {
namespace {

using tavro::testing::TemporaryDirectory;

// Where each "{1}" to "{9}" placeholder of `text` starts.
std::vector<std::size_t> placeholderStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at + 2 < text.size(); ++at) {
    if (text[at] == '{' && text[at + 1] >= '1' && text[at + 1] <= '9' && text[at + 2] == '}')
      starts.push_back(at);
  }
  return starts;
}

std::set<std::string> placeholders(std::string_view text) {
  std::set<std::string> found;
  for (std::size_t at : placeholderStarts(text)) found.insert(std::string(text.substr(at, 3)));
  return found;
}

// Every row of the tutor's table and of the table both tutors share.
std::vector<TutorStrings::Translation> allRows() {
  std::vector<TutorStrings::Translation> rows = TutorStrings::japanese();
  for (const HostStrings::Translation& row : HostStrings::japanese()) rows.push_back({row.english, row.japanese});
  return rows;
}

TEST(TutorStringsTest, TableKeysAreUniqueAndKeepTheirPlaceholders) {
  std::set<std::string_view> keys;
  for (const TutorStrings::Translation& row : allRows()) {
    SCOPED_TRACE(std::string(row.english));
    // Unique across both tables: the shared one is asked first.
    EXPECT_TRUE(keys.insert(row.english).second) << "key twice";
    // The core's table is asked first: a key it holds too would never be used.
    EXPECT_FALSE(UIStrings::translation(row.english)) << "shadowed by the core's table";
    EXPECT_FALSE(row.japanese.empty());
    EXPECT_NE(row.japanese, row.english);
    // A value the Japanese text lacks would vanish from the screen.
    EXPECT_EQ(placeholders(row.japanese), placeholders(row.english));
  }
}

TEST(TutorStringsTest, ValuesAreFilledInAfterTheLookupAndNeverRead) {
  struct Case {
    const char* name;
    std::string pattern;
    std::vector<std::string> values;
    std::string filled;
  };
  const Case cases[] = {
      {"in order", "{1} of {2}", {"a", "b"}, "a of b"},
      {"Japanese word order", "{2}回中{1}回", {"2", "5"}, "5回中2回"},
      {"a value holding a placeholder stays as it is", "x {1} y {2}", {"{2}", "z"}, "x {2} y z"},
      {"a placeholder without a value stays", "{1} and {3}", {"a"}, "a and {3}"},
      {"twice", "{1}{1}", {"ab"}, "abab"},
      {"not a placeholder", "{0} {x} {12} {", {"a"}, "{0} {x} {12} {"},
      {"at the very end", "path {1}", {"/tmp/a b"}, "path /tmp/a b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TutorStrings::filled(c.pattern, c.values), c.filled);
  }
  // English is shown as written; Japanese from the core's table first.
  EXPECT_EQ(TutorStrings::text("Word {1}/25", InterfaceLanguage::english, {"3"}), "Word 3/25");
  EXPECT_EQ(TutorStrings::text("Word {1}/25", InterfaceLanguage::japanese, {"3"}), "問題 3/25");
  EXPECT_EQ(TutorStrings::text("Accuracy", InterfaceLanguage::japanese), "正確率");
  EXPECT_EQ(TutorStrings::text("no such text {1}", InterfaceLanguage::japanese, {"x"}),
            "no such text x");
}

TEST(TutorStringsTest, EveryInputAndRoundTitleHasAJapaneseText) {
  for (Exercise exercise : allExercises) {
    SCOPED_TRACE(std::string(mode(exercise)));
    std::vector<std::string> names = {std::string(inputName(exercise))};
    for (std::int64_t round = 1; round <= rounds(exercise); ++round)
      names.push_back(roundTitle(exercise, round));
    if (offersDrill(exercise)) names.push_back(roundTitle(exercise, drillRound));
    for (const std::string& name : names)
      EXPECT_NE(TutorStrings::text(name, InterfaceLanguage::japanese), name) << name;
  }
}

// The English of the tutor's table that must not be left on a Japanese
// screen: the fixed words between placeholders, those with at least four
// letters (shorter ones, "on" or "x", turn up inside romaji and key caps).
std::vector<std::string> englishFragments() {
  std::vector<std::string> fragments;
  for (const TutorStrings::Translation& row : allRows()) {
    std::string english(row.english);
    std::string split = english;
    for (std::size_t at : placeholderStarts(english)) split.replace(at, 3, "\n\n\n");
    std::stringstream pieces(split);
    std::string piece;
    while (std::getline(pieces, piece)) {
      std::size_t first = piece.find_first_not_of(" ");
      if (first == std::string::npos) continue;
      piece = piece.substr(first, piece.find_last_not_of(" ") - first + 1);
      int letters = 0;
      for (char c : piece) letters += std::isalpha(static_cast<unsigned char>(c)) ? 1 : 0;
      if (letters >= 4) fragments.push_back(piece);
    }
  }
  return fragments;
}

bool isWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// True when `line` holds `text` as whole words.
bool holdsWords(const std::string& line, const std::string& text) {
  for (std::size_t at = line.find(text); at != std::string::npos; at = line.find(text, at + 1)) {
    bool startsWord = at == 0 || !isWordCharacter(line[at - 1]) || !isWordCharacter(text.front());
    std::size_t end = at + text.size();
    bool endsWord = end == line.size() || !isWordCharacter(line[end]) || !isWordCharacter(text.back());
    if (startsWord && endsWord) return true;
  }
  return false;
}

// True when `text` is drawn whole on a row with a blank (or the row's edge)
// on both sides, so nothing was drawn over it or cut from it.
bool drawnWhole(const Frame& frame, const std::string& text) {
  for (int row = 0; row < frame.height(); ++row) {
    std::string line = frame.line(row);
    for (std::size_t at = line.find(text); at != std::string::npos;
         at = line.find(text, at + 1)) {
      std::size_t end = at + text.size();
      if ((at == 0 || line[at - 1] == ' ') && (end == line.size() || line[end] == ' ')) return true;
    }
  }
  return false;
}

std::string ja(std::string_view english, std::initializer_list<std::string> values = {}) {
  return TutorStrings::text(english, InterfaceLanguage::japanese, values);
}

// A tutor in the Japanese interface with keys pressed one by one.
struct Learner {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  std::optional<Tutor> tutor;
  double now = 100;

  explicit Learner(bool firstLaunch, bool signedIn = false) {
    preferences.set("interfaceEnglish", false);
    if (firstLaunch) {
      FirstLaunchSetup::markStarted(preferences);
    } else {
      preferences.set(FirstLaunchSetup::completedKey, true);
    }
    if (signedIn) {
      EXPECT_FALSE(writeToken(tokenFile(paths.configFolder), std::string(64, 'a')));
      AccountState(AccountProfile("user-7", "Aiko", "aiko@example.com")).save(preferences);
    }
    tutor.emplace(paths, loadArchive(paths.archive()), preferences);
  }

  void press(Key::Kind kind, int times = 1) {
    for (int i = 0; i < times; ++i) tutor->handle(Key::of(kind), now += 0.2);
  }
  void type(const std::string& text) {
    for (const std::string& character : text::graphemes(text)) {
      Key key = character == "\n" ? Key::of(Key::Kind::enter) : Key::character(character);
      tutor->handle(key, now += 0.2);
    }
  }
  // Leaves the round being typed; one with keys typed asks first (y leaves).
  void leaveRound() {
    press(Key::Kind::escape);
    if (tutor->screen() == Tutor::Screen::practice) type("y");
  }
  // Moves the home focus up to the item labelled `label`.
  void focusHome(const std::string& label) {
    for (int i = 0; i < 16; ++i) {
      Frame frame(Tutor::minimumWidth, Tutor::minimumHeight);
      tutor->render(frame, now);
      if (frame.text().find("> " + label) != std::string::npos) return;
      press(Key::Kind::up);
    }
    ADD_FAILURE() << "no home item " << label;
  }
};

struct Step {
  const char* name;
  std::function<void(Learner&)> act;
  std::vector<std::string> drawn;  // Japanese texts that must be drawn whole
};

// Walks `steps` and checks each screen at 80x24.
void walk(Learner& learner, const std::vector<Step>& steps) {
  static const std::vector<std::string> fragments = englishFragments();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act(learner);
    Frame frame(Tutor::minimumWidth, Tutor::minimumHeight);
    learner.tutor->render(frame, learner.now);
    for (int row = 0; row < frame.height(); ++row) {
      std::string line = frame.line(row);
      for (const std::string& fragment : fragments)
        EXPECT_FALSE(holdsWords(line, fragment)) << "English left: \"" << fragment << "\"\n"
                                                 << frame.text();
      // Text reaching the last column was most likely cut there; only the
      // score columns, set flush right, end at the edge.
      const std::string& last = frame.cell(row, frame.width() - 1).text;
      EXPECT_TRUE(last == " " || last == "%") << "row " << row << " reaches the edge\n"
                                              << frame.text();
    }
    for (const std::string& text : step.drawn)
      EXPECT_TRUE(drawnWhole(frame, text)) << "not drawn whole: " << text << "\n" << frame.text();
  }
}

void none(Learner&) {}

TEST(JapaneseInterfaceTest, SetupStepsFitWithoutEnglish) {
  ASSERT_TRUE(utf8Locale);
  Learner learner(true);
  ASSERT_EQ(learner.tutor->screen(), Tutor::Screen::setup);
  auto next = [](Learner& l) { l.press(Key::Kind::enter); };
  walk(learner,
       {
           {"language",
            none,
            {ja("Tavro · Welcome   ({1}/5)", {"1"}), ja("Welcome to Tavro, a touch-typing tutor."),
             ja("Which language do you want to practise?"),
             ja("Left/Right change · Enter next · Esc back · q quit (the setup resumes next "
                "time)")}},
           {"keyboard", next, {ja("Which keyboard do you type on?"), ja("US (ANSI)")}},
           {"keyboard JIS",
            [](Learner& l) { l.press(Key::Kind::right); },
            {ja("JIS (Japanese)")}},
           {"guidance",
            next,
            {ja("What should practice show you?"), ja("Guide lines"), ja("on")}},
           {"theme", next, {ja("Pick the colours. System keeps your terminal's own.")}},
           {"account", next, {ja("Press Enter to start practising, or a to sign in.")}},
           {"home after the setup",
            next,
            {ja("Input"), ja("Layout"), ja("Guide lines"), ja("best"), ja("JIS (Japanese)")}},
       });
}

TEST(JapaneseInterfaceTest, HomeOfEveryExerciseAndTheCustomTextScreenFit) {
  ASSERT_TRUE(utf8Locale);
  Learner learner(false);
  auto nextInput = [](Learner& l) {
    l.focusHome(ja("Input"));
    l.press(Key::Kind::right);
  };
  auto nextLanguage = [](Learner& l) {
    l.focusHome(ja("Language"));
    l.press(Key::Kind::right);
  };
  const std::string homeHelp =
      ja("Arrows move/change · Enter start · p Progress · s Settings · a Account · q Quit");
  walk(learner,
       {
           {"romaji", none, {ja("Input"), ja("Layout"), ja("Guide lines"), ja("best"), homeHelp}},
           {"kana", nextInput, {ja("Kana input"), homeHelp}},
           {"guided romaji", nextInput, {ja("Guided romaji")}},
           {"custom text",
            nextInput,
            {ja("Enter opens the text screen: your own Japanese text, typed in romaji.")}},
           {"custom text screen",
            [](Learner& l) { l.press(Key::Kind::enter); },
            {ja("{1} lines · {2}/{3}", {"0", "0", "2,000"}), ja("Generate reading"),
             ja("Tab next field · Enter new line, or press the button · Esc home")}},
           {"custom text refused",
            [](Learner& l) {
              l.press(Key::Kind::tab, 3);
              l.press(Key::Kind::enter);
            },
            {ja("Paste or type the Japanese text first, one practice item per line.")}},
           {"custom text with two lines",
            [](Learner& l) {
              l.press(Key::Kind::tab);
              l.type("学校\n本");
            },
            {ja("{1} lines · {2}/{3}", {"2", "4", "2,000"})}},
           {"reading generated",
            [](Learner& l) {
              l.press(Key::Kind::tab);
              l.press(Key::Kind::enter);
            },
            {ja("Reading generated: no word in it was a guess; check it before starting.")}},
           {"reading lines do not match",
            [](Learner& l) {
              l.type("\nほん");
              l.press(Key::Kind::tab);
              l.press(Key::Kind::enter);
            },
            {}},
           {"custom round asks before leaving",
            [](Learner& l) {
              l.press(Key::Kind::up);  // the reading
              l.press(Key::Kind::backspace, 3);
              l.press(Key::Kind::tab);
              l.press(Key::Kind::enter);
              ASSERT_EQ(l.tutor->screen(), Tutor::Screen::practice);
              l.type("k");
              l.press(Key::Kind::escape);
            },
            {ja("Leave this round? What you typed is not kept. y leave · any other key goes on")}},
           {"custom round left", [](Learner& l) { l.type("y"); },
            {ja("Round left; nothing was saved.")}},
           {"back home", [](Learner& l) { l.press(Key::Kind::escape); }, {homeHelp}},
           {"english", nextLanguage, {ja("Standard")}},
           {"nepali", nextLanguage, {ja("Romanized"), ja("Guide lines")}},
           {"nepali direct", nextInput, {ja("Devanagari (direct)")}},
       });
}

TEST(JapaneseInterfaceTest, PracticeResultsAndSettingsFit) {
  ASSERT_TRUE(utf8Locale);
  Learner learner(false);
  const std::string practiceHelp =
      ja("Esc leave the round (not saved) · Backspace: wrong keys are never typed");
  walk(learner,
       {
           {"practice with a wrong key",
            [](Learner& l) {
              l.type("4");  // kanji words, with their reading
              l.press(Key::Kind::enter);
              l.type("q");
            },
            {ja("Word {1}/25", {"1"}), ja("Speed"), ja("reading"), ja("romaji"), ja("keys"),
             ja("then"), practiceHelp}},
           {"backspace", [](Learner& l) { l.press(Key::Kind::backspace); },
            {ja("Nothing to erase: a wrong key is never typed into the prompt.")}},
           {"results",
            [](Learner& l) { typeRound(*l.tutor, l.now, "q", 3); },
            {ja("Results"), ja("Weakest keys, this round"), ja("Weakest keys, all rounds"), ja("speed"), ja("accuracy"), ja("new"),
             ja("Enter/n next round · a again · p progress · h home")}},
           {"home with scores and weak keys",
            [](Learner& l) { l.type("h"); },
            {ja("best"), ja("Latest"), ja("Weak-key drill")}},
           {"progress",
            [](Learner& l) { l.type("p"); },
            {ja("Progress"), ja("Accuracy by key"), ja("under 85%"), ja("85% to 95%"),
             ja("95% and over"), ja("not typed yet"), ja("Weakest keys"), ja("median"),
             ja("accuracy"), ja("Enter take the suggestion · h home")}},
           {"home again", [](Learner& l) { l.type("h"); }, {}},
           {"a word that waits for more",
            [](Learner& l) {
              l.tutor->startRound(PracticeRound(Exercise::japaneseRomaji, 1, false,
                                              {{JapanesePrompt::kana("ほん"), std::nullopt}}));
              l.type("hon");
            },
            {ja("Word complete: Space goes on (the word still takes more keys)")}},
           {"kana keys",
            [](Learner& l) {
              l.leaveRound();
              l.focusHome(ja("Input"));
              l.press(Key::Kind::right);
              l.type("1");
              l.press(Key::Kind::enter);
            },
            {ja("Word {1}/25", {"1"}), practiceHelp}},
           {"nepali typed directly",
            [](Learner& l) {
              l.leaveRound();
              l.focusHome(ja("Language"));
              l.press(Key::Kind::right, 2);
              l.focusHome(ja("Input"));
              l.press(Key::Kind::right);
              l.type("1");
              l.press(Key::Kind::enter);
            },
            {}},
           {"settings",
            [](Learner& l) {
              l.leaveRound();
              l.type("s");
            },
            {ja("Language (interface)"), ja("Theme"), ja("x  {1} is not next", {"Q"}),
             ja("Up/Down move · Left/Right change · Enter or Esc Back")}},
           {"settings theme", [](Learner& l) { l.press(Key::Kind::down); }, {ja("Theme")}},
       });
}

TEST(JapaneseInterfaceTest, AccountScreensFit) {
  ASSERT_TRUE(utf8Locale);
  Learner signedOut(false);
  walk(signedOut,
       {
           {"signed out",
            [](Learner& l) { l.type("a"); },
            {ja("Not signed in."), ja("Paste a session token (64 characters 0-9 a-f) and press "
                                      "Enter."),
             ja("Enter sign in · e export · i import a backup · Esc Back")}},
           {"signed out, a token being typed", [](Learner& l) { l.type("0"); },
            {ja("Enter confirm · Backspace erase · Esc Back")}},
           {"a whole token typed", [](Learner& l) { l.type(std::string(64, 'f')); }, {}},
           {"not a token",
            [](Learner& l) {
              l.type("x");
              l.press(Key::Kind::enter);
            },
            {}},
       });
  Learner signedIn(false, true);
  walk(signedIn,
       {
           {"signed in",
            [](Learner& l) { l.type("a"); },
            {ja("Name"), ja("Email"), ja("Account id"), ja("Last sync"), ja("never"),
             ja("y Sync Now · d devices · e export · i import · o sign out · Esc Back")}},
           {"sync without a connection", [](Learner& l) { l.type("y"); }, {}},
           {"export", [](Learner& l) { l.type("e"); },
            {ja("Export the scores to this file (Enter):")}},
           {"import of a folder",
            [](Learner& l) {
              l.press(Key::Kind::escape);
              l.type("i");
              l.type(l.folder.path().string());
              l.press(Key::Kind::enter);
            },
            {}},
       });
  // Another account synced the scores here last: the question of whose they are.
  Learner asked(false, true);
  Archive archive;
  archive.attempts.emplace_back("romaji", 1, 10, 1, 5.0);
  EXPECT_FALSE(saveArchive(archive, asked.paths.archive()));
  tavro::testing::writeFile(
      attemptOwnersFile(asked.paths.dataFolder),
      R"({"schemaVersion":1,"holder":{"id":"acct-ren","name":"Ren"},"accounts":[],"keptApart":[]})");
  asked.tutor.emplace(asked.paths, loadArchive(asked.paths.archive()), asked.preferences);
  walk(asked, {
                  {"asked whose scores",
                   [](Learner& l) { l.type("a"); },
                   {ja("Enter keep them out · m add them · o sign out · Esc Back")}},
                  {"kept apart", [](Learner& l) { l.press(Key::Kind::enter); }, {}},
              });
}

// The language is kept as the flag earlier versions read ("interfaceEnglish",
// true for English): changing it in the settings stores the flag, and a
// tutor started on that store speaks the language chosen.
TEST(JapaneseInterfaceTest, InterfaceLanguageIsKeptAsTheEnglishFlag) {
  ASSERT_TRUE(utf8Locale);
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  preferences.set(FirstLaunchSetup::completedKey, true);
  Tutor tutor(paths, loadArchive(paths.archive()), preferences);
  double now = 100;
  tutor.handle(Key::character("s"), now += 0.2);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::settings);
  struct Case {
    const char* name;
    bool storedEnglish;
    const char* roundsHeading;
  };
  for (const Case& c : {Case{"to Japanese", false, "ラウンド"}, Case{"back to English", true, "Rounds"}}) {
    SCOPED_TRACE(c.name);
    tutor.handle(Key::of(Key::Kind::right), now += 0.2);
    EXPECT_EQ(preferences.boolean("interfaceEnglish"), std::optional<bool>(c.storedEnglish));
    Tutor restarted(paths, loadArchive(paths.archive()), preferences);
    Frame frame(Tutor::minimumWidth, Tutor::minimumHeight);
    restarted.render(frame, now);
    EXPECT_NE(frame.text().find(c.roundsHeading), std::string::npos) << frame.text();
  }
}

TEST(JapaneseInterfaceTest, ProblemsWithTheFilesAreToldInTheInterfaceLanguage) {
  ASSERT_TRUE(utf8Locale);
  for (bool english : {true, false}) {
    SCOPED_TRACE(english ? "English" : "Japanese");
    TemporaryDirectory folder;
    StoragePaths paths{folder.path(), folder.path()};
    tavro::testing::writeFile(paths.archive(), "not json");
    platform::InMemoryUserDefaults preferences;
    preferences.set(FirstLaunchSetup::completedKey, true);
    preferences.set("interfaceEnglish", english);
    Tutor tutor(paths, loadArchive(paths.archive()), preferences);
    tutor.addNotice({"The preferences file was damaged; it was kept as {1} and the defaults are used.",
                {"p.damaged"}});
    Frame frame(100, 40);  // room for both notices
    tutor.render(frame, 0);
    std::string screen = frame.text();
    bool japanese = screen.find("成績の記録が壊れていました") != std::string::npos &&
                    screen.find("設定ファイルが壊れていました。p.damaged") != std::string::npos;
    bool inEnglish = screen.find("The score archive was damaged") != std::string::npos &&
                     screen.find("The preferences file was damaged") != std::string::npos;
    EXPECT_EQ(japanese, !english) << screen;
    EXPECT_EQ(inEnglish, english) << screen;
  }
}

}  // namespace
}  // namespace tavro::terminal
