// What every screen of the tutor is to the navigator (Tutor): it takes a
// key and answers with a transition, lays itself out into a Frame, and
// names its keys for the footer. Screens share one TutorState by
// reference; what a screen keeps for itself (a focus, a question asked)
// stays in the screen.
#pragma once

#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Key.h"

#include <cstddef>
#include <string>

namespace tavro::terminal {

enum class ScreenId { setup, home, practice, results, settings, account, customText, progress };
// The number of screens: one past the last id.
inline constexpr std::size_t screenCount = static_cast<std::size_t>(ScreenId::progress) + 1;

// What the navigator does after a key: nothing, bring up another screen
// (or the same one afresh), or end the tutor.
struct Transition {
  enum class Kind { stay, go, quit };
  Kind kind = Kind::stay;
  ScreenId to = ScreenId::home;

  static Transition stay() { return {}; }
  static Transition go(ScreenId to) { return {Kind::go, to}; }
  static Transition quit() { return {Kind::quit, ScreenId::home}; }
  bool operator==(const Transition&) const = default;
};

class Screen {
 public:
  virtual ~Screen() = default;

  // Called each time the navigator brings the screen up, with the screen
  // that was up before (itself when a round starts again).
  virtual void enter(ScreenId from) { (void)from; }
  // Handles one key at `now` (seconds on a steady clock).
  virtual Transition handle(const Key& key, double now) = 0;
  // Lays the screen out into a cleared frame of at least the minimum size;
  // the navigator draws the footer after it.
  virtual void render(Frame& frame, double now) const = 0;
  // The footer, in English, made from the key table in force now; empty
  // when the screen draws none.
  virtual std::string hints() const = 0;
  // True when a bracketed paste reaches the screen whole; elsewhere the
  // navigator types its characters one by one.
  virtual bool takesPaste() const { return false; }
};

}  // namespace tavro::terminal
