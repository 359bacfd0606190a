// The learner's practice choices as both tutors keep them in the shared
// preferences: the exercise, JLPT level, guide lines, on-screen keyboard,
// interface language, guide spelling, speed unit, theme and the round chosen
// last. One file of preferences serves both, so a choice made in one tutor
// is the choice in the other.
#pragma once

#include "Platform/UserDefaults.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/history/Archive.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/practice/Exercise.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/SpeedUnit.h"

#include <cstdint>
#include <string_view>

namespace tavro {

struct PracticeChoices {
  // The tutors' own keys beside the core's.
  static constexpr std::string_view keyboardKey = "showJapaneseKeyboardGuide";
  // The interface language: true for English, false for Japanese (stored as
  // a flag, as earlier versions read it).
  static constexpr std::string_view interfaceKey = "interfaceEnglish";
  // The round chosen last, so that a restart offers it again (kept under
  // the name the terminal tutor gave it first).
  static constexpr std::string_view roundKey = "terminalRound";
  // A copy of the archive's layout, so that the layout survives an archive
  // that was damaged and set aside (older versions read it from the archive).
  static constexpr std::string_view layoutKey = "terminalUsesJIS";

  Exercise exercise = Exercise::japaneseRomaji;
  JLPTLevel level = JLPTLevel::n5;
  bool showGuides = true;
  bool showKeyboard = true;
  bool englishInterface = true;
  RomajiStyle guideStyle = RomajiStyles::defaultStyle;
  SpeedUnit unit = SpeedUnit::keysPerMinute;
  AppearanceTheme theme = AppearanceTheme::system;
  // A numbered round of the exercise or its drill; 1 for anything else stored.
  std::int64_t round = 1;

  // Reads every choice; a missing or mistyped value is its default.
  static PracticeChoices read(const platform::UserDefaults& preferences);

  // The layout of record at start. A readable archive holds it: true when
  // the copy in the preferences differs and is to be written (under
  // layoutKey). Without one (damaged, unreadable or not there) the copy the
  // preferences keep goes into `archive`.
  static bool settleLayout(Archive& archive, bool archiveRead,
                           const platform::UserDefaults& preferences);

  // Whether Japanese is typed on the kana keys, as a backup and a sync
  // record it: the exercise chosen when it is Japanese, else the Japanese
  // exercise the preferences keep.
  static bool kanaInput(Exercise exercise, const platform::UserDefaults& preferences);
};

}  // namespace tavro
