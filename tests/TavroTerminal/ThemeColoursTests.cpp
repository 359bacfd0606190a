// Every theme keeps its text readable: each style that carries text, on
// the theme's background, at a contrast of 4.5:1 or more, measured with the
// RGB values xterm gives the colour numbers the theme uses.
#include "TavroTerminal/ThemeColours.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro::terminal {
namespace {

TEST(ThemeColoursTest, ContrastRatioFollowsRelativeLuminance) {
  struct Case {
    int first, second;
    double ratio;
  };
  const Case cases[] = {
      {16, 231, 21.0},   // black and white, the most there is
      {231, 16, 21.0},   // in either order
      {7, 7, 1.0},       // a colour on itself
      {0, 1, 3.60},      // xterm's red (205, 0, 0) on black
      {4, 7, 7.46},      // xterm's blue (0, 0, 238) on its white (229)
      {244, 16, 5.32},   // the grey ramp: 244 is (128, 128, 128)
      {28, 231, 4.70},   // the cube: 28 is (0, 135, 0)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " on " + std::to_string(c.second));
    EXPECT_NEAR(contrastRatio(c.first, c.second), c.ratio, 0.01);
  }
}

TEST(ThemeColoursTest, EveryTextStyleOfEveryThemeHasContrastOnItsBackground) {
  const Style styles[] = {Style::normal, Style::dim,    Style::title,    Style::done,
                          Style::active, Style::rejected, Style::target, Style::ghost,
                          Style::selected, Style::marked, Style::warning, Style::keyWeak,
                          Style::keyFair, Style::keyStrong};
  for (int colours : {8, 256}) {
    for (AppearanceTheme theme : AppearanceThemes::allCases) {
      // System is the terminal's own foreground and background.
      if (theme == AppearanceTheme::system) continue;
      ThemeColours palette = themeColours(theme, colours);
      for (Style style : styles) {
        SCOPED_TRACE(std::to_string(colours) + " colours, " + std::string(rawValue(theme)) +
                     ", style " + std::to_string(static_cast<int>(style)));
        StyleColours drawn = styleColours(style);
        int text = colourOf(palette, drawn.role);
        int background = palette.background;
        if (drawn.reversed) std::swap(text, background);
        ASSERT_GE(text, 0);
        ASSERT_LT(text, colours);
        ASSERT_LT(background, colours);
        EXPECT_GE(contrastRatio(text, background), 4.5);
      }
    }
  }
}

}  // namespace
}  // namespace tavro::terminal
