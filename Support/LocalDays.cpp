#include "Support/LocalDays.h"

#include <unicode/basictz.h>
#include <unicode/timezone.h>
#include <unicode/tztrans.h>
#include <unicode/unistr.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace tavro {
namespace {

using std::chrono::sys_days;
using std::chrono::year;

constexpr double secondsPerDay = 86400;

// A day's margin on both ends leaves room for the largest offset from UTC.
constexpr double firstUnixSecond =
    static_cast<double>(sys_days(year{1} / 1 / 2).time_since_epoch().count()) * secondsPerDay;
constexpr double endUnixSecond =
    static_cast<double>(sys_days(year{9999} / 12 / 31).time_since_epoch().count()) * secondsPerDay;

}  // namespace

struct LocalDays::Zone {
  std::unique_ptr<icu::TimeZone> zone;
  const icu::BasicTimeZone* transitions = nullptr;
};

LocalDays::LocalDays(std::string_view identifier) : zone_(std::make_unique<Zone>()) {
  if (identifier.empty()) {
    zone_->zone.reset(icu::TimeZone::createDefault());
  } else {
    icu::UnicodeString id = icu::UnicodeString::fromUTF8(
        icu::StringPiece(identifier.data(), static_cast<std::int32_t>(identifier.size())));
    zone_->zone.reset(icu::TimeZone::createTimeZone(id));
    icu::UnicodeString found;
    if (zone_->zone && zone_->zone->getID(found) == icu::UnicodeString("Etc/Unknown"))
      throw std::invalid_argument("unknown time zone");
  }
  if (!zone_->zone) throw std::invalid_argument("no time zone");
  zone_->transitions = dynamic_cast<const icu::BasicTimeZone*>(zone_->zone.get());
}

LocalDays::~LocalDays() = default;
LocalDays::LocalDays(LocalDays&&) noexcept = default;
LocalDays& LocalDays::operator=(LocalDays&&) noexcept = default;

bool LocalDays::isDated(double unixSeconds) {
  return unixSeconds >= firstUnixSecond && unixSeconds < endUnixSecond;  // false for NaN
}

std::int64_t LocalDays::day(double unixSeconds) {
  double milliseconds = unixSeconds * 1000;
  if (!(milliseconds >= from_ && milliseconds < until_)) lookUp(milliseconds);
  return static_cast<std::int64_t>(std::floor((unixSeconds + offset_) / secondsPerDay));
}

void LocalDays::lookUp(double milliseconds) {
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t raw = 0;
  std::int32_t saving = 0;
  zone_->zone->getOffset(milliseconds, false, raw, saving, status);
  // A failed lookup (none is known for dated instants) reads as UTC
  // rather than a guess.
  offset_ = U_SUCCESS(status) ? (static_cast<double>(raw) + saving) / 1000 : 0;
  from_ = milliseconds;
  until_ = std::nextafter(milliseconds, std::numeric_limits<double>::infinity());
  if (zone_->transitions == nullptr || U_FAILURE(status)) return;
  icu::TimeZoneTransition transition;
  from_ = zone_->transitions->getPreviousTransition(milliseconds, true, transition)
              ? transition.getTime()
              : -std::numeric_limits<double>::infinity();
  until_ = zone_->transitions->getNextTransition(milliseconds, false, transition)
               ? transition.getTime()
               : std::numeric_limits<double>::infinity();
}

}  // namespace tavro
