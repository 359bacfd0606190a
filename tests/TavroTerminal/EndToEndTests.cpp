// The built tutor driven as a learner drives it: keys typed into a tmux
// window, the screen read back as text, and the files it leaves on disk.

// g++ 12 with the sanitizers reports std::regex's internal std::function as
// maybe uninitialized (a false positive in the library's own code); the
// pragma comes before every include so it covers those headers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "TmuxSession.h"
#include "common/TestSupport.h"

#include "Platform/FileUserDefaults.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/account/TavroBackup.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroHost/AccountFiles.h"
#include "TavroHost/ExerciseText.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/Tutor.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <clocale>
#include <cwchar>
#include <regex>
#include <sstream>
#include <thread>

namespace tavro::testing {
namespace {

const std::string tavroPath = TAVRO_TERMINAL_PATH;

std::string tavroCommand(const std::filesystem::path& dataDir,
                         const std::string& locale = "C.UTF-8",
                         const std::string& term = "screen") {
  return "env LC_ALL=" + locale + " TERM=" + term + " " + shellQuoted(tavroPath) +
         " --data-dir " + shellQuoted(dataDir.string());
}

// The text after `label` on the first screen line that starts with it (after
// one blank column), trimmed.
std::string field(const std::string& screen, const std::string& label) {
  std::stringstream lines(screen);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(" " + label + " ", 0) == 0) {
      std::string value = line.substr(label.size() + 1);
      value.erase(0, value.find_first_not_of(' '));
      value.erase(value.find_last_not_of(' ') + 1);
      return value;
    }
  }
  return "";
}

