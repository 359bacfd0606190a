// The round to take next in words both tutors use: the core's suggestion
// (round and reason) as a HostMessage each host shows in its interface
// language ("Next: round 3 (Short Phrases): its best, 182 keys/min, is under
// your median, 205 keys/min.").
#pragma once

#include "TavroCore/practice/Exercise.h"
#include "TavroCore/practice/Suggestion.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroHost/HostMessage.h"

namespace tavro {

// A speed as the tutors write it: "182 keys/min", or "36 WPM" in words per minute.
HostMessage speedMessage(double keysPerMinute, SpeedUnit unit);

// The suggestion for `exercise` (keys named on the layout `jis`, speeds in `unit`).
HostMessage suggestionMessage(const Suggestion& suggestion, Exercise exercise, bool jis,
                              SpeedUnit unit);

}  // namespace tavro
