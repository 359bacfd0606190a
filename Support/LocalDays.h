// Calendar days of instants in a time zone: which local day (days since
// 1970-01-01 of the zone) an instant falls on, with the zone's daylight
// saving and other changes of offset taken into account.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace tavro {

// A zone's offset only changes at its transitions (twice a year at most for
// daylight saving), so the offset found for one instant is kept with the
// stretch it holds for; instants in date order then cost a comparison each,
// and a lookup only when they cross into another stretch. Not for sharing
// between threads: each thread makes its own.
class LocalDays {
 public:
  // `identifier` is an IANA zone name ("Asia/Tokyo"); empty for the zone in
  // force (TZ). Throws std::invalid_argument for a name no zone has.
  explicit LocalDays(std::string_view identifier);
  ~LocalDays();
  LocalDays(LocalDays&&) noexcept;
  LocalDays& operator=(LocalDays&&) noexcept;

  // True when `unixSeconds` lies where a four-digit calendar day can name it
  // in any zone (from 0001-01-02 to before 9999-12-31 UTC); false for NaN.
  static bool isDated(double unixSeconds);

  // The local day of a dated instant (isDated).
  std::int64_t day(double unixSeconds);

 private:
  struct Zone;
  void lookUp(double milliseconds);

  std::unique_ptr<Zone> zone_;
  double offset_ = 0;  // seconds east of UTC, valid in [from_, until_)
  double from_ = 0;    // milliseconds since 1970
  double until_ = 0;
};

}  // namespace tavro