// The prompt line of the practice screen (fourth row).
std::string promptLine(const std::string& screen) {
  std::stringstream lines(screen);
  std::string line;
  for (int row = 0; row <= 3 && std::getline(lines, line); ++row) {
  }
  line.erase(0, line.find_first_not_of(' '));
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

std::string wordMark(int word) {
  return "Word " + std::to_string(word) + "/25";
}

// Waits for the results of a round and then for the moment in which they
// take no keys to pass, as a learner reading them lets it pass; the screen.
std::string waitForResults(const TmuxSession& session) {
  std::string results = session.waitFor("Round complete");
  std::this_thread::sleep_for(
      std::chrono::duration<double>(terminal::Tutor::resultsGraceSeconds + 0.2));
  return results;
}

// Waits for word `word` of the round to be on screen and returns the screen.
std::string atWord(const TmuxSession& session, int word) {
  return session.waitFor(wordMark(word));
}

// Goes through the first-launch setup of a new data folder with its defaults.
void passSetup(const TmuxSession& session) {
  for (int step = 1; step <= 5; ++step) {
    std::string mark = "(";
    mark += std::to_string(step) + "/5)";
    session.waitFor(mark);
    session.press("Enter");
  }
}

// Presses `key` until the screen shows `text`, waiting for each press to
// change the screen; at most `presses` times.
void pressUntil(const TmuxSession& session, const std::string& key, const std::string& text,
                int presses) {
  for (int i = 0; i < presses; ++i) {
    std::string shown = session.screen();
    if (shown.find(text) != std::string::npos) return;
    session.press(key);
    session.waitUntil([&](const std::string& now) { return now != shown; },
                      std::chrono::seconds(10));
  }
  session.waitFor(text, std::chrono::seconds(10));
}

// Moves from the last item a key press left focused up to `item` on the home screen.
void focusHomeItem(const TmuxSession& session, const std::string& label) {
  pressUntil(session, "Up", "> " + label, 16);
}

TEST(EndToEndTest, RomajiRoundWithMissesIsSavedAndFeedsTheWeakKeyRound) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  // First launch: the setup, with the keyboard picture of the chosen layout.
  std::string welcome = session.waitFor("(1/5)");
  EXPECT_NE(welcome.find("< Japanese >"), std::string::npos) << welcome;
  session.press("Enter");
  session.waitFor("(2/5)");
  session.press("Right");
  std::string keyboard = session.waitFor("< JIS (Japanese) >");
  EXPECT_NE(keyboard.find("Tab   Q   W"), std::string::npos) << keyboard;
  EXPECT_NE(keyboard.find("^   ¥"), std::string::npos) << keyboard;  // JIS keys
  session.press("Left");
  session.waitFor("< US (ANSI) >");
  session.press("Enter");
  session.waitFor("(3/5)");
  session.press("Enter");
  session.waitFor("(4/5)");
  session.press("Enter");
  session.waitFor("(5/5)");
  session.press("Escape");  // back a step, then on again
  session.waitFor("(4/5)");
  session.press("Enter");
  session.waitFor("(5/5)");
  session.press("Enter");
  std::string home = session.waitFor("Rounds");
  EXPECT_NE(home.find("Japanese"), std::string::npos);
  EXPECT_NE(home.find("Romaji"), std::string::npos);
  EXPECT_NE(home.find("N5"), std::string::npos);
  EXPECT_NE(home.find("Weak Fingers"), std::string::npos);
  EXPECT_EQ(home.find("damaged"), std::string::npos);

  session.type("1");
  session.press("Enter");
  for (int word = 1; word <= 25; ++word) {
    SCOPED_TRACE(word);
    std::string shown = atWord(session, word);
    std::string spelling = field(shown, "romaji");
    ASSERT_FALSE(spelling.empty()) << shown;
    if (word <= 3) {
      // A wrong key first: marked on screen, nothing typed.
      session.type("q");
      std::string marked = session.waitFor("Q is not next");
      EXPECT_EQ(field(marked, "romaji"), spelling);
    }
    session.type(spelling);
    if (word < 25) {
      std::string after = session.waitUntil([&](const std::string& now) {
        return now.find(wordMark(word + 1)) != std::string::npos ||
               now.find("Word complete: Space goes on") != std::string::npos;
      });
      if (after.find(wordMark(word + 1)) == std::string::npos) session.type(" ");
    }
  }
  std::string results = waitForResults(session);
  EXPECT_NE(results.find("Top 5 Hi-Score"), std::string::npos);
  EXPECT_TRUE(std::regex_search(results, std::regex(R"(> 1 .*keys/min.*new)"))) << results;
  EXPECT_TRUE(
      std::regex_search(results, std::regex(R"(Weakest keys, this round +\S+ \d+% \(1 of)")))
      << results;

  Archive archive = Archive::read(data / "archive.json");
  ASSERT_EQ(archive.attempts.size(), 1u);
  EXPECT_EQ(archive.attempts[0].mode(), "romaji");
  EXPECT_EQ(archive.attempts[0].round(), 1);
  EXPECT_EQ(archive.attempts[0].misses(), 3);
  ASSERT_TRUE(archive.weakKeys);
  std::vector<std::string> weak = archive.weakKeys->rankedKeys("romaji");
  ASSERT_FALSE(weak.empty());

  // Home shows the new best score and the weak keys; round 7 practises them.
  session.type("h");
  home = session.waitFor("Rounds");
  EXPECT_TRUE(std::regex_search(home, std::regex(R"(1  Single Hiragana.*/min)"))) << home;
  EXPECT_NE(
      home.find("Weak Fingers: " + std::string(1, static_cast<char>(std::toupper(weak[0][0])))),
      std::string::npos)
      << home;
  session.type("7");
  session.press("Enter");
  std::string weakRound = atWord(session, 1);
  EXPECT_NE(weakRound.find("Round 7: Weak Fingers"), std::string::npos);
  // The JLPT weak round admits a prompt whose preferred spelling (the romaji
  // line at the start of a word) holds any of the weak keys passed on.
  std::string spelling = field(weakRound, "romaji");
  bool practisesWeakKey = false;
  for (std::size_t i = 0; i < weak.size() && i < 8; ++i) {
    practisesWeakKey = practisesWeakKey || spelling.find(weak[i]) != std::string::npos;
  }
  EXPECT_TRUE(practisesWeakKey) << spelling;

  // Esc leaves without saving anything of the round.
  std::string before = readFile(data / "archive.json");
  session.type(field(weakRound, "romaji").substr(0, 1));
  session.press("Escape");
  session.waitFor("Leave this round?");  // a key was typed: asked first
  session.type("y");
  EXPECT_NE(session.waitFor("nothing was saved").find("Rounds"), std::string::npos);
  EXPECT_EQ(readFile(data / "archive.json"), before);
}

TEST(EndToEndTest, KanaRoundOnJisShowsKanaLegendsEvenWithoutAUtf8Locale) {
  TemporaryDirectory data;
  // LC_ALL=C: the tutor falls back to C.UTF-8 by itself.
  TmuxSession session(100, 30, tavroCommand(data.path(), "C"));
  passSetup(session);
  session.waitFor("Rounds");
  focusHomeItem(session, "Input");
  session.press("Right");
  session.waitFor("< Kana input >");
  session.press("Down");
  session.press("Down");
  session.waitFor("> Layout");
  session.press("Right");
  session.waitFor("< JIS (Japanese) >");
  session.type("1");
  session.press("Enter");

  std::string shown = atWord(session, 1);
  EXPECT_NE(shown.find("Kana input · N5 · JIS"), std::string::npos) << shown;
  // The JIS kana legends on the on-screen keys: A is ち, Q is た.
  EXPECT_NE(shown.find(" Aち "), std::string::npos) << shown;
  EXPECT_NE(shown.find(" Qた "), std::string::npos) << shown;

  for (int word = 1; word <= 3; ++word) {
    shown = atWord(session, word);
    // The active hint "[K · か]" names the key to press.
    std::smatch hint;
    std::string keysLine = field(shown, "keys");
    ASSERT_TRUE(std::regex_search(keysLine, hint, std::regex(R"(\[([^ ]+) · )"))) << shown;
    std::string key = hint[1].str();
    if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z')
      key[0] = static_cast<char>(key[0] - 'A' + 'a');
    session.type(key);
  }
  atWord(session, 4);
  session.type("\\");  // no kana key types that here
  session.waitFor("is not next");

  session.press("Escape");
  session.waitFor("Leave this round?");
  session.type("y");
  session.waitFor("nothing was saved");
  // The layout is kept in the archive; the left round is not.
  Archive archive = Archive::read(data / "archive.json");
  EXPECT_TRUE(archive.jis);
  EXPECT_TRUE(archive.attempts.empty());
}

