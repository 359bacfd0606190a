#include "TavroHost/SuggestionText.h"

#include "TavroHost/ExerciseText.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace tavro {
namespace {

std::string printed(const char* pattern, double value) {
  char text[48];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

HostMessage speedMessage(double keysPerMinute, SpeedUnit unit) {
  if (!std::isfinite(keysPerMinute) || keysPerMinute < 0) keysPerMinute = 0;
  double speed = SpeedUnits::shown(keysPerMinute, unit);
  std::string number = speed > 1e9 ? ">1e9" : printed("%.0f", speed);
  return HostMessage(unit == SpeedUnit::wordsPerMinute ? "{1} WPM" : "{1} keys/min", {number});
}

HostMessage suggestionMessage(const Suggestion& suggestion, Exercise exercise, bool jis,
                              SpeedUnit unit) {
  std::string number = std::to_string(suggestion.round);
  HostMessage title(roundTitle(exercise, suggestion.round));
  switch (suggestion.reason) {
    case SuggestionReason::firstRound:
      return HostMessage("Next: round {1} ({2}): start here.", {number}, {title});
    case SuggestionReason::weakKey: {
      std::string percent = printed("%.0f%%", std::floor(suggestion.keyAccuracy));
      if (suggestion.key == " ")
        return HostMessage("Next: the weak-key drill: {1} is right only {2} of the time.", {},
                           {HostMessage("space"), HostMessage(percent)});
      return HostMessage("Next: the weak-key drill: {1} is right only {2} of the time.",
                         {keyLabel(suggestion.key, mode(exercise), jis), percent});
    }
    case SuggestionReason::notYetTaken:
      return HostMessage("Next: round {1} ({2}): not taken yet.", {number}, {title});
    case SuggestionReason::belowMedian:
      return HostMessage("Next: round {1} ({2}): its best, {3}, is under your median, {4}.", {number},
                         {title, speedMessage(suggestion.bestSpeed, unit),
                          speedMessage(suggestion.medianSpeed, unit)});
    case SuggestionReason::slowestBest:
      return HostMessage("Next: round {1} ({2}): your slowest best, {3}.", {number},
                         {title, speedMessage(suggestion.bestSpeed, unit)});
  }
  return HostMessage("");
}

}  // namespace tavro
