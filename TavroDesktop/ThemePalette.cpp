#include "TavroDesktop/ThemePalette.h"

#include <QColor>

#include <algorithm>
#include <array>

namespace tavro::desktop {
namespace {

struct ThemeColours {
  AppearanceTheme theme;
  QRgb window;
  QRgb windowText;
  QRgb base;
  QRgb alternateBase;
  QRgb text;
  QRgb button;
  QRgb buttonText;
  QRgb highlight;
  QRgb highlightedText;
  QRgb mid;
  QRgb placeholderText;
  QRgb link;
  // Text of disabled controls: dimmed on purpose, so not held to the
  // contrast of live text.
  QRgb disabledText;
};

// Each pair that carries text was measured (WCAG 2 relative luminance):
// the lowest is 5.2:1 (Ocean's placeholder text) among the ordinary themes,
// and High Contrast's white and yellow on black stay above 13:1.
// clang-format off
constexpr std::array<ThemeColours, 6> themeColours = {{
  //  theme                          window    windowText base      altBase   text      button    buttonText highlight hlText    mid       placeholder link      disabled
  {AppearanceTheme::light,        0xf3f3f3, 0x1b1b1b, 0xffffff, 0xf7f7f7, 0x1b1b1b, 0xe4e4e4, 0x1b1b1b, 0x1d5dbf, 0xffffff, 0xa0a0a0, 0x6a6a6a, 0x1a56b0, 0x9a9a9a},
  {AppearanceTheme::dark,         0x202124, 0xe8eaed, 0x2a2b2f, 0x313236, 0xececec, 0x36373b, 0xececec, 0x8ab4f8, 0x0f1f3d, 0x5f6368, 0x9aa0a6, 0x8ab4f8, 0x6f7378},
  {AppearanceTheme::midnight,     0x0e1430, 0xd9dff5, 0x151c3c, 0x1a2246, 0xe2e7ff, 0x1f2851, 0xe2e7ff, 0x2f4db8, 0xffffff, 0x3a4578, 0x9ba6cf, 0x9db7ff, 0x5f6890},
  {AppearanceTheme::sakura,       0xfff0f4, 0x3d1f2b, 0xffffff, 0xfff5f8, 0x3d1f2b, 0xf8d3de, 0x3d1f2b, 0xa8325e, 0xffffff, 0xd9a5b5, 0x85606d, 0xa8325e, 0xb89aa5},
  {AppearanceTheme::ocean,        0xe5f3f7, 0x0b3342, 0xf7fcfd, 0xeef8fa, 0x0b3342, 0xc7e5ee, 0x0b3342, 0x006a8b, 0xffffff, 0x8fbccb, 0x4d6f7a, 0x006a8b, 0x8aa7b0},
  {AppearanceTheme::highContrast, 0x000000, 0xffffff, 0x000000, 0x1a1a1a, 0xffffff, 0x000000, 0xffff00, 0xffff00, 0x000000, 0xffffff, 0xd0d0d0, 0x00ffff, 0xa0a0a0},
}};
// clang-format on

QPalette paletteOf(const ThemeColours& c) {
  // Start from an empty palette and set every role, so that no colour of
  // the system's (a dark system's shadow under a light theme) shows through.
  QPalette palette;
  auto all = [&](QPalette::ColorRole role, QRgb rgb) {
    palette.setColor(QPalette::All, role, QColor(rgb));
  };
  QColor button(c.button);
  all(QPalette::Window, c.window);
  all(QPalette::WindowText, c.windowText);
  all(QPalette::Base, c.base);
  all(QPalette::AlternateBase, c.alternateBase);
  all(QPalette::ToolTipBase, c.base);
  all(QPalette::ToolTipText, c.text);
  all(QPalette::PlaceholderText, c.placeholderText);
  all(QPalette::Text, c.text);
  all(QPalette::Button, c.button);
  all(QPalette::ButtonText, c.buttonText);
  all(QPalette::BrightText, c.highlightedText);
  all(QPalette::Highlight, c.highlight);
  all(QPalette::HighlightedText, c.highlightedText);
  all(QPalette::Link, c.link);
  all(QPalette::LinkVisited, c.link);
  all(QPalette::Mid, c.mid);
  all(QPalette::Light, button.lighter(130).rgb());
  all(QPalette::Midlight, button.lighter(115).rgb());
  all(QPalette::Dark, button.darker(160).rgb());
  all(QPalette::Shadow, button.darker(300).rgb());
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, QColor(c.disabledText));
  return palette;
}

}  // namespace

QPalette themePalette(AppearanceTheme theme, const QPalette& system) {
  // System is the one theme without colours of its own.
  auto found = std::find_if(themeColours.begin(), themeColours.end(),
                            [&](const ThemeColours& colours) { return colours.theme == theme; });
  if (found == themeColours.end()) return system;
  return paletteOf(*found);
}

}  // namespace tavro::desktop