TEST(EndToEndTest, EnglishRoundIsTypedAsShownAndScoredUnderItsOwnMode) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  passSetup(session);
  session.waitFor("Rounds");
  focusHomeItem(session, "Language");
  session.press("Right");
  std::string home = session.waitFor("< English >");
  EXPECT_NE(home.find("Home Row & Basic Keys"), std::string::npos);
  session.type("1");
  session.press("Enter");
  for (int word = 1; word <= 25; ++word) {
    SCOPED_TRACE(word);
    std::string prompt = promptLine(atWord(session, word));
    ASSERT_FALSE(prompt.empty());
    session.type(prompt);
  }
  std::string results = waitForResults(session);
  EXPECT_NE(results.find("English · Standard — Round 1"), std::string::npos) << results;
  EXPECT_NE(results.find("none missed"), std::string::npos) << results;
  Archive archive = Archive::read(data / "archive.json");
  ASSERT_EQ(archive.attempts.size(), 1u);
  EXPECT_EQ(archive.attempts[0].mode(), "english");
  EXPECT_EQ(archive.attempts[0].misses(), 0);

  // The choice of language is kept in the preferences file for next time.
  session.type("h");
  session.waitFor("Rounds");
  session.type("q");
  session.waitFor("[exited 0]");
  EXPECT_NE(readFile(data / "preferences.json").find("english"), std::string::npos);
  TmuxSession again(100, 30, tavroCommand(data.path()));
  home = again.waitFor("Rounds");
  EXPECT_NE(home.find("Language       English"), std::string::npos) << home;
  // English speeds are words per minute until the learner chooses keys.
  EXPECT_TRUE(std::regex_search(home, std::regex(R"(1  Home Row & Basic Keys +\d+ WPM 100%)")))
      << home;
}

// The columns of a screen line up to its last non-blank character, wide
// characters counted twice.
int drawnColumns(const std::string& line) {
  std::string trimmed = line.substr(0, line.find_last_not_of(' ') + 1);
  std::mbstate_t state{};
  int columns = 0;
  const char* next = trimmed.c_str();
  const char* end = next + trimmed.size();
  while (next < end) {
    wchar_t character = 0;
    std::size_t length = std::mbrtowc(&character, next, static_cast<std::size_t>(end - next), &state);
    if (length == 0 || length > 4) return -1;
    columns += std::max(1, ::wcwidth(character));
    next += length;
  }
  return columns;
}

// True when a styled capture sets a text or background colour (SGR 30-38,
// 40-48, 90-97 or 100-107) anywhere.
bool setsColour(const std::string& styled) {
  static const std::regex sequence("\x1b\\[([0-9;]*)m");
  for (std::sregex_iterator at(styled.begin(), styled.end(), sequence), end; at != end; ++at) {
    std::stringstream parameters((*at)[1].str());
    std::string parameter;
    while (std::getline(parameters, parameter, ';')) {
      if (parameter.empty()) continue;
      int value = std::stoi(parameter);
      if ((value >= 30 && value <= 38) || (value >= 40 && value <= 48) || (value >= 90 && value <= 97) ||
          (value >= 100 && value <= 107))
        return true;
    }
  }
  return false;
}

