// Drawing pieces more than one screen uses: key names as key caps show
// them, wrapped spans of styled text that are never cut silently, and the
// sample of practice each theme is shown with.
#pragma once

#include "TavroTerminal/Frame.h"
#include "TavroTerminal/InterfaceLanguage.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavro::terminal {

// A label as printed on a key cap: letters upper-case.
std::string capLabel(std::string_view label);

// A key as the screens name it: the space bar by name, Enter, else its cap.
std::string keyName(std::string_view key, InterfaceLanguage language);

struct Span {
  std::string text;
  Style style;
};

// Writes spans from (row, left) in lines that end before `right`, at most
// `maxRows` of them. A line breaks at its last space (the space itself is
// not drawn), or inside a word only when the word alone is wider than a
// line, as Japanese text without spaces is. Text that does not fit in the
// rows is never cut silently: the last row ends in "…". Returns the rows used.
int putWrapped(Frame& frame, int row, int left, int right, const std::vector<Span>& spans,
               int maxRows);

// A sample of how practice looks in the theme shown: "ka" typed, "s" next
// with its key marked on the keyboard, and a key that was not next.
void putThemeSample(Frame& frame, int row, InterfaceLanguage language);

}  // namespace tavro::terminal
