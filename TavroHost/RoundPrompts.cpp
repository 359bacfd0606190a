#include "TavroHost/RoundPrompts.h"

#include "TavroCore/practice/WeakKeyDrill.h"

namespace tavro {

std::vector<RoundPrompt> roundPrompts(Exercise exercise, JLPTLevel level, std::int64_t number,
                                      const Archive& archive, RomajiStyle style) {
  WeakKeyHistory history = archive.weakKeys.value_or(WeakKeyHistory{});
  if (number == drillRound)
    return WeakKeyDrill::build(exercise, level, history, archive.jis, style).prompts;
  return prompts(exercise, level, number, weakKeyText(history.rankedKeys(mode(exercise))),
                 archive.jis);
}

std::optional<Suggestion> nextSuggestion(Exercise exercise, JLPTLevel level, const Archive& archive,
                                         RomajiStyle style) {
  bool drill = offersDrill(exercise) &&
               !roundPrompts(exercise, level, drillRound, archive, style).empty();
  return Suggestions::next(exercise, level, archive, drill);
}

}  // namespace tavro
