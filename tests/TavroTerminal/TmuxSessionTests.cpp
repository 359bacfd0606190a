#include "TmuxSession.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace tavro::testing {
namespace {

// A program that hides the cursor and stops half-way through a frame: the
// new top line is out, the cursor is still in the middle of the screen. On a
// loaded machine the tutor can sit like this for longer than two captures.
TEST(TmuxSessionTest, AHalfWrittenFrameIsNeverTakenAndTheFinishedOneIs) {
  TmuxSession session(20, 5, "printf '\\033[?25l\\033[1;1HWord 4/25\\033[3;1Hold'; sleep 2; "
                             "printf '\\033[3;1Hnew\\033[5;20H'; sleep 100");
  EXPECT_NONFATAL_FAILURE(session.waitFor("Word 4/25", std::chrono::seconds(1)),
                          "the screen did not change as expected");
  std::string shown = session.waitFor("Word 4/25");
  EXPECT_NE(shown.find("new"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("old"), std::string::npos) << shown;
}

}  // namespace
}  // namespace tavro::testing
