#include "TavroCore/settings/SetupStep.h"

namespace tavro {

std::int64_t rawValue(SetupStep step) {
  return static_cast<std::int64_t>(step);
}

namespace SetupSteps {

std::optional<SetupStep> fromRawValue(std::int64_t rawValue) {
  if (rawValue < 1 || rawValue > 5) return std::nullopt;
  return static_cast<SetupStep>(rawValue);
}

SetupStep moving(SetupStep step, std::int64_t offset) {
  // Any offset beyond the span of the steps leaves them; checking that first
  // keeps the sum below from overflowing.
  if (offset < -4 || offset > 4) return step;
  return fromRawValue(rawValue(step) + offset).value_or(step);
}

}  // namespace SetupSteps
}  // namespace tavro
