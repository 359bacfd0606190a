// The last 30 local days of an exercise, as both tutors chart them: the
// core's daily figures over the window ending today in the zone in force
// (as `tavro stats --days` takes it), the column of each day, the round
// number the speed axis ends at, and the floor of the accuracy axis.
#pragma once

#include "TavroCore/history/Attempt.h"
#include "TavroCore/history/DailyProgress.h"
#include "TavroCore/settings/SpeedUnit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct RecentProgress {
  static constexpr std::int64_t days = 30;
  // The accuracy axis runs from here to 100 %: below it a day is simply weak.
  static constexpr double accuracyFloor = 80;

  DailyProgress progress;
  std::int64_t today = 0;  // the local day of the last column, days since 1970

  // The days of `mode` up to now. A failure to work out the days (time-zone
  // data missing) leaves no days and names the reason in `problem`.
  static RecentProgress of(const std::vector<Attempt>& attempts, std::string_view mode,
                           std::optional<std::string>& problem);
  // The column of `day`, 0 for the oldest, or -1 outside the window.
  std::int64_t column(const DayProgress& day) const;
  // The highest daily median in `unit`, rounded up to a half step of its
  // order of magnitude (213 gives 250, 47 gives 50; at least 10), so the
  // axis labels stay round numbers and the tallest bar fills most of it.
  double top(SpeedUnit unit) const;
  // The day `column` stands for, days since 1970.
  std::int64_t dayOf(std::int64_t column) const { return today - (days - 1) + column; }
};

}  // namespace tavro
