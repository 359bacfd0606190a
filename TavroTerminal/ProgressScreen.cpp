#include "TavroTerminal/ProgressScreen.h"

#include "TavroHost/SuggestionText.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>

namespace tavro::terminal {
namespace {

// A bar cell filled by eighths, from empty to full.
constexpr std::array<std::string_view, 9> eighths = {" ", "▁", "▂", "▃", "▄",
                                                     "▅", "▆", "▇", "█"};

constexpr int speedRows = 5;     // 40 steps of height
constexpr int accuracyRows = 2;  // 16 steps over the accuracy floor to 100 %
constexpr double accuracyFloor = RecentProgress::accuracyFloor;
constexpr int labelWidth = 5;    // the axis labels, right-aligned before the axis
constexpr int firstBar = labelWidth + 2;

std::string printed(const char* pattern, double value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// Puts a bar of `filled` eighths (of `rows` cells) into the column, bottom row at `bottom`.
void putBar(Frame& frame, int bottom, int column, int rows, int filled, Style style) {
  for (int r = 0; r < rows; ++r) {
    int cell = std::clamp(filled - r * 8, 0, 8);
    if (cell > 0) frame.put(bottom - r, column, std::string(eighths[static_cast<std::size_t>(cell)]), style);
  }
}

// The height of a day's bars in eighths of a cell, over `rows` cells. Every
// day with rounds shows at least its lowest step, so a slow day is told
// apart from a day without practice.
int speedEighths(const DayProgress& day, SpeedUnit unit, double top, int rows) {
  double speed = SpeedUnits::shown(day.medianSpeed, unit);
  return std::clamp(static_cast<int>(std::lround(speed / top * rows * 8)), 1, rows * 8);
}

int accuracyEighths(const DayProgress& day, int rows) {
  double share = (day.accuracy - accuracyFloor) / (100 - accuracyFloor);
  return std::clamp(static_cast<int>(std::lround(share * rows * 8)), 1, rows * 8);
}

std::string monthDay(std::int64_t day) {
  std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
  char text[32];
  std::snprintf(text, sizeof text, "%02u-%02u", static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()));
  return text;
}

Style bandStyle(KeyBand band) {
  switch (band) {
    case KeyBand::weak:
      return Style::keyWeak;
    case KeyBand::fair:
      return Style::keyFair;
    case KeyBand::strong:
      return Style::keyStrong;
    case KeyBand::untyped:
      break;
  }
  return Style::dim;
}


}  // namespace

std::string suggestionLine(const TutorState& s, const Suggestion& suggestion) {
  return TutorStrings::Message(suggestionMessage(suggestion, s.exercise, s.archive.jis, s.unit))
      .text(s.interfaceLanguage);
}

const KeyTable<ProgressScreen::Action>& ProgressScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::enter)}, Action::take, "Enter take the suggestion"},
    {{KeyMatch::typed('h'), KeyMatch::of(K::escape)}, Action::home, "h home"},
  };
  // clang-format on
  return table;
}

RecentProgress recentProgress(TutorState& s) {
  std::optional<std::string> problem;
  RecentProgress recent = RecentProgress::of(s.archive.attempts, mode(s.exercise), problem);
  if (problem) s.status = s.say("Could not work out the days: {1}", {*problem});
  return recent;
}

void putRecentDays(Frame& frame, int row, const TutorState& s, const RecentProgress& recent) {
  double topValue = recent.top(s.unit);
  std::string unitName = s.unit == SpeedUnit::wordsPerMinute ? "WPM" : s.say("keys/min");
  const std::string labels[] = {s.say("Median speed, {1} days", {std::to_string(RecentProgress::days)}),
                                s.say("Accuracy, {1} days", {std::to_string(RecentProgress::days)})};
  int start = 0;
  for (const std::string& label : labels) start = std::max(start, Frame::displayWidth(label) + 3);
  int end = start + static_cast<int>(RecentProgress::days);
  frame.put(row, 1, labels[0], Style::title);
  frame.put(row + 1, 1, labels[1], Style::title);
  for (int column = start; column < end; ++column) {
    frame.put(row, column, "·", Style::dim);
    frame.put(row + 1, column, "·", Style::dim);
  }
  frame.put(row, end + 1, "0–" + printed("%.0f", topValue) + " " + unitName, Style::dim);
  frame.put(row + 1, end + 1, printed("%.0f–100%%", accuracyFloor), Style::dim);
  for (const DayProgress& day : recent.progress.days) {
    std::int64_t index = recent.column(day);
    if (index < 0) continue;
    int column = start + static_cast<int>(index);
    putBar(frame, row, column, 1, speedEighths(day, s.unit, topValue, 1), Style::normal);
    putBar(frame, row + 1, column, 1, accuracyEighths(day, 1), bandStyle(KeyMap::band(day.accuracy)));
  }
}

