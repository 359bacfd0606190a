// A terminal that cannot draw the tutor is refused on one line that says
// what is needed, before the screen is touched.
#include "TmuxSession.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro::testing {
namespace {

TEST(TerminalTypeTest, TerminalsThatCannotDrawTheTutorAreRefusedOnOneLine) {
  struct Case {
    const char* name;
    std::string environment;  // what `env` gets first (options before assignments)
    std::string refusal;
  };
  const Case cases[] = {
      {"dumb", "TERM=dumb", "tavro: the terminal type 'dumb' cannot move the cursor"},
      {"unknown", "TERM=no-such-terminal", "tavro: the terminal type 'no-such-terminal' is unknown"},
      {"unset", "-u TERM", "tavro: TERM is not set"},
  };
  TemporaryDirectory data;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Wide enough that the refusal's first part is on one screen line.
    TmuxSession session(200, 24, "env " + c.environment + " LC_ALL=C.UTF-8 " +
                                     shellQuoted(TAVRO_TERMINAL_PATH) + " --data-dir " +
                                     shellQuoted(data.path().string()));
    std::string shown = session.waitFor("[exited 1]");
    EXPECT_NE(shown.find(c.refusal), std::string::npos) << shown;
    EXPECT_NE(shown.find("TERM=xterm-256color"), std::string::npos) << shown;
    // Refused before ncurses started: no title line, no archive written.
    EXPECT_EQ(shown.find("Tavro"), std::string::npos) << shown;
  }
  EXPECT_FALSE(std::filesystem::exists(data.path() / "archive.json"));
}

}  // namespace
}  // namespace tavro::testing
