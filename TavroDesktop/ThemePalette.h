// The interface themes as Qt palettes. System keeps whatever the platform
// gives the application (its light or dark appearance); every other theme
// is a fixed set of colours, the same whatever the system's, chosen so
// that text stays readable: 4.5:1 or more against what it is drawn on
// (WCAG 2 contrast), 7:1 for High Contrast.
#pragma once

#include "TavroCore/settings/AppearanceTheme.h"

#include <QPalette>

namespace tavro::desktop {

// The palette of `theme`. For System, `system` (the platform's palette, as
// the application had it before any theme was applied) unchanged; for the
// others a complete palette of the theme's own colours, nothing taken from
// `system`. Window text on window, text and placeholder text on base, button
// text on button, highlighted text on highlight and links on base meet the
// contrast above in the active and inactive groups.
QPalette themePalette(AppearanceTheme theme, const QPalette& system);

}  // namespace tavro::desktop
