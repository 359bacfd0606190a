#include "TavroTerminal/Tutor.h"

#include "Support/Text.h"
#include "TavroTerminal/AccountScreen.h"
#include "TavroTerminal/CustomTextEditor.h"
#include "TavroTerminal/CustomTextScreen.h"
#include "TavroTerminal/HomeScreen.h"
#include "TavroTerminal/PracticeScreen.h"
#include "TavroTerminal/ProgressScreen.h"
#include "TavroTerminal/SettingsScreen.h"
#include "TavroTerminal/SetupScreen.h"

#include <algorithm>

namespace tavro::terminal {

Tutor::Tutor(StoragePaths paths, LoadedArchive loaded, platform::UserDefaults& preferences)
    : state_(std::move(paths), std::move(loaded), preferences) {
  // One line per screen: a new screen is a file of its own and a line here.
  auto add = [this](ScreenId id, std::unique_ptr<terminal::Screen> screen) {
    screens_[static_cast<std::size_t>(id)] = std::move(screen);
  };
  auto setup = std::make_unique<SetupScreen>(state_);
  auto account = std::make_unique<AccountScreen>(state_);
  setup_ = setup.get();
  account_ = account.get();
  add(ScreenId::setup, std::move(setup));
  add(ScreenId::home, std::make_unique<HomeScreen>(state_));
  add(ScreenId::practice, std::make_unique<PracticeScreen>(state_));
  add(ScreenId::results, std::make_unique<ResultsScreen>(state_));
  add(ScreenId::settings, std::make_unique<SettingsScreen>(state_));
  add(ScreenId::account, std::move(account));
  add(ScreenId::customText, std::make_unique<CustomTextScreen>(state_));
  add(ScreenId::progress, std::make_unique<ProgressScreen>(state_));
  if (setup_->begin(loaded.found)) current_ = ScreenId::setup;
}

Tutor::~Tutor() = default;

void Tutor::setAccountService(FetchMaker makeFetch) {
  account_->setService(std::move(makeFetch));
}

void Tutor::tick() {
  account_->tick();
}

bool Tutor::busy() const {
  return account_->busy();
}

AppearanceTheme Tutor::theme() const {
  // The setup's choice shows at once, so its theme step previews each theme.
  return setup_->theme().value_or(state_.theme);
}

void Tutor::startRound(PracticeRound round) {
  state_.prepareRound(std::move(round));
  apply(Transition::go(ScreenId::practice));
}

void Tutor::handle(const Key& key, double now) {
  if (key.kind == Key::Kind::interrupt) {
    finished_ = true;
    return;
  }
  // Keys act on what the learner sees: behind the size notice, nothing.
  if (sizeNotice_) return;
  if (key.kind == Key::Kind::paste && !up().takesPaste()) {
    // Elsewhere a paste is its characters typed one by one, line breaks as
    // Enter.
    state_.pasting = true;
    for (const std::string& character : text::graphemes(withoutTerminalEscapes(key.text))) {
      if (finished_ || sizeNotice_) break;
      if (character == "\r" || character == "\n" || character == "\r\n") {
        handle(Key::of(Key::Kind::enter), now);
      } else if (character == "\t") {
        handle(Key::of(Key::Kind::tab), now);
      } else if (!text::isControlOrFormat(text::codePoints(character).front())) {
        handle(Key::character(character), now);
      }
    }
    state_.pasting = false;
    return;
  }
  std::int64_t round = state_.round;
  apply(up().handle(key, now));
  if (state_.round != round) state_.keepRound();
}

void Tutor::apply(Transition transition) {
  switch (transition.kind) {
    case Transition::Kind::stay:
      return;
    case Transition::Kind::quit:
      finished_ = true;
      return;
    case Transition::Kind::go: {
      ScreenId from = current_;
      current_ = transition.to;
      up().enter(from);
      return;
    }
  }
}

void Tutor::render(Frame& frame, double now) const {
  frame.clear();
  bool tooSmall = frame.width() < minimumWidth || frame.height() < minimumHeight;
  // The round stands still while the notice hides it: the time behind the
  // notice is taken out of the round's clock when the screen comes back.
  if (tooSmall && !sizeNotice_) {
    state_.pausedSince = now;
  } else if (!tooSmall && state_.pausedSince) {
    state_.pausedSeconds += std::max(0.0, now - *state_.pausedSince);
    state_.pausedSince.reset();
  }
  sizeNotice_ = tooSmall;
  if (tooSmall) {
    std::string needed = state_.say("Tavro needs a terminal of at least {1}x{2};",
                                    {std::to_string(minimumWidth), std::to_string(minimumHeight)});
    std::string have = state_.say("this one is {1}x{2}.",
                                  {std::to_string(frame.width()), std::to_string(frame.height())});
    frame.put(0, 0, needed, Style::warning);
    frame.put(1, 0, have, Style::warning);
    frame.put(2, 0, state_.say("Make the window larger."), Style::normal);
    return;
  }
  const terminal::Screen& screen = up();
  screen.render(frame, now);
  // The footer comes from the screen's key table, so it names only keys
  // the screen takes.
  std::string hints = screen.hints();
  if (!hints.empty()) frame.put(frame.height() - 1, 1, state_.say(hints), Style::dim);
}

}  // namespace tavro::terminal
