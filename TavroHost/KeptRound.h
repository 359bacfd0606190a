// A finished round taken into the score archive, as every host keeps it:
// the attempt (with the JLPT level where the level chose the words) and the
// round's keystrokes for the weak-key history, or nothing at all.
#pragma once

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroHost/HostMessage.h"
#include "TavroHost/Storage.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavro {

// The level a round's attempts keep and rank under: `level` where the
// level chose the words (JLPTCurriculum::usesLevel), nothing otherwise.
std::optional<std::string_view> levelOfRound(std::string_view mode, std::int64_t round,
                                             JLPTLevel level);

// The attempt of a complete round, the level recorded for rounds whose
// words come from it; nothing while the round is not complete.
std::optional<Attempt> finishedAttempt(const PracticeRound& round, JLPTLevel level);

// Appends `attempt` and merges the round's keystrokes into the weak-key
// history. Refused whole, the archive left as it was (weak keys included),
// when the archive would then be past `bounds`: saved, it would be set aside
// as damaged at the next start, every score gone from view. The reason on
// refusal.
std::optional<HostMessage> keepRound(Archive& archive, const Attempt& attempt,
                                     const WeakKeyHistory& keystrokes,
                                     const ArchiveBounds& bounds = {});

}  // namespace tavro
