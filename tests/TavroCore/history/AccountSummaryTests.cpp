#include "TavroCore/history/TavroAccountSummary.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavro {
namespace {

Uuid idNumber(int n) {
  Uuid id{};
  id.bytes[15] = static_cast<std::uint8_t>(n);
  return id;
}

TEST(TavroAccountSummary, CondensesAttempts) {
  struct Case {
    const char* name;
    std::vector<Attempt> attempts;
    TavroAccountSummary summary;
  };
  auto summary = [](std::int64_t exercises, double wpm, double accuracy) {
    TavroAccountSummary s;
    s.exercisesCompleted = exercises;
    s.bestWPM = wpm;
    s.bestAccuracy = accuracy;
    return s;
  };
  const Case cases[] = {
      {"no attempts", {}, summary(0, 0, 0)},
      {"300 keystrokes in a minute",
       {Attempt(idNumber(1), Date{}, "romaji", 1, 300, 0, 60)},
       summary(1, 60, 100)},
      {"same id twice counts once",
       {Attempt(idNumber(1), Date{}, "romaji", 1, 300, 0, 60),
        Attempt(idNumber(1), Date{}, "kana", 2, 10, 10, 60)},
       summary(1, 60, 100)},
      {"best speed and best accuracy from different attempts",
       {Attempt(idNumber(1), Date{}, "romaji", 1, 600, 600, 60),
        Attempt(idNumber(2), Date{}, "numpad", 3, 90, 10, 60),
        Attempt(idNumber(3), Date{}, "english", 7, 5, 0, 120)},
       summary(3, 120, 100)},
      {"zero seconds gives no speed, no keystrokes no accuracy",
       {Attempt(idNumber(1), Date{}, "romaji", 1, 500, 0, 0),
        Attempt(idNumber(2), Date{}, "romaji", 1, 0, 0, 30)},
       summary(2, 0, 100)},
      {"negative stored counts give negative figures, not 0",
       {Attempt(idNumber(1), Date{}, "romaji", 1, -300, 0, 60)},
       summary(1, -60, 0)},
      {"the largest figure wins even below 0",
       {Attempt(idNumber(1), Date{}, "romaji", 1, -300, 400, 60),
        Attempt(idNumber(2), Date{}, "romaji", 1, -600, 700, 60)},
       summary(2, -60, -300)},
      {"a speed beyond doubles alone gives 0",
       {Attempt(idNumber(1), Date{}, "romaji", 1, -1000, 0, 1e-320)},
       summary(1, 0, 0)},
      {"a speed beyond doubles is passed over",
       {Attempt(idNumber(1), Date{}, "romaji", 1, 1000, 0, 1e-320),
        Attempt(idNumber(2), Date{}, "romaji", 1, 50, 50, 60)},
       summary(2, 10, 100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TavroAccountSummary(c.attempts), c.summary);
  }
}

}  // namespace
}  // namespace tavro
