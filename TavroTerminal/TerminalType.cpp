#include "TavroTerminal/TerminalType.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>

namespace tavro::terminal {
namespace {

// A string capability the loaded entry really has (tigetstr answers null
// when it is absent and -1 when the name is not a string capability).
bool hasCapability(const char* name) {
  const char* value = tigetstr(name);
  return value != nullptr && value != reinterpret_cast<const char*>(-1);
}

}  // namespace

std::optional<std::string> unusableTerminal() {
  constexpr const char* remedy =
      "run tavro in a terminal emulator such as xterm, or set TERM to its type (for example "
      "TERM=xterm-256color)";
  const char* type = std::getenv("TERM");
  if (type == nullptr || *type == '\0') return std::string("TERM is not set; ") + remedy;
  int status = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &status) != OK) {
    // ncurses answers 0 both for a type it has no entry for and for a
    // generic one such as "dumb"; it cannot tell them apart for us.
    if (status == 0)
      return "the terminal type '" + std::string(type) +
             "' is unknown here or cannot move the cursor; " + remedy +
             ", or install the package ncurses-term for more types";
    if (status == 1)
      return "the terminal type '" + std::string(type) + "' is a printing terminal; " + remedy;
    return std::string("no terminal descriptions (terminfo) are installed; install the package "
                       "ncurses-base, then ") +
           remedy;
  }
  bool usable = hasCapability("cup") && hasCapability("clear");
  // ncurses loads the entry again when it starts; this one is done with
  // (freeing the current entry also clears cur_term).
  del_curterm(cur_term);
  if (!usable)
    return "the terminal type '" + std::string(type) +
           "' cannot move the cursor or clear the screen; " + remedy;
  return std::nullopt;
}

}  // namespace tavro::terminal
