#include "TavroTerminal/TerminalScreen.h"

#include <curses.h>

#include "TavroTerminal/EscapeSequence.h"
#include "TavroTerminal/ThemeColours.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::terminal {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
  stopRequested = 1;
}

// One colour pair per colour role of the theme (ThemeColours), in the
// role's order, each on the theme's background.
constexpr std::array<ColourRole, 6> pairRoles = {ColourRole::foreground, ColourRole::faint,
                                                 ColourRole::done,       ColourRole::warning,
                                                 ColourRole::focus,      ColourRole::nextKey};

short pairOf(ColourRole role) {
  return static_cast<short>(
      std::find(pairRoles.begin(), pairRoles.end(), role) - pairRoles.begin() + 1);
}

void applyTheme(AppearanceTheme theme) {
  ThemeColours colours = themeColours(theme, COLORS);
  for (ColourRole role : pairRoles)
    init_pair(pairOf(role), static_cast<short>(colourOf(colours, role)),
              static_cast<short>(colours.background));
  bkgdset(static_cast<chtype>(' ') | COLOR_PAIR(pairOf(ColourRole::foreground)));
}

// `faint`: secondary text is drawn faint (the System theme, whose colours
// are the terminal's own); the other themes give it a colour of its own
// whose contrast is known, which faint drawing would lower by an unknown
// amount.
attr_t attributes(Style style, bool colours, bool faint) {
  StyleColours drawn = styleColours(style);
  attr_t result = colours ? COLOR_PAIR(pairOf(drawn.role)) : A_NORMAL;
  if (drawn.reversed) result |= A_REVERSE;
  switch (style) {
    case Style::dim:
      return faint || !colours ? result | A_DIM : result;
    case Style::title:
    case Style::rejected:
    case Style::warning:
    case Style::selected:
      return result | A_BOLD;
    case Style::done:
      return colours ? result : result | A_BOLD;
    case Style::active:
    case Style::marked:
      return result | A_BOLD | A_UNDERLINE;
    case Style::target:
    case Style::keyWeak:
      return result | A_BOLD;
    case Style::keyFair:
    case Style::keyStrong:
      return result;
    case Style::ghost:
      return result | A_UNDERLINE;
    case Style::normal:
      return result;
  }
  return result;
}

std::wstring wide(const std::string& text) {
  std::wstring result;
  std::mbstate_t state{};
  const char* next = text.c_str();
  std::size_t length = std::mbsrtowcs(nullptr, &next, 0, &state);
  if (length == static_cast<std::size_t>(-1)) return L"?";
  result.resize(length);
  next = text.c_str();
  state = std::mbstate_t{};
  std::mbsrtowcs(result.data(), &next, length, &state);
  return result;
}

// Copies the frame: every cell is written each time and ncurses sends the
// terminal only the cells that differ from what it shows.
void draw(const Frame& frame, bool colours, bool faint) {
  for (int row = 0; row < frame.height(); ++row) {
    int column = 0;
    while (column < frame.width()) {
      Style style = frame.cell(row, column).style;
      int start = column;
      std::string run;
      while (column < frame.width() && frame.cell(row, column).style == style) {
        run += frame.cell(row, column).text;
        ++column;
      }
      attrset(attributes(style, colours, faint));
      std::wstring text = wide(run);
      // The bottom-right cell makes ncurses report an error after drawing it.
      mvaddnwstr(row, start, text.c_str(), static_cast<int>(text.size()));
    }
  }
  attrset(A_NORMAL);
}

std::string utf8(wchar_t character) {
  char buffer[MB_LEN_MAX];
  std::mbstate_t state{};
  std::size_t length = std::wcrtomb(buffer, character, &state);
  if (length == static_cast<std::size_t>(-1)) return {};
  return std::string(buffer, length);
}