void ProgressScreen::enter(ScreenId) {
  TutorState& s = state_;
  std::string modeName(mode(s.exercise));
  recent_ = recentProgress(s);
  keyMap_ = KeyMap::of(s.archive.weakKeys.value_or(WeakKeyHistory{}), modeName, s.archive.jis);
  suggestion_ = s.suggestNext();
}

Transition ProgressScreen::handle(const Key& key, double) {
  TutorState& s = state_;
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  switch (*action) {
    case Action::take:
      if (!suggestion_) return Transition::stay();
      s.round = suggestion_->round;  // kept by the navigator, as any choice of round
      return s.prepareRound(s.round) ? Transition::go(ScreenId::practice) : Transition::stay();
    case Action::home:
      return Transition::go(ScreenId::home);
  }
  return Transition::stay();
}

void ProgressScreen::render(Frame& frame, double) const {
  const TutorState& s = state_;
  frame.put(0, 1, clipped(s.say("Progress") + " — " + s.exerciseLine(), frame.width() - 2),
            Style::title);
  renderChart(frame, 2);
  renderKeys(frame, 13);
  if (suggestion_) frame.put(20, 1, clipped(suggestionLine(s, *suggestion_), frame.width() - 2));
  if (!s.status.empty()) frame.put(frame.height() - 2, 1, s.status, Style::dim);
}

void ProgressScreen::renderChart(Frame& frame, int top) const {
  const TutorState& s = state_;
  std::string unitName = s.unit == SpeedUnit::wordsPerMinute ? "WPM" : s.say("keys/min");
  frame.put(top, 1, s.say("Median speed ({1}) and accuracy, last {2} days",
                          {unitName, std::to_string(RecentProgress::days)}),
            Style::title);
  if (recent_.progress.trend) {
    double change = *recent_.progress.trend;
    std::string sign = change < 0 ? "-" : "+";
    std::string trend =
        s.say("trend {1}", {sign + speedText(std::fabs(change), s.interfaceLanguage, s.unit)});
    frame.put(top, std::max(1, frame.width() - 2 - Frame::displayWidth(trend)), trend, Style::dim);
  }

  int speedBottom = top + speedRows;
  int axis = speedBottom + 1;
  int accuracyTop = axis + 2;
  int accuracyBottom = accuracyTop + accuracyRows - 1;
  int lastBar = firstBar + 2 * static_cast<int>(RecentProgress::days - 1);
  double topValue = recent_.top(s.unit);

  // The axes and their labels.
  auto label = [&](int row, const std::string& text) {
    frame.put(row, std::max(0, labelWidth - Frame::displayWidth(text)), text, Style::dim);
    frame.put(row, labelWidth, "┤", Style::dim);
  };
  for (int row = top + 1; row <= speedBottom; ++row) frame.put(row, labelWidth, "│", Style::dim);
  label(top + 1, printed("%.0f", topValue));
  label(top + 1 + speedRows / 2, printed("%.0f", topValue / 2));
  label(speedBottom, "0");
  frame.put(axis, labelWidth, "└", Style::dim);
  for (int column = labelWidth + 1; column <= lastBar + 1; ++column) frame.put(axis, column, "─", Style::dim);
  std::int64_t today = recent_.today;
  frame.put(axis + 1, firstBar, monthDay(today - (RecentProgress::days - 1)), Style::dim);
  frame.put(axis + 1, firstBar + 2 * static_cast<int>(RecentProgress::days / 2) - 2,
            monthDay(today - RecentProgress::days / 2 + 1), Style::dim);
  frame.put(axis + 1, lastBar - 4, monthDay(today), Style::dim);
  label(accuracyTop, "100%");
  label(accuracyBottom, printed("%.0f%%", accuracyFloor));
  frame.put(top + 1 + speedRows / 2, lastBar + 3, s.say("median"), Style::dim);
  frame.put(accuracyTop, lastBar + 3, s.say("accuracy"), Style::dim);

  if (recent_.progress.days.empty()) {
    frame.put(top + 2, firstBar + 2, s.say("No rounds in the last {1} days.", {std::to_string(RecentProgress::days)}),
              Style::dim);
    return;
  }
  for (const DayProgress& day : recent_.progress.days) {
    std::int64_t index = recent_.column(day);
    if (index < 0) continue;
    int column = firstBar + 2 * static_cast<int>(index);
    putBar(frame, speedBottom, column, speedRows, speedEighths(day, s.unit, topValue, speedRows),
           Style::normal);
    putBar(frame, accuracyBottom, column, accuracyRows, accuracyEighths(day, accuracyRows),
           bandStyle(KeyMap::band(day.accuracy)));
  }
}

