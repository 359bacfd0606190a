#include "TavroTerminal/ScoreText.h"

#include "Support/Text.h"
#include "TavroCore/content/ExerciseMode.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/settings/UIStrings.h"
#include "TavroHost/SuggestionText.h"
#include "TavroHost/ExerciseText.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/TutorStrings.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <algorithm>
#include <map>

namespace tavro::terminal {
namespace {

std::string format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

// Pads to `width` terminal columns: a Japanese label takes two a character.
std::string pad(std::string text, std::size_t width) {
  int used = Frame::displayWidth(text);
  if (used < static_cast<int>(width)) text.append(width - static_cast<std::size_t>(used), ' ');
  return text;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string result;
  for (char32_t codePoint : text::codePoints(text)) {
    if (codePoint != '\n' && text::isControlOrFormat(codePoint)) codePoint = 0xFFFD;
    result += text::fromCodePoint(codePoint);
  }
  return result;
}

std::string speedText(double keysPerMinute, InterfaceLanguage language, SpeedUnit unit) {
  return TutorStrings::Message(speedMessage(keysPerMinute, unit)).text(language);
}

std::string shortSpeedText(double keysPerMinute, InterfaceLanguage language, SpeedUnit unit) {
  if (!std::isfinite(keysPerMinute) || keysPerMinute < 0) keysPerMinute = 0;
  std::string number = format("%4.0f", std::min(SpeedUnits::shown(keysPerMinute, unit), 9999.0));
  return TutorStrings::text(unit == SpeedUnit::wordsPerMinute ? "{1} WPM" : "{1}/min", language,
                            {number});
}

std::string accuracyText(double percent) {
  if (!std::isfinite(percent) || percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  return format("%.1f%%", percent);
}

std::string dateText(const Date& date) {
  double seconds = date.unixSeconds();
  if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15) return "?";
  std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (::localtime_r(&time, &parts) == nullptr) return "?";
  char buffer[40];
  if (std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &parts) == 0) return "?";
  return buffer;
}

std::string completionText(const Attempt& attempt, InterfaceLanguage language) {
  return language == InterfaceLanguage::english ? attempt.completionTime()
                                                : UIStrings::duration(attempt.seconds(), false);
}

std::string scoreHeading(InterfaceLanguage language) {
  auto t = [language](std::string_view text) { return TutorStrings::text(text, language); };
  return "  #  " + pad(t("speed"), 16) + pad(t("accuracy"), 10) + pad(t("time"), 14) + t("date");
}

std::string scoreLine(const ScoreRow& row, InterfaceLanguage language, SpeedUnit unit) {
  std::string line = row.isLatest ? "> " : "  ";
  line += row.rank ? std::to_string(*row.rank) : std::string("-");
  line += "  ";
  line += pad(speedText(row.attempt.cpm(), language, unit), 16);
  line += pad(accuracyText(row.attempt.accuracy()), 10);
  line += pad(completionText(row.attempt, language), 14);
  line += dateText(row.attempt.date());
  if (row.isLatest)
    line += "  " + TutorStrings::text(row.isOutsideTopFive ? "new, below top 5" : "new", language);
  return line;
}

std::string weakKeyName(std::string_view key, std::string_view mode, bool jis,
                        InterfaceLanguage language) {
  if (key == " ") return TutorStrings::text("space", language);
  return printable(keyLabel(key, mode, jis));
}

std::vector<std::string> weakestKeys(const WeakKeyHistory& history, std::string_view mode,
                                     std::size_t limit, InterfaceLanguage language, bool jis) {
  std::vector<std::string> result;
  auto byMode = history.modes.find(mode);
  if (byMode == history.modes.end()) return result;
  for (const std::string& key : history.rankedKeys(mode)) {
    if (result.size() == limit) break;
    const KeyPerformance& tally = byMode->second.at(key);
    result.push_back(TutorStrings::text(
        "{1} {2} ({3} of {4})", language,
        {weakKeyName(key, mode, jis, language), format("%.0f%%", tally.errorRate() * 100),
         std::to_string(tally.errors), std::to_string(tally.attempts)}));
  }
  return result;
}

std::string modeDisplayName(std::string_view mode) {
  for (Exercise exercise : allExercises) {
    if (tavro::mode(exercise) == mode)
      return std::string(TavroLanguages::label(language(exercise))) + " · " +
             std::string(inputName(exercise));
  }
  if (mode == ExerciseMode::numpad) return "10-Key";
  return printable(mode);
}

SpeedUnit preferredSpeedUnit(const platform::UserDefaults& preferences) {
  return SpeedUnits::saved(preferences, TavroLanguages::saved(preferences));
}

std::string dayLine(const DayProgress& day, SpeedUnit unit) {
  // Half away from zero, where printf would round a tie to even.
  auto speed = [unit](double keysPerMinute) {
    if (!std::isfinite(keysPerMinute) || keysPerMinute < 0) keysPerMinute = 0;
    double shown = std::round(SpeedUnits::shown(keysPerMinute, unit));
    std::string number = shown > 1e9 ? ">1e9" : format("%.0f", shown);
    return TutorStrings::text(unit == SpeedUnit::wordsPerMinute ? "{1} WPM" : "{1} keys/min",
                              InterfaceLanguage::english, {number});
  };
  double seconds = std::isfinite(day.seconds) && day.seconds > 0 ? day.seconds : 0;
  // A stored file may claim any time; beyond a billion hours is damage.
  double minutes = std::min(std::round(seconds / 60), 6e10);
  auto wholeMinutes = static_cast<std::int64_t>(minutes);
  char time[48];
  std::snprintf(time, sizeof time, "%lld:%02lld", static_cast<long long>(wholeMinutes / 60),
                static_cast<long long>(wholeMinutes % 60));
  char date[24];
  std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(day.day.year()),
                static_cast<unsigned>(day.day.month()), static_cast<unsigned>(day.day.day()));
  return std::string(date) + "  rounds " + std::to_string(day.rounds) + "  best " +
         speed(day.bestSpeed) + "  median " + speed(day.medianSpeed) + "  accuracy " +
         accuracyText(day.accuracy) + "  time " + time;
}