std::optional<Key> translate(int status, wint_t input) {
  if (status == KEY_CODE_YES) {
    switch (input) {
      case KEY_UP:
        return Key::of(Key::Kind::up);
      case KEY_DOWN:
        return Key::of(Key::Kind::down);
      case KEY_LEFT:
        return Key::of(Key::Kind::left);
      case KEY_RIGHT:
        return Key::of(Key::Kind::right);
      case KEY_BACKSPACE:
        return Key::of(Key::Kind::backspace);
      case KEY_ENTER:
        return Key::of(Key::Kind::enter);
      case KEY_BTAB:
        return Key::of(Key::Kind::up);
      case KEY_HOME:
        return Key::of(Key::Kind::home);
      case KEY_END:
        return Key::of(Key::Kind::end);
      case KEY_DC:
        return Key::of(Key::Kind::del);
      default:
        return std::nullopt;
    }
  }
  switch (input) {
    case 3:
      return Key::of(Key::Kind::interrupt);
    case 27:
      return Key::of(Key::Kind::escape);
    case '\r':
    case '\n':
      return Key::of(Key::Kind::enter);
    case 8:
    case 127:
      return Key::of(Key::Kind::backspace);
    case '\t':
      return Key::of(Key::Kind::tab);
    default:
      break;
  }
  // Other control characters are no keys of the tutor.
  if (input < 0x20 || (input >= 0x7F && input < 0xA0)) return std::nullopt;
  std::string text = utf8(static_cast<wchar_t>(input));
  if (text.empty()) return std::nullopt;
  return Key::character(std::move(text));
}

// Bracketed paste: with the mode on, the terminal wraps a paste in these
// two markers, so the tutor can take it as text rather than as keys.
constexpr std::string_view pasteOn = "\033[?2004h";
constexpr std::string_view pasteOff = "\033[?2004l";
constexpr std::wstring_view pasteEnd = L"[201~";
// A paste is kept up to this many bytes and the rest read and dropped: more
// than any field takes, so the screen can still see (and say) that it was
// too big, without a flood costing more than this.
constexpr std::size_t maximumPasteBytes = 64 * 1024;
// A paste whose end marker never comes ends after this long without input.
constexpr int pasteQuietMilliseconds = 1000;

// Reads one input unit, waiting at most `milliseconds`.
int readInput(wint_t& input, int milliseconds) {
  timeout(milliseconds);
  int status = get_wch(&input);
  timeout(200);
  return status;
}

// Inside a paste, after an Escape: reads on while the input follows `marker`
// (the end marker). True when all of it came; otherwise `consumed` holds
// what was read (text of the paste), a last unit that broke the match too.
bool follows(std::wstring_view marker, int milliseconds,
             std::vector<std::pair<int, wint_t>>& consumed) {
  for (wchar_t expected : marker) {
    wint_t input = 0;
    int status = readInput(input, milliseconds);
    if (status == ERR) return false;
    consumed.emplace_back(status, input);
    if (status != OK || input != static_cast<wint_t>(expected)) return false;
  }
  return true;
}

// The text of a paste whose start marker was just read, up to its end
// marker (or a quiet second), bounded by maximumPasteBytes.
std::string readPaste() {
  std::string text;
  auto append = [&text](const std::string& piece) {
    if (text.size() <= maximumPasteBytes) text += piece;
  };
  while (true) {
    wint_t input = 0;
    int status = readInput(input, pasteQuietMilliseconds);
    if (status == ERR) return text;
    if (status != OK) continue;  // a function key inside a paste means nothing
    if (input == 27) {
      std::vector<std::pair<int, wint_t>> consumed;
      if (follows(pasteEnd, pasteQuietMilliseconds, consumed)) return text;
      append("\033");
      for (const auto& [unitStatus, unit] : consumed) {
        if (unitStatus == OK) append(utf8(static_cast<wchar_t>(unit)));
      }
      continue;
    }
    append(utf8(static_cast<wchar_t>(input)));
  }
}

double seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One unit of input as get_wch gives it: a character (OK) or a key
// ncurses decoded itself (KEY_CODE_YES).
struct Unit {
  int status = ERR;
  wint_t input = 0;
};

