#include "TavroTerminal/TerminalScreen.h"

#include <curses.h>

#include <chrono>
#include <csignal>
#include <cwchar>
#include <string>

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

double seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
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
  }
  ~Session() { endwin(); }
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
    // Keys that arrived together (a paste) are handled before one redraw.
    while (true) {
      if (std::optional<Key> key = translate(status, input)) tutor.handle(*key, seconds());
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
