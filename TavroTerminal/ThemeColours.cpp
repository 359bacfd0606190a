#include "TavroTerminal/ThemeColours.h"

#include <algorithm>
#include <cmath>

namespace tavro::terminal {
namespace {

// The eight basic colours, by their numbers.
constexpr int black = 0, red = 1, green = 2, yellow = 3, blue = 4, magenta = 5, cyan = 6,
              white = 7;

double luminance(int index) {
  std::array<int, 3> rgb = xtermRGB(index);
  auto linear = [](int channel) {
    double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(rgb[0]) + 0.7152 * linear(rgb[1]) + 0.0722 * linear(rgb[2]);
}

}  // namespace

StyleColours styleColours(Style style) {
  switch (style) {
    case Style::normal:
    case Style::title:
    case Style::ghost:
    case Style::marked:
      return {ColourRole::foreground};
    case Style::dim:
      return {ColourRole::faint};
    case Style::done:
      return {ColourRole::done};
    case Style::active:
      return {ColourRole::nextKey};
    case Style::rejected:
    case Style::warning:
      return {ColourRole::warning};
    case Style::target:
      return {ColourRole::foreground, true};
    case Style::selected:
      return {ColourRole::focus};
    case Style::keyWeak:
      return {ColourRole::warning};
    case Style::keyFair:
      return {ColourRole::nextKey};
    case Style::keyStrong:
      return {ColourRole::done};
  }
  return {ColourRole::foreground};
}

ThemeColours themeColours(AppearanceTheme theme, int colours) {
  // clang-format off
  if (colours >= 256) {
    switch (theme) {
      case AppearanceTheme::system:
        return {-1, -1, -1, green, red, cyan, yellow};
      case AppearanceTheme::light:         // black on white
        return {16, 231, 241, 28, 160, 25, 127};
      case AppearanceTheme::dark:          // light grey on black
        return {252, 16, 245, 114, 203, 81, 221};
      case AppearanceTheme::midnight:      // white on navy
        return {231, 17, 249, 87, 221, 231, 228};
      case AppearanceTheme::sakura:        // black on pale pink, deep pinks
        return {16, 225, 240, 125, 124, 89, 90};
      case AppearanceTheme::ocean:         // black on pale sea green, deep blues
        return {16, 152, 239, 18, 124, 23, 53};
      case AppearanceTheme::highContrast:  // white and yellow on black, no faint text
        return {231, 16, 231, 231, 226, 226, 226};
    }
  }
  // Eight colours leave few pairs at 4.5:1: on white only black, blue and
  // red; on cyan only black and blue. Meaning then rests on bold and
  // underline where colours must repeat.
  switch (theme) {
    case AppearanceTheme::system:
      return {-1, -1, -1, green, red, cyan, yellow};
    case AppearanceTheme::light:
      return {black, white, black, blue, red, blue, black};
    case AppearanceTheme::dark:
      return {white, black, white, green, yellow, cyan, cyan};
    case AppearanceTheme::midnight:
      return {white, blue, white, cyan, yellow, white, yellow};
    case AppearanceTheme::sakura:
      return {black, white, black, blue, red, red, black};
    case AppearanceTheme::ocean:
      return {black, cyan, black, blue, black, blue, black};
    case AppearanceTheme::highContrast:
      return {white, black, white, white, yellow, yellow, yellow};
  }
  // clang-format on
  return {-1, -1, -1, green, red, cyan, yellow};
}

int colourOf(const ThemeColours& theme, ColourRole role) {
  switch (role) {
    case ColourRole::foreground:
      return theme.foreground;
    case ColourRole::faint:
      return theme.faint;
    case ColourRole::done:
      return theme.done;
    case ColourRole::warning:
      return theme.warning;
    case ColourRole::focus:
      return theme.focus;
    case ColourRole::nextKey:
      return theme.nextKey;
  }
  return theme.foreground;
}

std::array<int, 3> xtermRGB(int index) {
  // clang-format off
  static constexpr std::array<std::array<int, 3>, 16> basic = {{
      {0, 0, 0}, {205, 0, 0}, {0, 205, 0}, {205, 205, 0},
      {0, 0, 238}, {205, 0, 205}, {0, 205, 205}, {229, 229, 229},
      {127, 127, 127}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
      {92, 92, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}}};
  // clang-format on
  index = std::clamp(index, 0, 255);
  if (index < 16) return basic[static_cast<std::size_t>(index)];
  if (index < 232) {
    // The 6x6x6 cube: levels 0, 95, 135, 175, 215, 255.
    auto level = [](int step) { return step == 0 ? 0 : 55 + 40 * step; };
    int cube = index - 16;
    return {level(cube / 36), level(cube / 6 % 6), level(cube % 6)};
  }
  int grey = 8 + 10 * (index - 232);
  return {grey, grey, grey};
}

double contrastRatio(int first, int second) {
  double a = luminance(first);
  double b = luminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

}  // namespace tavro::terminal
