// The learner's progress day by day: for every calendar day of the learner's
// time zone with finished rounds, how many rounds, how fast, how accurate and
// how long, and whether the speed went up between the first and the last
// week. Every host shows these same figures, so they are made here and not
// in a screen.
#pragma once

#include "Support/Date.h"
#include "TavroCore/history/Attempt.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tavro {

// The figures of one local calendar day that has finished rounds.
struct DayProgress {
  std::chrono::year_month_day day;  // the calendar day in the time zone asked for
  std::int64_t rounds = 0;          // finished rounds (attempts) of the day
  // Speeds in keys per minute, each attempt's `cpm()`: an attempt without
  // positive seconds is a round at speed 0, as the rankings take it, and a
  // speed that is not finite (stored counts over a vanishing time) counts
  // as 0 too, so one damaged record cannot turn a day's median into NaN.
  double bestSpeed = 0;
  // The middle speed of the day; the mean of the two middle ones for an
  // even number of rounds.
  double medianSpeed = 0;
  // All accepted keystrokes of the day over all keystrokes (accepted plus
  // rejected), in percent; 0 for a day without keystrokes.
  double accuracy = 0;
  // Time practised: the sum of the attempts' seconds, a negative or
  // non-finite time counting as 0.
  double seconds = 0;

  friend bool operator==(const DayProgress&, const DayProgress&) = default;
};

// The last `count` calendar days up to and including the local day of
// `now` (the host's clock; nothing here reads one). Days after it are
// outside the window.
struct RecentDays {
  std::int64_t count = 30;
  Date now;
};

struct DailyProgress {
  // Days with rounds, oldest first. Days without rounds are absent.
  std::vector<DayProgress> days;

  // The change of the median speed (keys per minute; positive is faster)
  // from the first week to the last. A week is seven consecutive calendar
  // days: the first week starts on the first day in `days`, the last week
  // ends on the last one, and each median is taken over all the rounds of
  // its seven days (not over the daily medians). Absent until the two weeks
  // are apart, that is until the last day is at least 13 days after the
  // first, so the two never share a round.
  std::optional<double> trend;

  // Attempts of the asked mode left out because their date is not a
  // number or lies outside 0001-01-02 to 9999-12-30 (UTC), where no
  // four-digit calendar day can name it. A stored file can hold any
  // number there; they are skipped rather than clamped onto a real day.
  std::int64_t undatedAttempts = 0;

  // Summarises `attempts` (any order) of `mode`, or of every mode when
  // `mode` is absent, in `timeZone`: an IANA identifier such as
  // "America/New_York", or empty for the zone in force on this computer
  // (TZ, else the system's). With `window`, only the days inside it are
  // kept (a `count` below 1, or a `now` outside the dated range, keeps
  // none); the trend is taken over the days kept. One pass over the attempts plus sorting only when
  // they are not in date order; the time-zone offset is looked up once per stretch between two of
  // the zone's transitions, not once per attempt. Throws std::invalid_argument for an identifier
  // the time-zone data does not know (silently using UTC would shift every day).
  static DailyProgress summarize(const std::vector<Attempt>& attempts,
                                 std::optional<std::string_view> mode, std::string_view timeZone,
                                 std::optional<RecentDays> window = std::nullopt);
};

}  // namespace tavro
