#include "TavroCore/history/DailyProgress.h"

#include "Support/LocalDays.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace tavro {
namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

struct Entry {
  std::int64_t day;
  double speed;
  std::uint32_t index;  // into the attempts
};

double speedOf(const Attempt& attempt) {
  double speed = attempt.cpm();
  return std::isfinite(speed) ? speed : 0;
}

// The median speed of a non-empty run; reorders the run.
double median(std::vector<Entry>::iterator begin, std::vector<Entry>::iterator end) {
  auto bySpeed = [](const Entry& a, const Entry& b) { return a.speed < b.speed; };
  auto middle = begin + (end - begin) / 2;
  std::nth_element(begin, middle, end, bySpeed);
  double upper = middle->speed;
  if ((end - begin) % 2 != 0) return upper;
  double lower = std::max_element(begin, middle, bySpeed)->speed;
  // Halves first: two speeds near the largest double would overflow.
  return lower / 2 + upper / 2;
}

}  // namespace

DailyProgress DailyProgress::summarize(const std::vector<Attempt>& attempts,
                                       std::optional<std::string_view> mode,
                                       std::string_view timeZone,
                                       std::optional<RecentDays> window) {
  DailyProgress result;
  LocalDays local(timeZone);

  std::int64_t firstDay = std::numeric_limits<std::int64_t>::min();
  std::int64_t lastDay = std::numeric_limits<std::int64_t>::max();
  if (window) {
    double now = window->now.unixSeconds();
    if (window->count < 1 || !LocalDays::isDated(now)) return result;
    lastDay = local.day(now);
    // Beyond the dated range a larger count adds no day; clamping keeps the
    // subtraction far from overflow.
    std::int64_t count = std::min<std::int64_t>(window->count, 4'000'000);
    firstDay = lastDay - count + 1;
  }

  // The one pass: the attempts of the mode with their day and speed. An
  // index of 32 bits keeps an entry small; an archive is bounded far below
  // four billion attempts by its file size.
  std::vector<Entry> entries;
  entries.reserve(
      std::min<std::size_t>(attempts.size(), std::numeric_limits<std::uint32_t>::max()));
  bool inOrder = true;
  for (std::size_t i = 0; i < attempts.size() && i <= std::numeric_limits<std::uint32_t>::max();
       ++i) {
    const Attempt& attempt = attempts[i];
    if (mode && attempt.mode() != *mode) continue;
    double unixSeconds = attempt.date().unixSeconds();
    if (!LocalDays::isDated(unixSeconds)) {
      ++result.undatedAttempts;
      continue;
    }
    std::int64_t day = local.day(unixSeconds);
    if (day < firstDay || day > lastDay) continue;
    if (!entries.empty() && day < entries.back().day) inOrder = false;
    entries.push_back({day, speedOf(attempt), static_cast<std::uint32_t>(i)});
  }
  if (!inOrder) {
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.day < b.day; });
  }

  for (auto begin = entries.begin(); begin != entries.end();) {
    auto end = begin;
    DayProgress progress;
    progress.day = year_month_day(sys_days(std::chrono::days(begin->day)));
    // Sums in doubles: stored counts may be anywhere in 64 bits, and their
    // sum must not overflow.
    double correct = 0;
    double keystrokes = 0;
    for (; end != entries.end() && end->day == begin->day; ++end) {
      const Attempt& attempt = attempts[end->index];
      ++progress.rounds;
      progress.bestSpeed =
          progress.rounds == 1 ? end->speed : std::max(progress.bestSpeed, end->speed);
      correct += static_cast<double>(attempt.correct());
      keystrokes += static_cast<double>(attempt.correct()) + static_cast<double>(attempt.misses());
      double seconds = attempt.seconds();
      if (std::isfinite(seconds) && seconds > 0) progress.seconds += seconds;
    }
    progress.accuracy = keystrokes > 0 ? correct * 100 / keystrokes : 0;
    progress.medianSpeed = median(begin, end);
    result.days.push_back(progress);
    begin = end;
  }

  if (!entries.empty() && entries.back().day - entries.front().day >= 13) {
    std::int64_t firstWeekEnd = entries.front().day + 6;
    std::int64_t lastWeekStart = entries.back().day - 6;
    auto firstWeek = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& e) { return e.day > firstWeekEnd; });
    auto lastWeek = std::find_if(firstWeek, entries.end(),
                                 [&](const Entry& e) { return e.day >= lastWeekStart; });
    double before = median(entries.begin(), firstWeek);
    double after = median(lastWeek, entries.end());
    result.trend = after - before;
  }
  return result;
}

}  // namespace tavro
