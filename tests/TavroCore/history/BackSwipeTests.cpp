#include "TavroCore/history/BackSwipe.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavro {
namespace {

struct Event {
  double x, y;
  bool precise = true, momentum = false;
};

// The result of each event of a gesture fed to a new recogniser.
std::vector<bool> feed(BackSwipe& swipe, const std::vector<Event>& events) {
  std::vector<bool> results;
  for (const Event& e : events) results.push_back(swipe.update(e.x, e.y, e.precise, e.momentum));
  return results;
}

TEST(BackSwipe, RecognisesOneRightwardSwipePerGesture) {
  using Axis = BackSwipe::Axis;
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::vector<bool> results;
    Axis axis;
  };
  const Case cases[] = {
      {"decides after 12 units, fires once at 80",
       {{10, 0}, {5, 0}, {30, 0}, {35, 0}, {20, 0}, {20, 0}},
       {false, false, false, true, false, false},
       Axis::right},
      {"mostly vertical start blocks the gesture",
       {{4, 10}, {4, 4}, {200, 0}, {200, 0}},
       {false, false, false, false},
       Axis::blocked},
      {"right but too much vertical to fire, then fires",
       {{90, 50}, {1, 0}},
       {false, true},
       Axis::right},
      {"leftward movement never fires", {{-20, 0}, {-100, 0}}, {false, false}, Axis::blocked},
      {"imprecise and momentum events are ignored",
       {{100, 0, false, false}, {100, 0, true, true}, {5, 0}},
       {false, false, false},
       Axis::undecided},
      {"exactly 1.5 times the vertical blocks", {{15, 10}}, {false}, Axis::blocked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BackSwipe swipe;
    EXPECT_EQ(feed(swipe, c.events), c.results);
    EXPECT_EQ(swipe.axis(), c.axis);
  }
}

TEST(BackSwipe, IgnoredEventsLeaveTheSumsAndBeginStartsOver) {
  BackSwipe swipe;
  swipe.update(3, -4, true, false);
  swipe.update(50, 50, false, false);
  swipe.update(50, 50, true, true);
  EXPECT_EQ(swipe.horizontal(), 3);
  EXPECT_EQ(swipe.vertical(), 4);

  swipe.update(100, 0, true, false);
  EXPECT_TRUE(swipe.fired());
  swipe.update(100, 0, true, false);
  EXPECT_EQ(swipe.horizontal(), 103);  // nothing counted after firing

  swipe.begin();
  EXPECT_EQ(swipe.axis(), BackSwipe::Axis::undecided);
  EXPECT_EQ(swipe.horizontal(), 0);
  EXPECT_EQ(swipe.vertical(), 0);
  EXPECT_FALSE(swipe.fired());
  EXPECT_TRUE(swipe.update(85, 0, true, false));
}

}  // namespace
}  // namespace tavro
