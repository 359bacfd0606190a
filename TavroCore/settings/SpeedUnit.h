// The unit speeds are shown in: keys per minute, or words per minute of
// five keys each. The choice is for display only: attempts, the archive,
// backups and sync keep keys per minute (Attempt::cpm) whatever is shown.
// English typists count words per minute; Japanese and Nepali keystrokes
// make no such words, so their learners start with keys per minute.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/RawValue.h"
#include "TavroCore/input/TavroLanguage.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

enum class SpeedUnit { keysPerMinute, wordsPerMinute };

// "keysPerMinute" or "wordsPerMinute": the stored form.
template <>
struct RawValues<SpeedUnit> {
  using enum SpeedUnit;
  static constexpr RawValueTable<SpeedUnit, 2> cases = {
      {{keysPerMinute, "keysPerMinute"}, {wordsPerMinute, "wordsPerMinute"}}};
};

namespace SpeedUnits {

inline constexpr std::array<SpeedUnit, 2> allCases = allCasesOf<SpeedUnit>();

// Keys in one word.
inline constexpr double keysPerWord = 5;

// The user-defaults key of the unit: its raw value text. One unit for
// every language, as the learner chose it.
inline constexpr std::string_view preferenceKey = "speedUnit";

// The unit when none is chosen: words per minute for English, keys per
// minute for Japanese and Nepali.
SpeedUnit defaultUnit(TavroLanguage language);

// The chosen unit: the raw value text under preferenceKey; defaultUnit of
// the practice language when there is none, it is not a text, or not
// exactly a raw value. Never fails.
SpeedUnit saved(const platform::UserDefaults& store, TavroLanguage language);

// Stores the unit's raw value text under preferenceKey.
void save(SpeedUnit unit, platform::UserDefaults& store);

// The figure to show for a speed in keys per minute: the speed itself, or
// a fifth of it in words per minute. A speed that is not finite is passed
// through unchanged, for the host to show as it shows such speeds today.
double shown(double keysPerMinute, SpeedUnit unit);

}  // namespace SpeedUnits

}  // namespace tavro
