// The built desktop tutor in a real window on a private X server (Xvfb),
// typed on with real key events (XTEST, by keycode, the display's layout
// left at US) as a learner types: a romaji round and a kana-key round on
// JIS. Screenshots of each screen go to desktop-screenshots/ in the build
// folder.
#include "common/TestSupport.h"

#include "Platform/FileUserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/practice/Exercise.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroCore/settings/FirstLaunchSetup.h"
#include "TavroDesktop/PhysicalKeys.h"
#include "TavroHost/Storage.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tavro::desktop {
namespace {

using tavro::testing::ProcessResult;
using tavro::testing::runProcess;
using tavro::testing::TemporaryDirectory;

const std::filesystem::path screenshots = std::filesystem::path(TAVRO_BINARY_DIR) / "desktop-screenshots";

// A program running beside the test, ended when the test is done with it.
class Child {
 public:
  // Runs `arguments` (the first is looked up in PATH); with `displayPipe`,
  // that descriptor stays open in the child.
  explicit Child(const std::vector<std::string>& arguments, int keepOpen = -1) {
    pid_ = fork();
    if (pid_ == 0) {
      for (int fd = 3; fd < 256; ++fd)
        if (fd != keepOpen) close(fd);
      std::vector<char*> argv;
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execvp(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Child() { stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The exit status once the program has ended by itself within `seconds`;
  // -1 when it has not (it is then stopped).
  int waitExit(int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    return -1;
  }

  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// A private X server; DISPLAY names it for this process and its children.
class XServer {
 public:
  XServer() {
    int ends[2];
    if (pipe(ends) != 0) return;
    server_ = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(ends[1]),
                                                               "-screen", "0", "1280x960x24", "-nolisten", "tcp"},
                                      ends[1]);
    close(ends[1]);
    std::string number;
    char c = 0;
    while (read(ends[0], &c, 1) == 1 && c != '\n') number += c;
    close(ends[0]);
    if (!number.empty()) {
      display_ = ":" + number;
      setenv("DISPLAY", display_.c_str(), 1);
    }
  }
  bool ready() const { return !display_.empty(); }

 private:
  std::unique_ptr<Child> server_;
  std::string display_;
};

ProcessResult run(const std::string& program, const std::vector<std::string>& arguments) {
  return runProcess(program, arguments);
}

// Waits up to `seconds` for `done`.
bool waitFor(const std::function<bool()>& done, int seconds = 30) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

// The tutor's window, focused so that key events reach it.
std::string focusTutor() {
  ProcessResult found = run("/usr/bin/xdotool", {"search", "--sync", "--onlyvisible", "--name", "Tavro"});
  std::string window = found.standardOutput.substr(0, found.standardOutput.find('\n'));
  EXPECT_FALSE(window.empty()) << found.standardError;
  if (!window.empty()) run("/usr/bin/xdotool", {"windowfocus", "--sync", window});
  return window;
}

// True when a window of the display has `title` in its name.
bool windowTitled(const std::string& title) {
  return !run("/usr/bin/xdotool", {"search", "--onlyvisible", "--name", title}).standardOutput.empty();
}

void screenshot(const std::string& name) {
  std::filesystem::create_directories(screenshots);
  std::filesystem::path file = screenshots / (name + ".png");
  std::filesystem::remove(file);
  ProcessResult shot = run("/usr/bin/scrot", {file.string()});
  EXPECT_EQ(shot.exitStatus, 0) << shot.standardError;
}

void press(const std::vector<std::string>& keys) {
  ProcessResult pressed = run(TAVRO_PRESS_KEYS_PATH, keys);
  ASSERT_EQ(pressed.exitStatus, 0) << pressed.standardError;
}

// Presses Return on home until the round is up (the first press can come
// before the new window takes keys).
void startChosenRoundTitled(const std::string& title) {
  for (int attempt = 0; attempt < 5 && !windowTitled(title); ++attempt) {
    press({"36"});
    waitFor([&] { return windowTitled(title); }, 3);
  }
  ASSERT_TRUE(windowTitled(title)) << title;
}

void startChosenRound() {
  startChosenRoundTitled("Tavro — Round");
}

// The X11 keycode of a key text on the layout, through the tutor's own table.
std::string keycodeOf(const std::string& text, bool jis) {
  for (bool shift : {false, true}) {
    for (std::uint32_t code = 8; code < 256; ++code) {
      if (keyText(code, shift, jis) == text) return std::to_string(code) + (shift ? ":shift" : "");
    }
  }
  ADD_FAILURE() << "no key types " << text;
  return "0";
}

// Plays a whole round on the window: a copy of the round in this process
// says what comes next, each key goes to the window as a real key event and
// into the copy; a screenshot is taken after the first word.
void playRound(PracticeRound copy, const std::string& shotName) {
  std::int64_t word = copy.session().currentWord();
  std::vector<std::string> keys;
  double now = 0;
  while (!copy.isComplete()) {
    const PracticeView& view = copy.view();
    std::string key;
    if (copy.exercise() == Exercise::japaneseKana) {
      ASSERT_TRUE(view.nextKey.has_value());
      std::string code = keycodeOf(view.nextKey->label, copy.jis());
      keys.push_back(view.nextKey->shift ? code.substr(0, code.find(':')) + ":shift" : code);
      key = view.nextKey->shift ? Keyboard::shiftedKeys(copy.jis()).at(view.nextKey->label)
                                : view.nextKey->label;
    } else if (!view.expectedInput) {
      // A word that is complete but could take more (ほん after "hon"):
      // Return moves on.
      keys.push_back("36");
      copy.confirmWord(now += 0.2);
    } else {
      key = *view.expectedInput;
      keys.push_back(keycodeOf(key, false));
    }
    if (!key.empty()) copy.type(key, now += 0.2);
    if (copy.session().currentWord() != word || copy.isComplete()) {
      press(keys);
      keys.clear();
      if (word == 1) {
        // What the window shows once it has taken the first word's keys.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        screenshot(shotName);
      }
      word = copy.session().currentWord();
    }
  }
}

// The window's size as the X server has it ("1000x800").
std::string windowSize(const std::string& window) {
  std::string text = run("/usr/bin/xdotool", {"getwindowgeometry", window}).standardOutput;
  std::size_t at = text.find("Geometry: ");
  return at == std::string::npos ? "" : text.substr(at + 10, text.find('\n', at) - at - 10);
}

// Presses keys until the window's title holds `title` (the first press can
// come before the window takes keys).
void pressUntilTitled(const std::vector<std::string>& keys, const std::string& title) {
  for (int attempt = 0; attempt < 5 && !windowTitled(title); ++attempt) {
    press(keys);
    waitFor([&] { return windowTitled(title); }, 3);
  }
  ASSERT_TRUE(windowTitled(title)) << title;
}

std::size_t savedAttempts(const std::filesystem::path& archive) {
  try {
    return Archive::read(archive).attempts.size();
  } catch (const std::exception&) {
    return 0;
  }
}

// One learner's run of the built tutor: a private X server, a data folder
// of its own, and the command that starts the tutor on them. A learner who
// has been through the setup has it marked done in the preferences.
class DesktopEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ready());
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }

