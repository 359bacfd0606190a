// The spelling style of the romaji guide line as a stored preference. The
// style changes only what the guide shows (RomajiGuide::fromPrompt with a
// style); every spelling stays accepted.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/input/RomajiStyle.h"

#include <string_view>

namespace tavro::GuideSpelling {

// The user-defaults key of the style: its raw value text ("hepburn",
// "kunrei" or "fewestKeys").
inline constexpr std::string_view preferenceKey = "romajiGuideStyle";

// The saved style: the raw value text under preferenceKey; Hepburn when
// there is none, it is not a text, or not exactly a raw value. Never fails.
RomajiStyle saved(const platform::UserDefaults& store);

// Stores the style's raw value text under preferenceKey.
void save(RomajiStyle style, platform::UserDefaults& store);

}  // namespace tavro::GuideSpelling
