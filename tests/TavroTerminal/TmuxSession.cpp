#include "TmuxSession.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tavro::testing {
namespace {

std::filesystem::path tmuxProgram() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    std::filesystem::path candidate = std::filesystem::path(folder) / "tmux";
    if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  throw std::runtime_error("tmux is not installed (scripts/install-deps installs it)");
}

}  // namespace

std::string shellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

TmuxSession::TmuxSession(int width, int height, const std::string& command) {
  static std::atomic<int> counter{0};
  socket_ = "tavro-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  std::string wrapped = command + "; echo \"[exited $?]\"; sleep 100000";
  tmux({"-f", "/dev/null", "new-session", "-d", "-s", "t", "-x", std::to_string(width), "-y",
        std::to_string(height), "/bin/sh", "-c", wrapped});
}

TmuxSession::~TmuxSession() {
  try {
    tmux({"kill-server"});
  } catch (...) {
  }
}

std::string TmuxSession::tmux(std::vector<std::string> arguments) const {
  arguments.insert(arguments.begin(), {"-L", socket_});
  ProcessResult result = runProcess(tmuxProgram(), arguments);
  if (result.exitStatus != 0) {
    throw std::runtime_error("tmux " + arguments[2] + " failed: " + result.standardError);
  }
  return result.standardOutput;
}

std::string TmuxSession::screen() const {
  return tmux({"capture-pane", "-p", "-t", "t"});
}

std::string TmuxSession::styledScreen() const {
  return tmux({"capture-pane", "-p", "-e", "-t", "t"});
}

std::vector<std::string> TmuxSession::lines() const {
  std::vector<std::string> result;
  std::stringstream text(screen());
  std::string line;
  while (std::getline(text, line)) result.push_back(line);
  return result;
}

TmuxSession::Capture TmuxSession::capture() const {
  // One command list, so the text and the cursor are read with no output of
  // the program in between.
  std::string output = tmux({"capture-pane", "-p", "-t", "t", ";", "display-message", "-p", "-t",
                             "t", "#{cursor_flag} #{cursor_x} #{cursor_y} #{pane_width} "
                             "#{pane_height}"});
  std::size_t lastLine = output.rfind('\n', output.size() >= 2 ? output.size() - 2 : 0);
  std::size_t cut = lastLine == std::string::npos ? 0 : lastLine + 1;
  std::stringstream cursor(output.substr(cut));
  int visible = 1;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  cursor >> visible >> x >> y >> width >> height;
  // The tutor hides the cursor and ends every frame by writing the
  // bottom-right cell, so its hidden cursor rests there only between frames.
  // With the cursor shown the tutor is not drawing (not started, or ended).
  bool settled = !cursor || visible != 0 || (x == width - 1 && y == height - 1);
  return Capture{output.substr(0, cut), settled};
}

std::string TmuxSession::waitUntil(const std::function<bool(const std::string&)>& done,
                                   std::chrono::seconds deadline) const {
  auto end = std::chrono::steady_clock::now() + deadline;
  std::string shown;
  std::string previous;
  while (true) {
    Capture now = capture();
    shown = now.text;
    // A capture may fall in the middle of a redraw, and a loaded machine can
    // hold a half-written frame on screen for a while (the top line of the
    // next word over the last word's prompt): only a screen with the cursor
    // at rest, seen twice in a row, counts.
    if (now.settled && shown == previous && done(shown)) return shown;
    previous = now.settled ? shown : std::string();
    if (std::chrono::steady_clock::now() > end) break;
    if (!now.settled || !done(shown)) std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  ADD_FAILURE() << "the screen did not change as expected; it shows:\n" << shown;
  return shown;
}

std::string TmuxSession::waitFor(std::string_view text, std::chrono::seconds deadline) const {
  return waitUntil(
      [text](const std::string& shown) { return shown.find(text) != std::string::npos; }, deadline);
}

void TmuxSession::type(std::string_view text) const {
  // tmux reads an argument ending in ";" as the end of a command, so a
  // final ";" goes escaped. Built by appending: GCC 12 warns (falsely) about
  // an insert before the last character.
  bool endsCommand = !text.empty() && text.back() == ';';
  std::string literal(endsCommand ? text.substr(0, text.size() - 1) : text);
  if (endsCommand) literal += "\\;";
  tmux({"send-keys", "-t", "t", "-l", literal});
}

void TmuxSession::paste(std::string_view text) const {
  tmux({"set-buffer", "-b", "paste", "--", std::string(text)});
  tmux({"paste-buffer", "-p", "-r", "-d", "-b", "paste", "-t", "t"});
}

void TmuxSession::press(std::string_view key) const {
  tmux({"send-keys", "-t", "t", std::string(key)});
}

void TmuxSession::resize(int width, int height) const {
  tmux({"resize-window", "-t", "t", "-x", std::to_string(width), "-y", std::to_string(height)});
}

int TmuxSession::programProcess() const {
  std::string shell = tmux({"display-message", "-p", "-t", "t", "#{pane_pid}"});
  int pid = std::stoi(shell);
  std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                         "/children");
  int child = 0;
  children >> child;
  return child;
}

}  // namespace tavro::testing
