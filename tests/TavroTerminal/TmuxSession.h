// A terminal for end-to-end tests: a detached tmux session on a server of
// its own (a socket named after the process and a counter), driven with
// send-keys and read with capture-pane. Waits poll the screen until a
// deadline instead of sleeping, so a loaded machine only makes them slower.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::testing {

class TmuxSession {
 public:
  // Starts `command` (run by /bin/sh) in a width x height window. When it
  // ends the pane shows "[exited N]" and stays open.
  TmuxSession(int width, int height, const std::string& command);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  // The visible text of the window, one line per row.
  std::string screen() const;
  std::vector<std::string> lines() const;
  // The same with the escape sequences of its colours and attributes.
  std::string styledScreen() const;

  // Polls the screen until `done` holds on two captures in a row that are
  // the same, each taken with the tutor's cursor at rest (so never on a
  // half-drawn screen); records a test failure with the
  // last screen and returns it anyway when the deadline passes.
  std::string waitUntil(const std::function<bool(const std::string&)>& done,
                        std::chrono::seconds deadline = std::chrono::seconds(60)) const;
  std::string waitFor(std::string_view text,
                      std::chrono::seconds deadline = std::chrono::seconds(60)) const;

  // Types `text` literally, or presses named keys ("Enter", "Escape", "Up").
  void type(std::string_view text) const;
  void press(std::string_view key) const;

  // Pastes `text` as a terminal paste does: wrapped in the bracketed-paste
  // markers when the program asked for them, line feeds sent as they are.
  void paste(std::string_view text) const;

  void resize(int width, int height) const;

  // The process id of the command's first child (the program the shell runs).
  int programProcess() const;

 private:
  // The visible text and whether the program had finished drawing it.
  struct Capture {
    std::string text;
    bool settled = false;
  };
  Capture capture() const;
  std::string tmux(std::vector<std::string> arguments) const;

  std::string socket_;
};

// A shell word quoted for /bin/sh.
std::string shellQuoted(std::string_view text);

}  // namespace tavro::testing
