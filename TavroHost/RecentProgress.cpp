#include "TavroHost/RecentProgress.h"

#include "Support/Date.h"
#include "Support/LocalDays.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

namespace tavro {

RecentProgress RecentProgress::of(const std::vector<Attempt>& attempts, std::string_view mode,
                                  std::optional<std::string>& problem) {
  RecentProgress recent;
  Date now = Date::now();
  try {
    recent.progress = DailyProgress::summarize(attempts, mode, "", RecentDays{days, now});
    recent.today = LocalDays("").day(now.unixSeconds());
  } catch (const std::exception& error) {
    recent.progress = {};
    problem = error.what();
  }
  return recent;
}

std::int64_t RecentProgress::column(const DayProgress& day) const {
  std::int64_t number = std::chrono::sys_days(day.day).time_since_epoch().count();
  std::int64_t index = days - 1 - (today - number);
  return index >= 0 && index < days ? index : -1;
}

double RecentProgress::top(SpeedUnit unit) const {
  double highest = 0;
  for (const DayProgress& day : progress.days)
    highest = std::max(highest, SpeedUnits::shown(day.medianSpeed, unit));
  if (!(highest > 10)) return 10;
  double step = std::pow(10.0, std::floor(std::log10(highest))) / 2;
  return std::ceil(highest / step) * step;
}

}  // namespace tavro
