#include "TavroTerminal/ScoreText.h"

#include "Support/Text.h"
#include "TavroCore/content/ExerciseMode.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <set>

namespace tavro::terminal {
namespace {

std::string format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

std::string pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
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

std::string speedText(double keysPerMinute) {
  if (!std::isfinite(keysPerMinute) || keysPerMinute < 0) keysPerMinute = 0;
  if (keysPerMinute > 1e9) return ">1e9 keys/min";
  return format("%.0f keys/min", keysPerMinute);
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

std::string scoreHeading() {
  return "  #  " + pad("speed", 16) + pad("accuracy", 10) + pad("time", 14) + "date";
}

std::string scoreLine(const ScoreRow& row) {
  std::string line = row.isLatest ? "> " : "  ";
  line += row.rank ? std::to_string(*row.rank) : std::string("-");
  line += "  ";
  line += pad(speedText(row.attempt.cpm()), 16);
  line += pad(accuracyText(row.attempt.accuracy()), 10);
  line += pad(row.attempt.completionTime(), 14);
  line += dateText(row.attempt.date());
  if (row.isLatest) line += row.isOutsideTopFive ? "  new, not in the top five" : "  new";
  return line;
}

std::vector<std::string> weakestKeys(const WeakKeyHistory& history, std::string_view mode,
                                     std::size_t limit) {
  std::vector<std::string> result;
  auto byMode = history.modes.find(mode);
  if (byMode == history.modes.end()) return result;
  for (const std::string& key : history.rankedKeys(mode)) {
    if (result.size() == limit) break;
    const KeyPerformance& tally = byMode->second.at(key);
    std::string shown = key == " " ? "space" : printable(key);
    result.push_back(shown + " " + format("%.0f%%", tally.errorRate() * 100) + " (" +
                     std::to_string(tally.errors) + " of " + std::to_string(tally.attempts) + ")");
  }
  return result;
}

std::string statsReport(const Archive& archive) {
  std::string report;
  std::set<std::string, std::less<>> modes;
  for (const Attempt& attempt : archive.attempts) modes.insert(attempt.mode());
  // Known modes in their usual order, then whatever else the file holds.
  std::vector<std::string> ordered;
  for (std::string_view mode : ExerciseMode::allModes) {
    if (modes.count(mode) != 0) ordered.emplace_back(mode);
  }
  for (const std::string& mode : modes) {
    bool known = false;
    for (std::string_view candidate : ExerciseMode::allModes) known = known || candidate == mode;
    if (!known) ordered.push_back(mode);
  }
  for (const std::string& mode : ordered) {
    std::set<std::int64_t> rounds;
    for (const Attempt& attempt : archive.attempts) {
      if (attempt.mode() == mode) rounds.insert(attempt.round());
    }
    for (std::int64_t round : rounds) {
      report += printable(mode) + ", round " + std::to_string(round) + "\n";
      report += scoreHeading() + "\n";
      for (const ScoreRow& row : archive.scoreRows(mode, round, std::nullopt)) {
        ScoreRow plain = row;
        plain.isLatest = false;  // no attempt is new here
        if (!plain.rank) continue;
        report += scoreLine(plain) + "\n";
      }
      report += "\n";
    }
    if (archive.weakKeys) {
      std::vector<std::string> weak = weakestKeys(*archive.weakKeys, mode, 5);
      if (!weak.empty()) {
        report += printable(mode) + ", weakest keys:";
        for (const std::string& key : weak) report += "  " + key;
        report += "\n\n";
      }
    }
  }
  if (report.empty()) report = "No finished rounds yet.\n";
  return report;
}

}  // namespace tavro::terminal
