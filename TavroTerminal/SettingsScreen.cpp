#include "TavroTerminal/SettingsScreen.h"

#include "TavroCore/settings/GuideSpelling.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>
#include <array>

namespace tavro::terminal {
namespace {

// The settings screen's lines, in order.
enum class Setting { interface, theme, guide, speed };
constexpr std::array<Setting, 4> settingLines = {Setting::interface, Setting::theme,
                                                 Setting::guide, Setting::speed};

template <typename T, std::size_t N>
T cycled(const std::array<T, N>& all, T current, int step) {
  std::size_t index = static_cast<std::size_t>(std::find(all.begin(), all.end(), current) - all.begin());
  return all[(index + N + static_cast<std::size_t>(step + static_cast<int>(N))) % N];
}

std::string_view styleName(RomajiStyle style) {
  switch (style) {
    case RomajiStyle::hepburn:
      return "Hepburn (shi, tsu, ja)";
    case RomajiStyle::kunrei:
      return "Kunrei (si, tu, zya)";
    case RomajiStyle::fewestKeys:
      return "Fewest keys";
  }
  return "";
}

}  // namespace

const KeyTable<SettingsScreen::Action>& SettingsScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::up), KeyMatch::of(K::down), KeyMatch::of(K::tab)}, Action::move, "Up/Down move"},
    {{KeyMatch::of(K::left), KeyMatch::of(K::right)}, Action::change, "Left/Right change"},
    {{KeyMatch::of(K::enter), KeyMatch::of(K::escape), KeyMatch::typed('s'), KeyMatch::typed('q')},
     Action::back, "Enter or Esc Back"},
  };
  // clang-format on
  return table;
}

Transition SettingsScreen::handle(const Key& key, double) {
  constexpr std::size_t itemCount = settingLines.size();
  state_.status.clear();
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  switch (*action) {
    case Action::move:
      focus_ = key.kind == Key::Kind::up ? (focus_ + itemCount - 1) % itemCount
                                         : (focus_ + 1) % itemCount;
      break;
    case Action::change: {
      int step = key.kind == Key::Kind::left ? -1 : 1;
      switch (settingLines[focus_]) {
        case Setting::interface:
          state_.interfaceLanguage = state_.interfaceLanguage == InterfaceLanguage::english
                                         ? InterfaceLanguage::japanese
                                         : InterfaceLanguage::english;
          state_.keepInterface();
          break;
        case Setting::theme:
          state_.theme = cycled(AppearanceThemes::allCases, state_.theme, step);
          state_.keepPreference([&] { AppearanceThemes::save(state_.theme, state_.preferences); });
          // Older versions read the theme from the archive.
          state_.archive.appearance = std::string(rawValue(state_.theme));
          state_.save();
          break;
        case Setting::guide:
          state_.guideStyle = cycled(RomajiStyles::allCases, state_.guideStyle, step);
          state_.keepPreference([&] { GuideSpelling::save(state_.guideStyle, state_.preferences); });
          break;
        case Setting::speed:
          state_.unit = cycled(SpeedUnits::allCases, state_.unit, step);
          state_.keepPreference([&] { SpeedUnits::save(state_.unit, state_.preferences); });
          break;
      }
      break;
    }
    case Action::back:
      return Transition::go(ScreenId::home);
  }
  return Transition::stay();
}

void SettingsScreen::render(Frame& frame, double) const {
  const TutorState& s = state_;
  frame.put(0, 1, s.say("Settings"), Style::title);
  struct Line {
    std::string name;
    std::string value;
  };
  const Line lines[] = {
      {s.say("Language (interface)"),
       s.interfaceLanguage == InterfaceLanguage::english ? "English" : "日本語"},
      {s.say("Theme"), s.say(rawValue(s.theme))},
      {s.say("Romaji guide"), s.say(styleName(s.guideStyle))},
      {s.say("Speed"),
       s.say(s.unit == SpeedUnit::wordsPerMinute ? "words per minute (WPM)" : "keys per minute")},
  };
  for (std::size_t i = 0; i < settingLines.size(); ++i) {
    bool focused = i == focus_;
    Style style = focused ? Style::selected : Style::normal;
    int row = 2 + static_cast<int>(i);
    frame.put(row, 1, focused ? ">" : " ", Style::selected);
    frame.put(row, 3, lines[i].name, style);
    frame.put(row, 26, focused ? "< " + lines[i].value + " >" : "  " + lines[i].value, style);
  }
  int row = 7;
  std::string_view help;
  switch (settingLines[focus_]) {
    case Setting::interface:
    case Setting::theme:
      help = "System uses the terminal's own colours; High Contrast draws white and yellow on black.";
      break;
    case Setting::guide:
      help = "The romaji line shows this spelling; every spelling is accepted as you type.";
      break;
    case Setting::speed:
      help = "A word is 5 keys. Scores are kept in keys per minute and shown in this unit.";
      break;
  }
  for (const std::string& line : wrapWords(s.say(help), frame.width() - 4)) {
    if (row > 8) break;
    frame.put(row++, 3, line, Style::dim);
  }
  putThemeSample(frame, 9, s.interfaceLanguage);
  if (s.saveFailure)
    putWrapped(frame, 11, 1, frame.width() - 1, {{*s.saveFailure, Style::warning}}, 3);
  if (!s.status.empty()) frame.put(frame.height() - 2, 1, s.status, Style::dim);
}

}  // namespace tavro::terminal