TEST(EndToEndTest, ProgressScreenInEnglishAndJapaneseAtTheSmallestSize) {
  ASSERT_TRUE(std::setlocale(LC_ALL, "C.UTF-8"));
  TemporaryDirectory data;
  {
    platform::FileUserDefaults preferences(data / "preferences.json");
    preferences.set(FirstLaunchSetup::completedKey, true);
  }
  Archive archive;
  double now = Date::now().unixSeconds();
  for (int daysAgo : {20, 6, 6, 1, 0})
    archive.attempts.push_back(Attempt(Uuid::random(), Date::fromUnixSeconds(now - daysAgo * 86'400.0),
                                       "romaji", 1 + daysAgo % 6, 150 + 10 * daysAgo, daysAgo, 60));
  WeakKeyHistory history;
  for (int i = 0; i < 20; ++i) history.record("romaji", "r", "r", i >= 9);  // 55 %
  for (int i = 0; i < 40; ++i) history.record("romaji", "a", "a", true);
  archive.weakKeys = history;
  ASSERT_FALSE(saveArchive(archive, data / "archive.json"));

  for (bool japanese : {false, true}) {
    SCOPED_TRACE(japanese ? "Japanese" : "English");
    if (japanese) {
      platform::FileUserDefaults preferences(data / "preferences.json");
      preferences.set("interfaceEnglish", false);
    }
    TmuxSession session(80, 24, tavroCommand(data.path(), "C.UTF-8", "xterm-256color"));
    session.waitFor(japanese ? "q 終了" : "q Quit");
    session.type("p");
    std::string screen = session.waitFor(japanese ? "キーごとの正確率" : "Accuracy by key");
    for (const std::string& line : session.lines())
      EXPECT_LT(drawnColumns(line), 80) << "a line reaches the edge\n" << screen;
    const std::vector<std::string> expected =
        japanese ? std::vector<std::string>{"進捗 — 日本語", "速度の中央値（打鍵/分）", "中央値", "正確率",
                                            "R!", "A+", "Q.", "85% 未満", "未入力", "苦手なキー",
                                            "次は 苦手キードリル：r の正確率は 55% です。",
                                            "Enter おすすめを始める · h ホーム"}
                 : std::vector<std::string>{"Progress — Japanese · Romaji input",
                                            "Median speed (keys/min) and accuracy, last 30 days",
                                            "median", "accuracy", "R!", "A+", "Q.", "! under 85%",
                                            ". not typed yet", "Weakest keys  R 55%",
                                            "Next: the weak-key drill: r is right only 55% of the time.",
                                            "Enter take the suggestion · h home"};
    for (const std::string& text : expected) EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
    // The chart: five days with rounds in four columns of bars.
    int columns = 0;
    std::vector<std::string> lines = session.lines();
    ASSERT_GE(lines.size(), 8u);
    const std::string& bottom = lines[7];
    for (std::size_t at = bottom.find("█"); at != std::string::npos; at = bottom.find("█", at + 1)) ++columns;
    EXPECT_EQ(columns, 4) << screen;

    EXPECT_TRUE(setsColour(session.styledScreen()));  // so the check below can fail
    session.press("Enter");  // the suggestion: the drill
    session.waitFor(japanese ? "ラウンド 8" : "Round 8: Weak-key drill");
    session.press("Escape");
    session.waitFor(japanese ? "q 終了" : "q Quit");
    session.type("q");
    session.waitFor("[exited 0]");
  }

  // Without colours the screen is drawn in attributes alone, and still reads by its marks.
  TmuxSession plain(80, 24, "env NO_COLOR=1 " + tavroCommand(data.path(), "C.UTF-8", "xterm-256color"));
  plain.waitFor("q 終了");
  plain.type("p");
  plain.waitFor("キーごとの正確率");
  EXPECT_FALSE(setsColour(plain.styledScreen()));
  EXPECT_NE(plain.screen().find("R!"), std::string::npos);
  plain.type("q");
}

TEST(EndToEndTest, JapaneseInterfaceAndThemeAreChosenInSettingsAndKept) {
  TemporaryDirectory data;
  {
    TmuxSession session(100, 30, tavroCommand(data.path()));
    passSetup(session);
    session.waitFor("Rounds");
    session.type("s");
    session.waitFor("> Language (interface)");
    session.press("Right");
    session.waitFor("< 日本語 >");
    session.press("Down");
    session.press("Right");
    std::string settings = session.waitFor("< ライト >");
    EXPECT_NE(settings.find("設定"), std::string::npos) << settings;
    session.press("Escape");
    std::string home = session.waitFor("ラウンド");
    EXPECT_NE(home.find("言語"), std::string::npos) << home;
    EXPECT_NE(home.find("日本語"), std::string::npos) << home;
    EXPECT_NE(home.find("苦手な指"), std::string::npos) << home;  // round 7
    EXPECT_NE(home.find("q 終了"), std::string::npos) << home;     // the tutor's own help line
    session.press("Enter");
    std::string practice = session.waitFor("問題 1/25");
    EXPECT_NE(practice.find("ラウンド 1"), std::string::npos) << practice;
    EXPECT_NE(practice.find("正確率"), std::string::npos) << practice;
    EXPECT_NE(practice.find("次のキー："), std::string::npos) << practice;
    EXPECT_EQ(practice.find("Next key"), std::string::npos) << practice;
    session.press("Escape");
    // Home's own help line: the heading of the round says ラウンド too, and a
    // key sent on the heels of Escape would be Alt+key.
    session.waitFor("q 終了");
    session.type("q");
    session.waitFor("[exited 0]");
  }
  EXPECT_EQ(Archive::read(data / "archive.json").appearance, "Light");
  TmuxSession again(100, 30, tavroCommand(data.path()));
  again.waitFor("言語");
}

TEST(EndToEndTest, KeysTypedWhileTheTerminalIsTooSmallDoNothing) {
  TemporaryDirectory data;
  TmuxSession session(80, 24, tavroCommand(data.path()));
  passSetup(session);
  session.waitFor("Rounds");
  session.press("Enter");
  std::string before = atWord(session, 1);
  session.resize(60, 20);
  session.waitFor("this one is 60x20");
  // A wrong key and the whole first word: none of them reaches the round.
  session.type("q");
  session.type(field(before, "romaji"));
  session.press("Escape");
  session.waitFor("this one is 60x20");
  session.resize(80, 24);
  std::string after = atWord(session, 1);
  EXPECT_EQ(after.find("is not next"), std::string::npos) << after;
  EXPECT_EQ(promptLine(after), promptLine(before)) << after;
  EXPECT_NE(after.find("Accuracy 100.0%"), std::string::npos) << after;
}

TEST(EndToEndTest, ChosenInputAndRoundAreOfferedAgainAfterARestart) {
  TemporaryDirectory data;
  {
    TmuxSession session(80, 24, tavroCommand(data.path()));
    passSetup(session);
    session.waitFor("Rounds");
    focusHomeItem(session, "Input");
    pressUntil(session, "Right", "< Guided romaji >", 4);
    session.type("5");
    session.waitFor("> 5");
    session.type("q");
    session.waitFor("[exited 0]");
  }
  TmuxSession again(80, 24, tavroCommand(data.path()));
  std::string home = again.waitFor("Rounds");
  EXPECT_NE(home.find("Input          Guided romaji"), std::string::npos) << home;
  EXPECT_NE(home.find(" > 5  "), std::string::npos) << home;
  again.press("Enter");
  std::string practice = atWord(again, 1);
  EXPECT_NE(practice.find("Guided romaji — Round 5"), std::string::npos) << practice;
}

TEST(EndToEndTest, EnglishPromptsWrapAtSpacesAndTheNextOneIsCutVisibly) {
  TemporaryDirectory data;
  TmuxSession session(80, 24, tavroCommand(data.path()));
  session.waitFor("(1/5)");
  session.press("Right");
  session.waitFor("< English >");
  session.press("Enter");
  for (int step = 2; step <= 5; ++step) {
    std::string mark = "(";
    mark += std::to_string(step) + "/5)";
    session.waitFor(mark);
    session.press("Enter");
  }
  session.waitFor("Rounds");
  session.type("6");
  session.press("Enter");
  std::string shown = atWord(session, 1);
  std::vector<tavro::RoundPrompt> list =
      tavro::prompts(tavro::Exercise::english, JLPTLevel::n5, 6, "", false);
  ASSERT_GT(list.size(), 1u);
  std::vector<std::string> lines = session.lines();
  // The prompt's rows, rejoined at the spaces they were cut at, are the
  // sentence: no word is split across two rows.
  std::string joined;
  for (std::size_t row = 3; row < 6 && row < lines.size(); ++row) {
    std::string line = lines[row];
    line.erase(0, line.find_first_not_of(' '));
    line.erase(line.find_last_not_of(' ') + 1);
    if (line.empty()) break;
    joined += (joined.empty() ? "" : " ") + line;
  }
  EXPECT_EQ(joined, list[0].display()) << shown;
  std::string then = field(shown, "then");
  ASSERT_NE(then, list[1].display()) << "the next sentence fits; the test needs a longer one";
  EXPECT_EQ(then.substr(then.size() - 3), "…") << shown;
}

TEST(EndToEndTest, ResizingRedrawsAndTooSmallASizeIsNamed) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  passSetup(session);
  session.waitFor("Rounds");
  session.press("Enter");
  std::string shown = atWord(session, 1);
  session.type(field(shown, "romaji"));
  atWord(session, 2);
  session.resize(70, 20);
  session.waitFor("this one is 70x20");
  session.resize(90, 26);
  shown = atWord(session, 2);
  EXPECT_NE(shown.find("Next key:"), std::string::npos);

  // SIGTERM ends the tutor with the terminal put back.
  ASSERT_EQ(::kill(session.programProcess(), SIGTERM), 0);
  shown = session.waitFor("[exited 0]");
  EXPECT_EQ(shown.find("Word 2/25"), std::string::npos) << shown;

  TmuxSession small(60, 20, tavroCommand(data.path()));
  shown = small.waitFor("[exited 1]");
  EXPECT_NE(shown.find("tavro: the terminal is 60x20; tavro needs at least 80x24"),
            std::string::npos)
      << shown;
}