void ProgressScreen::renderKeys(Frame& frame, int top) const {
  const TutorState& s = state_;
  frame.put(top, 1, s.say("Accuracy by key") + " · " + (s.archive.jis ? "JIS" : "US"), Style::title);
  if (!typesLayoutKeys(s.exercise)) {
    frame.put(top + 2, 3, s.say("Devanagari typed directly uses the system's own layout: no key map."),
              Style::dim);
    return;
  }
  for (std::size_t r = 0; r < keyMap_.rows.size(); ++r) {
    int column = 3 + static_cast<int>(r) * 2;
    for (const KeyAccuracy& key : keyMap_.rows[r]) {
      std::string cap(1, ' ');
      cap += capLabel(key.label);
      cap += KeyMap::mark(key.band);
      cap += ' ';
      frame.put(top + 1 + static_cast<int>(r), column, cap, bandStyle(key.band));
      column += 5;
    }
  }
  int row = top + 1 + static_cast<int>(keyMap_.rows.size());
  // The legend: each mark in the style it is drawn in.
  int column = 3;
  const std::pair<KeyBand, std::string> legend[] = {
      {KeyBand::weak, s.say("under 85%")},
      {KeyBand::fair, s.say("85% to 95%")},
      {KeyBand::strong, s.say("95% and over")},
      {KeyBand::untyped, s.say("not typed yet")},
  };
  for (const auto& [band, text] : legend) {
    column = frame.put(row, column, std::string(KeyMap::mark(band)), bandStyle(band)) + 1;
    column = frame.put(row, column, text, Style::dim) + 3;
  }
  ++row;
  // The keys missed most, by the accuracy the map shows (not the error rate
  // of the results screen), so the line reads with the legend above it.
  std::vector<const KeyAccuracy*> missed;
  for (const auto& keys : keyMap_.rows) {
    for (const KeyAccuracy& key : keys)
      if (key.missed > 0 && key.accuracy) missed.push_back(&key);
  }
  std::stable_sort(missed.begin(), missed.end(), [](const KeyAccuracy* a, const KeyAccuracy* b) {
    return *a->accuracy < *b->accuracy || (*a->accuracy == *b->accuracy && a->typed > b->typed);
  });
  column = frame.put(row, 3, s.say("Weakest keys"), Style::title) + 2;
  if (missed.empty()) frame.put(row, column, s.say("none missed"), Style::dim);
  for (std::size_t i = 0; i < missed.size() && i < 6; ++i) {
    column = frame.put(row, column, capLabel(missed[i]->label) + " ", Style::normal);
    column = frame.put(row, column, printed("%.0f%%", std::floor(*missed[i]->accuracy)),
                       bandStyle(missed[i]->band)) + 3;
  }
}

}  // namespace tavro::terminal
