#include "TavroTerminal/TerminalScreen.h"

#include <curses.h>

#include <chrono>
#include <csignal>
#include <cwchar>
#include <cstdio>
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

enum Pair : short { base = 1, good, warn, accent, next };

// The colours of one theme: foreground and background of plain text (-1 is
// the terminal's own), and the foregrounds of the typed part, warnings,
// menu focus and the next key.
struct Palette {
  short foreground, background, done, warning, focus, nextKey;
};

// Bright colours where the terminal has sixteen, their plain versions else.
short bright(short colour) {
  return COLORS >= 16 ? static_cast<short>(colour + 8) : colour;
}

Palette palette(AppearanceTheme theme) {
  switch (theme) {
    case AppearanceTheme::system:
      return {-1, -1, COLOR_GREEN, COLOR_RED, COLOR_CYAN, COLOR_YELLOW};
    case AppearanceTheme::light:
      return {COLOR_BLACK, COLOR_WHITE, COLOR_GREEN, COLOR_RED, COLOR_BLUE, COLOR_MAGENTA};
    case AppearanceTheme::dark:
      return {COLOR_WHITE, COLOR_BLACK, COLOR_GREEN, COLOR_RED, COLOR_CYAN, COLOR_YELLOW};
    case AppearanceTheme::midnight:
      return {COLOR_WHITE, COLOR_BLUE, COLOR_CYAN, COLOR_YELLOW, COLOR_WHITE, COLOR_YELLOW};
    case AppearanceTheme::sakura:
      return {COLOR_BLACK, COLOR_WHITE, COLOR_MAGENTA, COLOR_RED, COLOR_MAGENTA, COLOR_RED};
    case AppearanceTheme::ocean:
      return {COLOR_BLACK, COLOR_CYAN, COLOR_BLUE, COLOR_RED, COLOR_BLUE, COLOR_MAGENTA};
    case AppearanceTheme::highContrast:
      // Its own black background: bright white (about 19:1) and bright
      // yellow (about 17:1) hold the contrast on dark and light terminals
      // alike, far above the 7:1 of the strictest level.
      return {bright(COLOR_WHITE),  COLOR_BLACK,          bright(COLOR_WHITE),
              bright(COLOR_YELLOW), bright(COLOR_YELLOW), bright(COLOR_YELLOW)};
  }
  return {-1, -1, COLOR_GREEN, COLOR_RED, COLOR_CYAN, COLOR_YELLOW};
}

void applyTheme(AppearanceTheme theme) {
  Palette colours = palette(theme);
  init_pair(base, colours.foreground, colours.background);
  init_pair(good, colours.done, colours.background);
  init_pair(warn, colours.warning, colours.background);
  init_pair(accent, colours.focus, colours.background);
  init_pair(next, colours.nextKey, colours.background);
  bkgdset(static_cast<chtype>(' ') | COLOR_PAIR(base));
}

attr_t attributes(Style style, bool colours, bool highContrast) {
  auto pair = [colours](Pair p) -> attr_t { return colours ? COLOR_PAIR(p) : A_NORMAL; };
  switch (style) {
    case Style::normal:
      return pair(base);
    case Style::dim:
      // Faint text would fall below the contrast the theme promises.
      return highContrast ? pair(base) : pair(base) | A_DIM;
    case Style::title:
      return pair(base) | A_BOLD;
    case Style::done:
      return pair(good) | (colours ? A_NORMAL : A_BOLD);
    case Style::active:
      return pair(next) | A_BOLD | A_UNDERLINE;
    case Style::rejected:
    case Style::warning:
      return pair(warn) | A_BOLD;
    case Style::target:
      return pair(base) | A_REVERSE | A_BOLD;
    case Style::ghost:
      return pair(base) | A_UNDERLINE;
    case Style::selected:
      return pair(accent) | A_BOLD;
    case Style::marked:
      return pair(base) | A_BOLD | A_UNDERLINE;
  }
  return A_NORMAL;
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
void draw(const Frame& frame, bool colours, bool highContrast) {
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
      attrset(attributes(style, colours, highContrast));
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
constexpr std::wstring_view pasteStart = L"[200~";
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

// After an Escape: reads on while the input follows `marker`. True when all
// of it came; otherwise `consumed` holds what was read (to be taken as the
// keys it is), and a last unit that broke the match is in `consumed` too.
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

void writeToTerminal(std::string_view sequence) {
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
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
    if (has_colors()) {
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
  bool colours = has_colors();
  std::optional<AppearanceTheme> theme;
  Frame frame(COLS, LINES);
  while (!tutor.finished() && stopRequested == 0) {
    if (frame.width() != COLS || frame.height() != LINES) frame = Frame(COLS, LINES);
    if (colours && theme != tutor.theme()) {
      theme = tutor.theme();
      applyTheme(*theme);
    }
    tutor.tick();
    tutor.render(frame, seconds());
    draw(frame, colours, tutor.theme() == AppearanceTheme::highContrast);
    refresh();

    wint_t input = 0;
    int status = get_wch(&input);
    if (status == ERR) continue;  // time-out or interrupted by a signal
    if (status == KEY_CODE_YES && input == KEY_RESIZE) continue;
    // Keys that arrived together are handled before one redraw.
    while (true) {
      if (status == OK && input == 27) {
        // An Escape may open a bracketed paste; if it does not, it and what
        // was read after it are the keys they always were.
        std::vector<std::pair<int, wint_t>> consumed;
        if (follows(pasteStart, 25, consumed)) {
          tutor.handle(Key::pasted(readPaste()), seconds());
        } else {
          tutor.handle(Key::of(Key::Kind::escape), seconds());
          for (const auto& [unitStatus, unit] : consumed) {
            if (tutor.finished()) break;
            if (std::optional<Key> key = translate(unitStatus, unit)) tutor.handle(*key, seconds());
          }
        }
      } else if (std::optional<Key> key = translate(status, input)) {
        tutor.handle(*key, seconds());
      }
      if (tutor.finished()) break;
      nodelay(stdscr, TRUE);
      status = get_wch(&input);
      nodelay(stdscr, FALSE);
      timeout(200);
      if (status == ERR || (status == KEY_CODE_YES && input == KEY_RESIZE)) break;
    }
  }
}

}  // namespace tavro::terminal