std::string statsReport(const Archive& archive, SpeedUnit unit, bool days,
                        std::string_view timeZone) {
  // One pass groups the attempts by mode and round, each group copied into a
  // small archive of its own, so ranking a round reads only that round's
  // attempts: the report stays near-linear however many modes and rounds a
  // file holds.
  std::map<std::string_view, std::map<std::int64_t, Archive>, std::less<>> groups;
  for (const Attempt& attempt : archive.attempts)
    groups[attempt.mode()][attempt.round()].attempts.push_back(attempt);

  // Known modes in their usual order, then whatever else the file holds.
  std::vector<std::string_view> ordered;
  for (std::string_view mode : ExerciseMode::allModes) {
    if (groups.count(mode) != 0) ordered.push_back(mode);
  }
  for (const auto& [mode, rounds] : groups) {
    if (std::find(ExerciseMode::allModes.begin(), ExerciseMode::allModes.end(), mode) ==
        ExerciseMode::allModes.end())
      ordered.push_back(mode);
  }

  std::string report;
  for (std::string_view mode : ordered) {
    for (const auto& [round, group] : groups.find(mode)->second) {
      // A round of the JLPT level ranks each level apart; the archive
      // decides where attempts without a level go.
      std::vector<std::optional<std::string_view>> levels = {std::nullopt};
      if (JLPTCurriculum::usesLevel(mode, round)) {
        levels.clear();
        for (JLPTLevel level : JLPTLevels::allCases) levels.push_back(rawValue(level));
      }
      for (const std::optional<std::string_view>& level : levels) {
        std::vector<ScoreRow> rows = group.scoreRows(mode, round, std::nullopt, level);
        if (rows.empty()) continue;
        report += modeDisplayName(mode) + ", round " + std::to_string(round);
        if (round == drillRound) report += " (weak-key drill)";
        if (level) report += ", " + std::string(*level);
        report += '\n';
        report += scoreHeading();
        report += '\n';
        for (const ScoreRow& row : rows) {
          ScoreRow plain = row;
          plain.isLatest = false;  // no attempt is new here
          if (!plain.rank) continue;
          report += scoreLine(plain, InterfaceLanguage::english, unit) + "\n";
        }
        report += "\n";
      }
    }
    if (archive.weakKeys) {
      std::vector<std::string> weak =
          weakestKeys(*archive.weakKeys, mode, 5, InterfaceLanguage::english, archive.jis);
      if (!weak.empty()) {
        report += modeDisplayName(mode) + ", weakest keys of all rounds:";
        for (const std::string& key : weak) report += "  " + key;
        report += "\n\n";
      }
    }
  }
  if (report.empty()) return "No finished rounds yet.\n";
  if (days) {
    for (const DayProgress& day :
         DailyProgress::summarize(archive.attempts, std::nullopt, timeZone).days)
      report += dayLine(day, unit) + "\n";
  }
  return report;
}

}  // namespace tavro::terminal
