// Internal to TavroCore/input: what a romaji matcher keeps of its prompt
// while the prompt is typed, computed once when the matcher is made. The
// matcher follows the typed text through these heads key by key instead of
// searching the spellings again on every keystroke; the search in
// RomajiPaths.h stays the definition the two must agree with.
#pragma once

#include "TavroCore/input/internal/RomajiPaths.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::Romaji::detail {

struct PromptPlan {
  std::string prompt;  // the searched form; the views of `heads` point into it
  PromptHeads heads;
  // For each position (and one past the last), the number of ways to spell
  // the characters from there to the end, counted up to kMaxPaths: the
  // search stops there, so larger numbers never change an answer.
  std::vector<std::uint32_t> completions;
  // For each position whose head is a character spelled as itself, that
  // character as a hint key; empty elsewhere (and empty altogether when the
  // prompt has no such character).
  std::vector<std::string> literalKeys;

  PromptPlan() = default;
  // `heads` points into `prompt`: the plan stays where it was made.
  PromptPlan(const PromptPlan&) = delete;
  PromptPlan& operator=(const PromptPlan&) = delete;

  std::size_t characterCount() const { return heads.characters.size(); }
};

// The plan of `prompt` (any UTF-8; searched as `paths` searches it).
std::shared_ptr<const PromptPlan> promptPlan(std::string_view prompt);

}  // namespace tavro::Romaji::detail
