// Whether the terminal named by TERM can show the tutor at all. Kept apart
// from the screen code: the terminfo header defines short macro names
// (tab, lines, columns, ...) that would clash with ordinary code.
#pragma once

#include <optional>
#include <string>

namespace tavro::terminal {

// Why the terminal named by TERM cannot show the tutor, as one sentence for
// the command line's refusal, or nothing when it can. The tutor draws by
// moving the cursor and clearing the screen, so it needs a terminfo entry
// for TERM with both: an unset TERM, a type this system has no entry for,
// and "dumb" (which has neither) are refused before ncurses is started,
// rather than left to draw a lone title line or to end with ncurses' bare
// "Error opening terminal". The type is quoted as given; make it printable
// before showing it.
std::optional<std::string> unusableTerminal();

}  // namespace tavro::terminal