TEST(EndToEndTest, DamagedArchiveAndPreferencesAreKeptAsideAndReportedOnScreen) {
  TemporaryDirectory data;
  writeFile(data / "archive.json", "{\"attempts\": [oops");
  writeFile(data / "preferences.json", "{\"values\": 7}");
  TmuxSession session(100, 30, tavroCommand(data.path()));
  std::string home = session.waitFor("Rounds");
  EXPECT_NE(home.find("The score archive was damaged"), std::string::npos) << home;
  EXPECT_NE(home.find("The preferences file was damaged"), std::string::npos) << home;
  std::vector<std::filesystem::path> kept;
  for (const auto& entry : std::filesystem::directory_iterator(data.path())) {
    if (entry.path().filename().string().rfind("archive.json.damaged-", 0) == 0)
      kept.push_back(entry.path());
  }
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(readFile(kept[0]), "{\"attempts\": [oops");
  EXPECT_EQ(readFile(data / "preferences.json.damaged"), "{\"values\": 7}");
  session.type("q");
  session.waitFor("[exited 0]");
}

TEST(EndToEndTest, HostileBackupImportIsRefusedOnScreenAndLeavesTheArchive) {
  TemporaryDirectory data;
  const AccountProfile aiko("user-7", "Aiko", "aiko@example.com");
  {
    platform::FileUserDefaults preferences(data / "preferences.json");
    preferences.set(FirstLaunchSetup::completedKey, true);
    AccountState(aiko).save(preferences);
  }
  ASSERT_FALSE(writeToken(tokenFile(data.path()), std::string(64, 'e')));
  Archive archive;
  archive.attempts.push_back(Attempt("romaji", 1, 100, 2, 30));
  ASSERT_FALSE(saveArchive(archive, data / "archive.json"));
  const std::string before = readFile(data / "archive.json");
  std::filesystem::path otherAccount = data / "other-account.json";
  writeFile(otherAccount, TavroBackup("user-8", {Attempt("romaji", 1, 500, 0, 30)}, JLPTLevel::n5,
                                      false, Date{1})
                              .encode());
  std::filesystem::path pipe = data / "pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);

  TmuxSession session(200, 30, tavroCommand(data.path()));
  session.waitFor("Rounds");
  session.type("a");
  std::string account = session.waitFor("Account id  user-7");
  EXPECT_NE(account.find("aiko@example.com"), std::string::npos) << account;
  EXPECT_EQ(account.find(std::string(16, 'e')), std::string::npos) << account;

  struct Case {
    std::filesystem::path file;
    std::string message;
  };
  for (const Case& c : {Case{otherAccount, "belongs to another account"},
                        Case{pipe, "is not a regular file"}}) {
    SCOPED_TRACE(c.file.string());
    session.type("i");
    session.waitFor("Import a backup file");
    session.type(c.file.string());
    session.press("Enter");
    std::string screen = session.waitFor(c.message);
    EXPECT_NE(screen.find("Nothing was changed."), std::string::npos) << screen;
  }
  EXPECT_EQ(readFile(data / "archive.json"), before);

  // Signed out, a pasted text that is not a token is refused and never shown.
  session.type("o");
  session.waitFor("Paste a session token");
  session.type("not-a-token-but-secret");
  session.press("Enter");
  std::string refused = session.waitFor("That is not a session token");
  EXPECT_EQ(refused.find("not-a-token"), std::string::npos) << refused;
  EXPECT_FALSE(std::filesystem::exists(tokenFile(data.path())));
  session.press("Escape");
  session.waitFor("Rounds");
  session.type("q");
  session.waitFor("[exited 0]");
  EXPECT_EQ(readFile(data / "archive.json"), before);
}

