#include "TavroTerminal/SetupScreen.h"

#include "TavroCore/settings/LanguagePreference.h"
#include "TavroCore/settings/SetupKeyboardPreview.h"
#include "TavroHost/SetupFlow.h"
#include "TavroTerminal/ScreenDrawing.h"

#include <algorithm>

namespace tavro::terminal {
namespace {

// The choices each setup step offers, in order.
std::size_t setupChoices(const FirstLaunchSetup& setup) {
  switch (setup.step) {
    case SetupStep::guidance:
      return setupOffersGuideLines(setup) ? 2 : 1;
    case SetupStep::welcome:
    case SetupStep::keyboard:
    case SetupStep::appearance:
      return 1;
    case SetupStep::account:
      return 0;
  }
  return 0;
}

}  // namespace

const KeyTable<SetupScreen::Action>& SetupScreen::keys() {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> table = {
    {{KeyMatch::of(K::up), KeyMatch::of(K::down), KeyMatch::of(K::tab)}, Action::move, ""},
    {{KeyMatch::of(K::left), KeyMatch::of(K::right)}, Action::change, "Left/Right change"},
    {{KeyMatch::of(K::enter)}, Action::next, "Enter next"},
    {{KeyMatch::of(K::escape), KeyMatch::of(K::backspace)}, Action::back, "Esc back"},
    {{KeyMatch::typed('q')}, Action::quit, "q quit (the setup resumes next time)"},
    {{KeyMatch::typed('a')}, Action::account, ""},
  };
  // clang-format on
  return table;
}

bool SetupScreen::begin(bool archiveFound) {
  std::optional<BegunSetup> begun = beginSetup(archiveFound, state_.preferences);
  if (!begun) return false;
  if (begun->storeFailure)
    state_.status = state_.say("Could not save the preference: {1}", {*begun->storeFailure});
  setup_ = begun->setup;
  return true;
}

std::optional<AppearanceTheme> SetupScreen::theme() const {
  if (!setup_) return std::nullopt;
  return setup_->theme;
}

Transition SetupScreen::handle(const Key& key, double) {
  FirstLaunchSetup& setup = *setup_;
  std::size_t choices = setupChoices(setup);
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  switch (*action) {
    case Action::move:
      if (choices > 0)
        focus_ = key.kind == Key::Kind::up ? (focus_ + choices - 1) % choices
                                           : (focus_ + 1) % choices;
      return Transition::stay();
    case Action::change: {
      int step = key.kind == Key::Kind::left ? -1 : 1;
      switch (setup.step) {
        case SetupStep::welcome: {
          const auto& all = TavroLanguages::allCases;
          std::size_t index = static_cast<std::size_t>(setup.language);
          setup.language = all[(index + all.size() +
                                static_cast<std::size_t>(step + static_cast<int>(all.size()))) %
                               all.size()];
          break;
        }
        case SetupStep::keyboard:
          setup.usesJIS = !setup.usesJIS;
          break;
        case SetupStep::guidance:
          if (focus_ == 0 && setupOffersGuideLines(setup)) {
            setup.showRomaji = !setup.showRomaji;
          } else {
            setup.showKeyboardGuide = !setup.showKeyboardGuide;
          }
          break;
        case SetupStep::appearance: {
          const auto& all = AppearanceThemes::allCases;
          std::size_t index = static_cast<std::size_t>(setup.theme);
          setup.theme = all[(index + all.size() +
                             static_cast<std::size_t>(step + static_cast<int>(all.size()))) %
                            all.size()];
          break;
        }
        case SetupStep::account:
          break;
      }
      break;
    }
    case Action::next:
      if (setup.step == SetupStep::account) {
        finish();
        return Transition::go(ScreenId::home);
      }
      setup.step = SetupSteps::moving(setup.step, 1);
      focus_ = 0;
      break;
    case Action::back:
      setup.step = SetupSteps::moving(setup.step, -1);
      focus_ = 0;
      break;
    case Action::quit:
      return Transition::quit();
    case Action::account:
      if (setup.step != SetupStep::account) return Transition::stay();
      finish();
      return Transition::go(ScreenId::account);
  }
  // Every change is kept, so a setup left half-way resumes where it stopped.
  state_.keepPreference([&] { setup.saveDraft(state_.preferences); });
  return Transition::stay();
}

void SetupScreen::finish() {
  TutorState& s = state_;
  const FirstLaunchSetup& setup = *setup_;
  if (std::optional<std::string> failure = finishSetup(setup, s.archive, s.preferences))
    s.status = s.say("Could not save the preference: {1}", {*failure});
  s.save();
  s.readPreferences();
  s.theme = setup.theme;
  s.choicesRenewed = true;
  setup_.reset();
}

void SetupScreen::render(Frame& frame, double) const {
  const TutorState& s = state_;
  const FirstLaunchSetup& setup = *setup_;
  std::int64_t number = rawValue(setup.step);
  frame.put(0, 1, s.say("Tavro · Welcome   ({1}/5)", {std::to_string(number)}), Style::title);
  auto option = [&](int row, std::size_t index, const std::string& name, const std::string& value) {
    bool focused = index == focus_;
    Style style = focused ? Style::selected : Style::normal;
    frame.put(row, 1, focused ? ">" : " ", Style::selected);
    frame.put(row, 3, name, style);
    frame.put(row, 30, focused ? "< " + value + " >" : "  " + value, style);
  };
  int row = 2;
  switch (setup.step) {
    case SetupStep::welcome:
      frame.put(row, 3, s.say("Welcome to Tavro, a touch-typing tutor."));
      frame.put(row + 1, 3, s.say("Which language do you want to practise?"));
      option(row + 2, 0, s.say("Language"), s.say(TavroLanguages::label(setup.language)));
      break;
    case SetupStep::keyboard: {
      frame.put(row, 3, s.say("Which keyboard do you type on?"));
      option(row + 2, 0, s.say("Keyboard"), s.say(setup.usesJIS ? "JIS (Japanese)" : "US (ANSI)"));
      row += 4;
      // The keyboard picture: control keys by name, home keys marked, the
      // anchor keys F and J underlined as their bumps are felt.
      for (const auto& keys : SetupKeyboardPreview::rows(setup.usesJIS)) {
        int column = 3;
        for (const SetupKeyboardPreview::Key& key : keys) {
          // A named key is as wide as its name: "Backspace" and "Caps Lock"
          // whole, the row a little longer than the keyboard's proportions.
          std::string cap = key.label;
          int width = std::max({3, static_cast<int>(key.width * 4 + 0.5) - 1,
                                key.source ? 0 : Frame::displayWidth(cap)});
          if (Frame::displayWidth(cap) > width) cap = clipped(cap, width);
          std::string padded =
              cap +
              std::string(static_cast<std::size_t>(std::max(0, width - Frame::displayWidth(cap))),
                          ' ');
          Style style = Style::dim;
          if (key.source && SetupKeyboardPreview::homeKeys().count(*key.source) != 0)
            style = Style::normal;
          if (key.source && SetupKeyboardPreview::anchors().count(*key.source) != 0)
            style = Style::ghost;
          if (column + width > frame.width() - 1) break;
          frame.put(row, column, padded, style);
          column += width + 1;
        }
        ++row;
      }
      ++row;
      std::string_view caption =
          setup.language == TavroLanguage::japanese
              ? "With kana keys on this layout, these are typed so:"
              : (setup.language == TavroLanguage::english
                     ? "Characters typed with Shift on this layout:"
                     : "Devanagari letters and the Latin keys that type them:");
      frame.put(row++, 3, s.say(caption), Style::dim);
      for (const SetupKeyboardPreview::Example& example :
           SetupKeyboardPreview::layoutExamples(setup.language, setup.usesJIS)) {
        if (row >= frame.height() - 2) break;
        frame.put(row, 3, example.text, Style::title);
        frame.put(row++, 8, example.guide, Style::dim);
      }
      break;
    }
    case SetupStep::guidance:
      frame.put(row, 3, s.say("What should practice show you?"));
      // The same setting, by the same name, as on the home screen.
      if (setupOffersGuideLines(setup)) {
        option(row + 2, 0, s.say("Guide lines"), s.say(setup.showRomaji ? "on" : "off"));
        option(row + 3, 1, s.say("Keyboard"), s.say(setup.showKeyboardGuide ? "on" : "off"));
        for (const std::string& line :
             wrapWords(s.say("Guide lines: the reading and its romaji under Japanese prompts, the "
                         "roman letters under Nepali ones."),
                       frame.width() - 4)) {
          if (row + 5 >= frame.height() - 2) break;
          frame.put(row + 5, 3, line, Style::dim);
          ++row;
        }
      } else {
        option(row + 2, 0, s.say("Keyboard"), s.say(setup.showKeyboardGuide ? "on" : "off"));
      }
      break;
    case SetupStep::appearance:
      frame.put(row, 3, s.say("Pick the colours. System keeps your terminal's own."));
      option(row + 2, 0, s.say("Theme"), s.say(rawValue(setup.theme)));
      // The whole screen is drawn in the theme chosen; the sample shows the
      // colours practice uses.
      frame.put(row + 4, 3, s.say("Practice looks like this:"), Style::dim);
      putThemeSample(frame, row + 5, s.interfaceLanguage);
      break;
    case SetupStep::account:
      // Wrapped to the screen: the folder may be long, and Japanese lines
      // break in other places than English ones.
      for (const std::string& paragraph :
           {s.say("Your scores stay on this computer, in {1}.", {s.paths.archive().string()}),
            s.say("Signed in, Sync Now keeps them in your account too; sign in now or later with a "
              "on the home screen.")}) {
        for (const std::string& line : wrapWords(paragraph, frame.width() - 4)) {
          if (row >= frame.height() - 4) break;
          frame.put(row++, 3, line);
        }
      }
      frame.put(row + 1, 3, s.say("Press Enter to start practising, or a to sign in."), Style::title);
      break;
  }
  if (!s.status.empty()) frame.put(frame.height() - 2, 1, s.status, Style::dim);
}

}  // namespace tavro::terminal
