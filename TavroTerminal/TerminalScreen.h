// The one part of the tutor that talks to the terminal: it starts ncurses,
// turns its input into Keys for the screen model, copies each Frame to the
// screen and puts the terminal back as it was on every way out (the end of
// the tutor, Ctrl-C, SIGTERM, SIGHUP, an exception).
#pragma once

#include "TavroTerminal/Tutor.h"

namespace tavro::terminal {

// Runs the tutor until the learner quits or a signal asks it to end.
void runTerminal(Tutor& tutor);

}  // namespace tavro::terminal
