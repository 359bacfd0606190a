#include "TavroHost/KeptRound.h"

#include "TavroCore/content/JLPTCurriculum.h"

#include <string>

namespace tavro {

std::optional<std::string_view> levelOfRound(std::string_view mode, std::int64_t round,
                                             JLPTLevel level) {
  if (!JLPTCurriculum::usesLevel(mode, round)) return std::nullopt;
  return rawValue(level);
}

std::optional<Attempt> finishedAttempt(const PracticeRound& round, JLPTLevel level) {
  return round.session().attempt(std::string(round.mode()), round.round(),
                                 levelOfRound(round.mode(), round.round(), level));
}

std::optional<HostMessage> keepRound(Archive& archive, const Attempt& attempt,
                                     const WeakKeyHistory& keystrokes, const ArchiveBounds& bounds) {
  archive.attempts.push_back(attempt);
  if (std::optional<HostMessage> refusal = archiveBeyondBounds(archive, bounds)) {
    archive.attempts.pop_back();
    return refusal;
  }
  if (!archive.weakKeys) archive.weakKeys = WeakKeyHistory{};
  archive.weakKeys->merge(keystrokes);
  return std::nullopt;
}

}  // namespace tavro
