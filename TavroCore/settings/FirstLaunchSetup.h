// The guided setup shown on the first start: practice language, keyboard
// layout, guidance options, appearance and sound, then the account. This
// value holds the choices made so far and the screen the learner is on; a
// draft of it in the user-defaults store lets an interrupted setup resume
// where it stopped. Finishing writes the language and guidance choices to
// the store (`complete`) and the layout, theme and sound into the score
// archive (`applying`), which the host then saves.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/input/TavroLanguage.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/SetupStep.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

struct FirstLaunchSetup {
  TavroLanguage language = TavroLanguage::japanese;
  bool usesJIS = false;  // true: JIS layout, false: US
  AppearanceTheme theme = AppearanceTheme::system;
  bool showRomaji = true;                    // the romanized line under prompts
  bool showKeyboardGuide = true;             // the on-screen keyboard during practice
  std::optional<std::string> practiceSound;  // the keystroke sound, once one was chosen
  SetupStep step = SetupStep::welcome;

  // User-defaults keys of the setup.
  static constexpr std::string_view draftKey = "guidedSetupDraft";
  static constexpr std::string_view startedKey = "firstLaunchSetupStarted";
  static constexpr std::string_view completedKey = "firstLaunchSetupCompleted";
  // The on-screen keyboard preference the host reads during practice.
  static constexpr std::string_view keyboardGuideKey = "showJapaneseKeyboardGuide";

  // A stored draft larger than this is not read.
  static constexpr std::size_t maximumDraftSize = 64 * 1024;

  // The saved draft, or the defaults when there is none or it cannot be
  // decoded (of another type, too large, not the draft document). Never fails.
  static FirstLaunchSetup draft(const platform::UserDefaults& store);

  // Stores this setup as the draft (data under `draftKey`). When it cannot
  // be encoded (a sound name that is not UTF-8), an existing draft is
  // removed instead, so that a later `draft` starts from the defaults.
  void saveDraft(platform::UserDefaults& store) const;

  // Whether to show the setup, the first rule that applies deciding: an
  // existing score archive, no; a completed setup, no; a started setup, yes
  // (it is resumed); any preference of an earlier version stored (of any
  // type), no; otherwise yes.
  static bool shouldPresent(bool hasArchive, const platform::UserDefaults& store);

  // Records that the setup was begun (true under `startedKey`).
  static void markStarted(platform::UserDefaults& store);

  // A copy of `archive` with this setup's theme as its appearance, its sound
  // when one was chosen (otherwise the archive's own) and its layout; every
  // other field unchanged.
  Archive applying(const Archive& archive) const;

  // Stores the language, the Japanese romaji switch, the keyboard guide and
  // the theme (the appearance preference, which is where the theme is read
  // from now), marks the setup completed, and removes the draft and the
  // started mark, in that order. The layout and sound go through
  // `applying`, which also writes the theme into the archive for older
  // versions.
  void complete(platform::UserDefaults& store) const;

  // The draft document: {"language", "usesJIS", "theme", "showRomaji",
  // "showKeyboardGuide", "practiceSound" (only when chosen), "step"}. Throws
  // nlohmann's type_error for a sound name that is not UTF-8.
  std::string encode() const;

  // Reads a draft document. Every key but "practiceSound" is required with
  // its exact JSON type and a known value ("step" a whole number 1 to 5); a null
  // "practiceSound" counts as absent; unknown keys are ignored. Throws
  // json::DecodingError.
  static FirstLaunchSetup decode(std::string_view json);

  friend bool operator==(const FirstLaunchSetup&, const FirstLaunchSetup&) = default;
};

}  // namespace tavro
