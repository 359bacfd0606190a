#include "TavroCore/history/AppNavigation.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(AppNavigation, Parent) {
  struct Case {
    const char* screen;
    const char* parent;
  };
  const Case cases[] = {
      {"menu", "menu"},      {"rounds", "menu"},     {"review", "menu"}, {"practice", "rounds"},
      {"results", "rounds"}, {"settings", "rounds"}, {"", "rounds"},     {"Menu", "rounds"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    EXPECT_EQ(AppNavigation::parent(c.screen), c.parent);
  }
}

}  // namespace
}  // namespace tavro
