// The first-launch setup as both tutors run it: when it begins (and the
// draft it resumes from), which choices a step offers, and how a finished
// setup is written, so that a setup finished in either tutor leaves the
// same preferences and archive behind.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/settings/FirstLaunchSetup.h"

#include <optional>
#include <string>

namespace tavro {

// A setup begun: the choices to resume from, and why the started mark could
// not be stored (the setup still runs; it starts afresh next time).
struct BegunSetup {
  FirstLaunchSetup setup;
  std::optional<std::string> storeFailure;
};

// Begins the setup when it is due (no archive, no earlier preferences, or a
// setup begun and not finished): marks it started and gives the saved draft,
// at its step. Nothing when there is nothing to set up.
std::optional<BegunSetup> beginSetup(bool archiveFound, platform::UserDefaults& preferences);

// Whether the guidance step offers the guide lines: English prompts have no
// romanized line to show, only the keyboard.
bool setupOffersGuideLines(const FirstLaunchSetup& setup);

// Writes a finished setup: the core's preferences (language, Japanese's
// guide lines, keyboard, theme, completed, the draft and started mark
// removed), the guide lines of the language chosen (so home shows what was
// chosen), the layout, theme and sound into `archive`, and the layout's copy
// in the preferences. Every write is tried; the reason of the last that
// failed is returned (the choices still hold for the session). The caller
// saves `archive`.
std::optional<std::string> finishSetup(const FirstLaunchSetup& setup, Archive& archive,
                                       platform::UserDefaults& preferences);

}  // namespace tavro
