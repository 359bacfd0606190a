// The screens of the first-launch setup, in the order the learner meets
// them. A step is stored and encoded as its number, 1 to 5.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavro {

enum class SetupStep : std::int64_t {
  welcome = 1,
  keyboard = 2,
  guidance = 3,
  appearance = 4,
  account = 5
};

// 1 (welcome) to 5 (account).
std::int64_t rawValue(SetupStep step);

namespace SetupSteps {

// Every step, first screen first.
inline constexpr std::array<SetupStep, 5> allCases = {SetupStep::welcome, SetupStep::keyboard,
                                                      SetupStep::guidance, SetupStep::appearance,
                                                      SetupStep::account};

// The step numbered `rawValue`; nothing outside 1 to 5.
std::optional<SetupStep> fromRawValue(std::int64_t rawValue);

// The step `offset` places after `step` (before it for a negative offset),
// or `step` itself when that would leave 1 to 5: moving back from welcome or
// on from account stays put. Any 64-bit offset is accepted.
SetupStep moving(SetupStep step, std::int64_t offset);

}  // namespace SetupSteps
}  // namespace tavro
