// Recognises the horizontal two-finger swipe on a trackpad that means "go
// back", from the host's scroll events. A gesture is classified once, after
// 12 units of movement, as a rightward swipe or as blocked (mostly
// vertical), and a rightward swipe fires once, after 80 units of mostly
// horizontal movement. The units are the host's scroll-delta units.
#pragma once

namespace tavro {

class BackSwipe {
 public:
  enum class Axis {
    undecided,  // not enough movement yet
    right,      // a horizontal swipe that may still fire
    blocked,    // mostly vertical: never fires until the next gesture
  };

  // A recogniser in its start state.
  BackSwipe() = default;

  // Starts a new gesture: back to the start state.
  void begin();

  // Feeds one scroll event. Events that are not precise, momentum events and
  // events after the gesture fired are ignored. True exactly once per
  // gesture: when the back action should run.
  bool update(double x, double y, bool precise, bool momentum);

  Axis axis() const { return axis_; }
  // Signed sum of the horizontal deltas; only a positive sum can fire.
  double horizontal() const { return horizontal_; }
  // Sum of the absolute vertical deltas.
  double vertical() const { return vertical_; }
  bool fired() const { return fired_; }

 private:
  Axis axis_ = Axis::undecided;
  double horizontal_ = 0;
  double vertical_ = 0;
  bool fired_ = false;
};

}  // namespace tavro