TEST(EndToEndTest, CommandLineAnswersWithoutTheFullScreen) {
  TemporaryDirectory data;
  ProcessResult version = runProcess(tavroPath, {"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_TRUE(std::regex_match(version.standardOutput,
                               std::regex("tavro \\d+\\.\\d+\\.\\d+ \\(build \\d+\\)\n")));
  ProcessResult help = runProcess(tavroPath, {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.standardOutput.find("--data-dir DIR"), std::string::npos);

  ProcessResult unknown = runProcess(tavroPath, {"--colour"});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_EQ(unknown.standardError, "tavro: unknown option --colour (see tavro --help)\n");

  // Standard output is a pipe here.
  ProcessResult piped = runProcess(tavroPath, {"--data-dir", data.path().string()});
  EXPECT_EQ(piped.exitStatus, 1);
  EXPECT_TRUE(std::regex_match(
      piped.standardError, std::regex("tavro: standard (input|output) is not a terminal[^\n]*\n")))
      << piped.standardError;

  // A file named as the data folder is refused before anything starts.
  writeFile(data / "not-a-folder", "x");
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--data-dir", (data / "not-a-folder").string()},
        std::vector<std::string>{"stats", "--data-dir", (data / "not-a-folder").string()}}) {
    ProcessResult file = runProcess(tavroPath, arguments);
    EXPECT_EQ(file.exitStatus, 1);
    EXPECT_EQ(file.standardError, "tavro: --data-dir " + (data / "not-a-folder").string() +
                                      " is not a folder; name a folder (a missing one is made)\n");
  }
  std::filesystem::remove(data / "not-a-folder");

  ProcessResult empty = runProcess(tavroPath, {"stats", "--data-dir", data.path().string()});
  EXPECT_EQ(empty.exitStatus, 0);
  EXPECT_EQ(empty.standardOutput, "No finished rounds yet.\n");

  Archive archive;
  archive.attempts.emplace_back("romaji", 2, 120, 5, 60.0);
  archive.attempts.emplace_back("romaji", 2, 60, 0, 60.0);
  archive.attempts.emplace_back("english\x1b[31m", 1, 10, 0, 5.0);
  archive.save(data / "archive.json");
  ProcessResult stats = runProcess(tavroPath, {"stats", "--data-dir", data.path().string()});
  EXPECT_EQ(stats.exitStatus, 0);
  EXPECT_NE(stats.standardOutput.find("Japanese · Romaji input, round 2"), std::string::npos)
      << stats.standardOutput;
  EXPECT_TRUE(std::regex_search(stats.standardOutput, std::regex(R"(  1  120 keys/min +96\.0%)")))
      << stats.standardOutput;
  EXPECT_TRUE(std::regex_search(stats.standardOutput, std::regex(R"(  2  60 keys/min +100\.0%)")));
  EXPECT_EQ(stats.standardOutput.find('\x1b'), std::string::npos);

  // stats only reads: a damaged archive is reported and left in place.
  writeFile(data / "archive.json", "not json");
  ProcessResult damaged = runProcess(tavroPath, {"stats", "--data-dir", data.path().string()});
  EXPECT_EQ(damaged.exitStatus, 1);
  EXPECT_NE(damaged.standardError.find("is damaged"), std::string::npos);
  EXPECT_EQ(readFile(data / "archive.json"), "not json");
}