  void markSetupDone() {
    platform::FileUserDefaults preferences(paths.preferences());
    preferences.set(FirstLaunchSetup::completedKey, true);
  }

  XServer server;
  TemporaryDirectory data;
  StoragePaths paths{data.path(), data.path()};
  const std::vector<std::string> tutor = {TAVRO_DESKTOP_PATH, "--data-dir", data.path().string()};
};

TEST_F(DesktopEndToEnd, ARomajiRoundAndAKanaRoundOnJISInARealWindow) {
  markSetupDone();

  {
    Child window(tutor);
    ASSERT_FALSE(focusTutor().empty());
    screenshot("home");
    startChosenRound();  // Return: the round chosen, round 1
    playRound(PracticeRound(Exercise::japaneseRomaji, 1, false,
                            prompts(Exercise::japaneseRomaji, JLPTLevel::n5, 1, "", false)),
              "practice-romaji");
    bool saved = waitFor([&] { return savedAttempts(paths.archive()) == 1; });
    if (!saved) screenshot("romaji-not-saved");
    ASSERT_TRUE(saved);
    ASSERT_TRUE(waitFor([] { return windowTitled("Tavro — Results"); }));
    screenshot("results");
    pressUntilTitled({"33:ctrl"}, "Tavro — Progress");  // Ctrl+P
    screenshot("progress");
    pressUntilTitled({"59:ctrl"}, "Tavro — Settings");  // Ctrl+,
    screenshot("settings");
  }
  Archive archive = Archive::read(paths.archive());
  EXPECT_EQ(archive.attempts.at(0).mode(), "romaji");
  EXPECT_EQ(archive.attempts.at(0).misses(), 0);

  // Kana keys on a JIS keyboard, the display's layout still US.
  {
    platform::FileUserDefaults preferences(paths.preferences());
    saveInput(Exercise::japaneseKana, preferences);
    preferences.set("terminalUsesJIS", true);
  }
  archive.jis = true;
  ASSERT_FALSE(saveArchive(archive, paths.archive()));
  {
    Child window(tutor);
    ASSERT_FALSE(focusTutor().empty());
    startChosenRound();
    playRound(PracticeRound(Exercise::japaneseKana, 1, true,
                            prompts(Exercise::japaneseKana, JLPTLevel::n5, 1, "", true)),
              "practice-kana-jis");
    ASSERT_TRUE(waitFor([&] { return savedAttempts(paths.archive()) == 2; }));
  }
  archive = Archive::read(paths.archive());
  EXPECT_EQ(archive.attempts.at(1).mode(), "kana");
  EXPECT_EQ(archive.attempts.at(1).misses(), 0);
}

// A new learner: the window opens on the setup, which Return takes through
// every step; the choices are kept and the next start goes straight home.
TEST_F(DesktopEndToEnd, TheFirstStartWalksTheSetupByKeysAndTheNextStartGoesHome) {
  {
    Child window(tutor);
    ASSERT_FALSE(focusTutor().empty());
    ASSERT_TRUE(waitFor([] { return windowTitled("Tavro — Setup"); }, 10));
    screenshot("setup-first-step");
    for (int step = 0; step < 5 && windowTitled("Tavro — Setup"); ++step) {
      press({"36"});
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (step == 0) screenshot("setup-keyboard");
    }
    ASSERT_TRUE(waitFor([] { return windowTitled("^Tavro$"); }, 10));
    press({"24:ctrl"});  // Ctrl+Q
    EXPECT_EQ(window.waitExit(10), 0);
  }
  {
    platform::FileUserDefaults preferences(paths.preferences());
    EXPECT_EQ(preferences.boolean(FirstLaunchSetup::completedKey), true);
  }
  EXPECT_TRUE(std::filesystem::exists(paths.archive()));
  Child window(tutor);
  ASSERT_FALSE(focusTutor().empty());
  EXPECT_TRUE(windowTitled("^Tavro$"));
  EXPECT_FALSE(windowTitled("Setup"));
}

// A learner chooses round 3, the Japanese interface through the settings
// page, makes the window larger and quits with Ctrl+Q; the next start shows
// the same size, language and round.
TEST_F(DesktopEndToEnd, ResizedQuitAndStartedAgainWithEverythingRemembered) {
  markSetupDone();
  const std::string down = "116", escape = "9";
  {
    Child window(tutor);
    std::string id = focusTutor();
    ASSERT_FALSE(id.empty());
    press({down, down});
    startChosenRound();
    EXPECT_TRUE(windowTitled("Tavro — Round 3"));
    pressUntilTitled({escape}, "^Tavro$");
    pressUntilTitled({"59:ctrl"}, "Tavro — Settings");  // Ctrl+,
    press({down});  // the first choice, the interface language: 日本語
    ASSERT_TRUE(waitFor([] { return windowTitled("Tavro — 設定"); }, 10));
    screenshot("settings-japanese");
    pressUntilTitled({escape}, "^Tavro$");
    run("/usr/bin/xdotool", {"windowsize", id, "1000", "800"});
    ASSERT_TRUE(waitFor([&] { return windowSize(id) == "1000x800"; }, 10)) << windowSize(id);
    screenshot("home-japanese-resized");
    press({"24:ctrl"});  // Ctrl+Q
    EXPECT_EQ(window.waitExit(10), 0);
  }
  {
    Child window(tutor);
    std::string id = focusTutor();
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(windowSize(id), "1000x800");
    startChosenRoundTitled("Tavro — ラウンド 3");
    // The round of the Japanese interface, typed to its end.
    playRound(PracticeRound(Exercise::japaneseRomaji, 3, false,
                            prompts(Exercise::japaneseRomaji, JLPTLevel::n5, 3, "", false)),
              "practice-japanese");
    ASSERT_TRUE(waitFor([] { return windowTitled("Tavro — 結果"); }));
    screenshot("results-japanese");
    pressUntilTitled({"33:ctrl"}, "Tavro — 進捗");
    screenshot("progress-japanese");
  }
  EXPECT_EQ(savedAttempts(paths.archive()), 1u);
}

}  // namespace
}  // namespace tavro::desktop