// An Escape came in: reads what follows it until it is a whole sequence and
// hands the tutor the one key it stands for, if any. Units read past the
// sequence go back to `pending`. An Escape with nothing after it in a
// moment is the Escape key; a sequence cut short does nothing.
void readEscape(Tutor& tutor, std::deque<Unit>& pending) {
  std::u32string after;
  while (true) {
    EscapeSequence::Decoded decoded = EscapeSequence::decode(after);
    if (decoded.complete) {
      for (std::size_t i = after.size(); i-- > decoded.length;)
        pending.push_front(Unit{OK, static_cast<wint_t>(after[i])});
      if (decoded.pasteStart) {
        tutor.handle(Key::pasted(readPaste()), seconds());
      } else if (decoded.key) {
        tutor.handle(*decoded.key, seconds());
      }
      return;
    }
    Unit unit;
    if (!pending.empty()) {
      unit = pending.front();
      pending.pop_front();
    } else {
      // The rest of a sequence comes in the same write; a slow link may
      // split it, so a sequence once begun is given a little longer.
      unit.status = readInput(unit.input, after.empty() ? 25 : 50);
      if (unit.status == ERR) {
        if (after.empty()) tutor.handle(Key::of(Key::Kind::escape), seconds());
        return;
      }
    }
    if (unit.status != OK) {
      // A key ncurses decoded itself: after a lone Escape it was typed with
      // Alt (nothing); inside a sequence it ends the cut sequence and is a
      // key of its own.
      if (!after.empty()) pending.push_front(unit);
      return;
    }
    // A sequence past any key's length keeps only what can end it.
    char32_t next = static_cast<char32_t>(unit.input);
    if (after.size() >= EscapeSequence::maximumLength && after[0] == U'[' &&
        EscapeSequence::continuesSequence(next))
      continue;
    after += next;
  }
}

void writeToTerminal(std::string_view sequence) {
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

// The learner's wish for no colours: NO_COLOR set to any text but the
// empty one. Every screen then reads by its marks and attributes alone.
bool noColourAsked() {
  const char* value = std::getenv("NO_COLOR");
  return value != nullptr && value[0] != '\0';
}

// Ends ncurses on every way out of runTerminal.
struct Session {
  Session() {
    initscr();
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    if (has_colors() && !noColourAsked()) {
      start_color();
      use_default_colors();
    }
    // The live speed is redrawn five times a second while nothing is typed.
    timeout(200);
    writeToTerminal(pasteOn);
  }
  ~Session() {
    writeToTerminal(pasteOff);
    endwin();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

}  // namespace

void runTerminal(Tutor& tutor) {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  Session session;
  bool colours = has_colors() && !noColourAsked();
  std::optional<AppearanceTheme> theme;
  Frame frame(COLS, LINES);
  std::deque<Unit> pending;  // read after an Escape, not part of its sequence
  while (!tutor.finished() && stopRequested == 0) {
    if (frame.width() != COLS || frame.height() != LINES) frame = Frame(COLS, LINES);
    if (colours && theme != tutor.theme()) {
      theme = tutor.theme();
      applyTheme(*theme);
    }
    tutor.tick();
    tutor.render(frame, seconds());
    draw(frame, colours, tutor.theme() == AppearanceTheme::system);
    refresh();

    Unit unit;
    if (pending.empty()) {
      unit.status = get_wch(&unit.input);
      if (unit.status == ERR) continue;  // time-out or interrupted by a signal
      if (unit.status == KEY_CODE_YES && unit.input == KEY_RESIZE) continue;
    } else {
      unit = pending.front();
      pending.pop_front();
    }
    // Keys that arrived together are handled before one redraw.
    while (true) {
      if (unit.status == OK && unit.input == 27) {
        // An Escape may open a bracketed paste or a key's sequence; alone
        // it is the Escape key.
        readEscape(tutor, pending);
      } else if (std::optional<Key> key = translate(unit.status, unit.input)) {
        tutor.handle(*key, seconds());
      }
      if (tutor.finished()) break;
      if (!pending.empty()) {
        unit = pending.front();
        pending.pop_front();
        continue;
      }
      nodelay(stdscr, TRUE);
      unit.status = get_wch(&unit.input);
      nodelay(stdscr, FALSE);
      timeout(200);
      if (unit.status == ERR || (unit.status == KEY_CODE_YES && unit.input == KEY_RESIZE)) break;
    }
  }
}

}  // namespace tavro::terminal