TEST(EndToEndTest, ATerminalPasteIsTextWithTabsAsSeparatorsAndNoEscapes) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  passSetup(session);
  session.waitFor("Rounds");
  focusHomeItem(session, "Input");
  pressUntil(session, "Right", "< Custom Text Practice >", 4);
  session.press("Enter");
  session.waitFor("Japanese text");

  // word<Tab>reading lines, one of them coloured by the program it was
  // copied from: as keys, the Tab would move the focus, the rest of the
  // paste would land in the wrong field and the escape would be keys.
  session.paste("学校\tがっこう\n\x1b[31m東京\x1b[0m\tとうきょう");
  std::string screen = session.waitFor("とうきょう");
  EXPECT_NE(screen.find("1   │ 学校"), std::string::npos) << screen;
  EXPECT_NE(screen.find("2   │ 東京"), std::string::npos) << screen;
  EXPECT_NE(screen.find("1   │ がっこう"), std::string::npos) << screen;
  EXPECT_NE(screen.find("2   │ とうきょう"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("[31m"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("[0m"), std::string::npos) << screen;

  // Escape on its own is still the key it was.
  session.press("Escape");
  session.waitFor("Rounds");
}

TEST(EndToEndTest, PastedJapaneseTextIsReadTypedAndScoredWithoutBeingSaved) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  passSetup(session);
  session.waitFor("Rounds");
  focusHomeItem(session, "Input");
  pressUntil(session, "Right", "< Custom Text Practice >", 4);
  session.press("Enter");
  session.waitFor("Japanese text");

  // A paste: the lines arrive as text and line feeds, a blank line between.
  session.type("学校へ行く\n\n東京駅");
  session.waitFor("東京駅");
  session.press("Tab");
  session.press("Enter");  // Generate reading
  std::string screen = session.waitFor("Reading generated");
  EXPECT_NE(screen.find("がっこうへいく"), std::string::npos) << screen;
  EXPECT_NE(screen.find("とうきょうえき"), std::string::npos) << screen;
  // A wrong reading line is refused and named, and nothing starts.
  session.type("x");
  session.press("Tab");
  session.press("Enter");  // Start practice
  screen = session.waitFor("Reading line 2 cannot be typed");
  EXPECT_NE(screen.find("Use matching lines"), std::string::npos) << screen;
  session.press("Tab");  // back round to the reading, to mend it
  session.press("Tab");
  session.press("Tab");
  session.press("BSpace");
  session.press("Tab");
  session.press("Enter");

  for (int word = 1; word <= 25; ++word) {
    SCOPED_TRACE(word);
    std::string shown = atWord(session, word);
    std::string romaji = field(shown, "romaji");
    ASSERT_FALSE(romaji.empty()) << shown;
    EXPECT_EQ(promptLine(shown), word % 2 == 1 ? "学校へ行く" : "東京駅");
    session.type(romaji);
  }
  std::string results = waitForResults(session);
  EXPECT_NE(results.find("Japanese · Custom Text Practice"), std::string::npos) << results;
  Archive archive = Archive::read(data / "archive.json");
  ASSERT_EQ(archive.attempts.size(), 1u);
  EXPECT_EQ(archive.attempts[0].mode(), "kana-custom");
  EXPECT_EQ(archive.attempts[0].misses(), 0);

  // Enter comes back to the text, still there; quitting leaves no trace of it.
  session.press("Enter");
  session.waitFor("東京駅");
  session.press("Escape");
  session.waitFor("Rounds");
  session.type("q");
  session.waitFor("[exited 0]");
  for (const auto& entry : std::filesystem::directory_iterator(data.path())) {
    if (!entry.is_regular_file()) continue;
    std::string contents = readFile(entry.path());
    EXPECT_EQ(contents.find("学校"), std::string::npos) << entry.path();
    EXPECT_EQ(contents.find("東京"), std::string::npos) << entry.path();
  }
}

