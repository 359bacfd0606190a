#include "TavroCore/input/internal/RomajiPlan.h"

#include <algorithm>

namespace tavro::Romaji::detail {

std::shared_ptr<const PromptPlan> promptPlan(std::string_view prompt) {
  auto plan = std::make_shared<PromptPlan>();
  plan->prompt = searchedForm(prompt);
  plan->heads = headsOf(plan->prompt);
  const PromptHeads& heads = plan->heads;
  std::size_t count = heads.characters.size();
  plan->completions.assign(count + 1, 0);
  plan->completions[count] = 1;
  for (std::size_t position = count; position-- > 0;) {
    auto [first, last] = heads.range[position];
    std::uint64_t ways = 0;
    for (std::uint32_t head = first; head < last && ways < kMaxPaths; ++head) {
      ways += plan->completions[position + heads.heads[head].covered];
    }
    plan->completions[position] =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(ways, kMaxPaths));
  }
  for (std::size_t position = 0; position < count; ++position) {
    auto [first, last] = heads.range[position];
    // A character spelled as itself is the only head of its position.
    if (first == last || heads.heads[first].ascii) continue;
    if (plan->literalKeys.empty()) plan->literalKeys.resize(count);
    plan->literalKeys[position] = hintKey(heads.heads[first].spelling);
  }
  return plan;
}

}  // namespace tavro::Romaji::detail
