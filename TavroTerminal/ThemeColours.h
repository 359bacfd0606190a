// The colours each theme draws with, as terminal colour numbers: what
// ncurses is given and what the contrast of every text on its background is
// measured with (the RGB values xterm gives those numbers by default).
// Kept apart from ncurses so tests can hold every theme to the contrast it
// promises.
#pragma once

#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroTerminal/Frame.h"

#include <array>

namespace tavro::terminal {

// The colour of each kind of text, and the background under all of them.
// -1 is the terminal's own colour (the System theme's text and background).
struct ThemeColours {
  int foreground;  // plain text, titles, and the keyboard's keys
  int background;
  int faint;    // secondary text (Style::dim)
  int done;     // the typed part of a prompt
  int warning;  // refused keys and problems
  int focus;    // the focused line of a menu
  int nextKey;  // the character to type now
};

// The text colour roles a Style draws with.
enum class ColourRole { foreground, faint, done, warning, focus, nextKey };

// The role of `style`'s text colour; with `reversed` set (the key to press
// on the keyboard) the text takes the background colour on the foreground.
struct StyleColours {
  ColourRole role;
  bool reversed = false;
};
StyleColours styleColours(Style style);

// The colours of `theme` on a terminal of `colours` colours: with 256 or
// more, chosen from xterm's 256-colour cube (numbers above 15, which no
// terminal brightens for bold text); with fewer, from the eight basic
// colours. Every theme but System keeps each text at 4.5:1 or more against
// its background; System is the terminal's own foreground and background
// with the basic colours on it, which nothing here can measure.
ThemeColours themeColours(AppearanceTheme theme, int colours);

// The number of `role` in `theme`'s colours.
int colourOf(const ThemeColours& theme, ColourRole role);

// The RGB value xterm gives colour `index` (0 to 255) by default.
std::array<int, 3> xtermRGB(int index);

// The contrast ratio of two colours (1 to 21), by the relative luminance of
// their xterm RGB values, as WCAG 2 defines it.
double contrastRatio(int first, int second);

}  // namespace tavro::terminal