// Opens the custom text screen from home.
void openCustomText(const TmuxSession& session) {
  session.waitFor("Rounds");
  focusHomeItem(session, "Input");
  pressUntil(session, "Right", "< Custom Text Practice >", 4);
  session.press("Enter");
  session.waitFor("Japanese text");
}

TEST(EndToEndTest, TheKeyThatWouldHaveEndedTheLastWordLeavesTheResultsOnScreen) {
  TemporaryDirectory data;
  TmuxSession session(100, 30, tavroCommand(data.path()));
  passSetup(session);
  openCustomText(session);
  session.type("本");
  session.press("Tab");
  session.press("Enter");  // Generate reading
  session.waitFor("│ ほん");
  session.press("Tab");
  session.press("Enter");  // Start practice
  atWord(session, 1);
  // Every ほん typed as "honn", as a learner does: the last one ends the
  // round at "hon", and its second n arrives on the results.
  std::string keys;
  for (int word = 1; word <= 25; ++word) keys += "honn";
  session.type(keys);
  std::string results = session.waitFor("Round complete");
  EXPECT_NE(results.find("Weakest keys, this round"), std::string::npos) << results;
  ASSERT_EQ(Archive::read(data / "archive.json").attempts.size(), 1u);
  // Still there once the keys are all handled: the results wait for the
  // learner.
  session.press("F5");  // a key that does nothing, to see the n was taken
  results = session.waitFor("Round complete");
  EXPECT_EQ(results.find("Japanese text"), std::string::npos) << results;
}

TEST(EndToEndTest, EscapeSequencesAreWholeKeysAndEscapeAsksBeforeDroppingARound) {
  TemporaryDirectory data;
  // tmux sends Home as "ESC [ 1 ~", which xterm's description does not
  // list: the tutor decodes it itself.
  TmuxSession session(100, 30, tavroCommand(data.path(), "C.UTF-8", "xterm-256color"));
  passSetup(session);
  openCustomText(session);
  session.type("ab");
  session.waitFor("│ ab");
  for (const char* key : {"Home", "F5", "M-a", "PageDown", "IC"}) session.press(key);
  session.type("X");
  session.press("End");
  session.type("Y");
  session.press("Left");
  session.press("DC");  // Delete
  session.type("!");
  std::string screen = session.waitFor("│ Xab!");
  EXPECT_NE(screen.find("Japanese text"), std::string::npos) << screen;
  session.press("Escape");
  session.waitFor("Rounds");

  // A round with a key typed: Alt+letter does nothing, Escape asks.
  focusHomeItem(session, "Input");
  pressUntil(session, "Right", "< Romaji input >", 4);
  session.type("1");
  session.press("Enter");
  atWord(session, 1);
  session.type("x");
  session.waitFor("is not next");
  session.press("M-h");
  session.press("Escape");
  screen = session.waitFor("Leave this round?");
  EXPECT_NE(screen.find(wordMark(1)), std::string::npos) << screen;
  session.type("n");  // no: the round goes on
  screen = session.waitUntil(
      [](const std::string& now) { return now.find("Leave this round?") == std::string::npos; });
  EXPECT_NE(screen.find(wordMark(1)), std::string::npos) << screen;
  session.press("Escape");
  session.waitFor("Leave this round?");
  session.type("y");
  screen = session.waitFor("Round left; nothing was saved.");
  EXPECT_NE(screen.find("Rounds"), std::string::npos) << screen;
  EXPECT_FALSE(std::filesystem::exists(data / "archive.json") &&
               !Archive::read(data / "archive.json").attempts.empty());
}

}  // namespace
}  // namespace tavro::testing
