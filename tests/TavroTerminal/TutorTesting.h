// What the screen model's tests share: the UTF-8 locale character widths
// need, and a round driven through the model as a learner would.
#pragma once

#include "Support/Text.h"
#include "TavroTerminal/Tutor.h"

#include <clocale>
#include <string>

namespace tavro::terminal {

// Character widths come from the C library, which needs a UTF-8 locale.
// Set once for the whole test program; tests assert it took.
inline const bool utf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;

// Types the preferred spelling of the word on screen, optionally after a
// wrong key, until the round is complete; then lets the moment pass in
// which the results take no keys, as a learner reading them does.
inline void typeRound(Tutor& tutor, double& now, const std::string& wrong, int wrongWords) {
  int word = 0;
  while (tutor.screen() == Tutor::Screen::practice) {
    const PracticeRound& round = *tutor.round();
    std::string spelling = round.guide() ? round.guide()->text() : round.prompt().display();
    if (word++ < wrongWords) tutor.handle(Key::character(wrong), now += 0.2);
    for (const std::string& character : text::graphemes(spelling)) {
      if (tutor.screen() != Tutor::Screen::practice) break;
      tutor.handle(Key::character(character), now += 0.2);
    }
    // A word that could take more waits for a key that moves on.
    if (tutor.screen() == Tutor::Screen::practice && tutor.round()->matcher().complete()) {
      tutor.handle(Key::character(" "), now += 0.2);
    }
  }
  now += Tutor::resultsGraceSeconds;
}

}  // namespace tavro::terminal
