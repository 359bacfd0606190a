#include "TavroTerminal/AccountScreen.h"

#include "Support/CharacterBounds.h"
#include "TavroHost/AccountFiles.h"

#include <algorithm>
#include <ctime>

namespace tavro::terminal {
namespace {

constexpr std::size_t maximumEntryBytes = 4096;

// The date as UTC, or nothing when it is outside the years 1 to 9999 (a
// stored value may be anything a double holds, and converting one out of
// time_t's range is undefined).
std::optional<std::string> utcText(Date date) {
  double unix = date.unixSeconds();
  if (!(unix >= -62'135'596'800.0 && unix <= 253'402'300'799.0)) return std::nullopt;
  std::time_t seconds = static_cast<std::time_t>(unix);
  std::tm parts{};
  if (gmtime_r(&seconds, &parts) == nullptr) return std::nullopt;
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M UTC", &parts);
  return buffer;
}

// Drops the last character of `text`: a whole grapheme cluster, so that
// an accent or a flag never stays behind half erased.
void dropLastCharacter(std::string& text) {
  std::vector<std::size_t> ends = text::characterEnds(text);
  text.resize(ends.size() >= 2 ? ends[ends.size() - 2] : 0);
}

}  // namespace

AccountScreen::AccountScreen(TutorState& state)
    : state_(state), tokens_(state.paths.configFolder) {}

AccountScreen::~AccountScreen() = default;

const KeyTable<AccountScreen::Action>& AccountScreen::keys() const {
  using K = Key::Kind;
  // clang-format off
  static const KeyTable<Action> busy = {
    {{KeyMatch::of(K::escape)}, Action::cancel, "Esc cancel"},
  };
  // No account is needed to keep the scores in a file and bring them back.
  static const KeyTable<Action> emptyToken = {
    {{KeyMatch::of(K::enter)}, Action::submit, "Enter sign in"},
    {{KeyMatch::typed('e')}, Action::exportBackup, "e export"},
    {{KeyMatch::typed('i')}, Action::importBackup, "i import a backup"},
    {{KeyMatch::of(K::escape)}, Action::leaveField, "Esc Back"},
    {{KeyMatch::of(K::backspace)}, Action::erase, ""},
    {{KeyMatch::of(K::text)}, Action::typeText, ""},
  };
  static const KeyTable<Action> field = {
    {{KeyMatch::of(K::enter)}, Action::submit, "Enter confirm"},
    {{KeyMatch::of(K::backspace)}, Action::erase, "Backspace erase"},
    {{KeyMatch::of(K::escape)}, Action::leaveField, "Esc Back"},
    {{KeyMatch::of(K::text)}, Action::typeText, ""},
  };
  static const KeyTable<Action> question = {
    {{KeyMatch::of(K::enter), KeyMatch::typed('k')}, Action::keepOut, "Enter keep them out"},
    {{KeyMatch::typed('m')}, Action::addScores, "m add them"},
    {{KeyMatch::typed('o')}, Action::signOut, "o sign out"},
    {{KeyMatch::of(K::escape), KeyMatch::typed('h'), KeyMatch::typed('q')}, Action::back, "Esc Back"},
  };
  static const KeyTable<Action> signedIn = {
    {{KeyMatch::typed('y')}, Action::sync, "y Sync Now"},
    {{KeyMatch::typed('d')}, Action::devices, "d devices"},
    {{KeyMatch::typed('e')}, Action::exportBackup, "e export"},
    {{KeyMatch::typed('i')}, Action::importBackup, "i import"},
    {{KeyMatch::typed('o')}, Action::signOut, "o sign out"},
    {{KeyMatch::of(K::escape), KeyMatch::typed('h'), KeyMatch::typed('q')}, Action::back, "Esc Back"},
  };
  // clang-format on
  if (task_) return busy;
  if (entry_ == Entry::token && entryText_.empty()) return emptyToken;
  if (entry_ != Entry::none) return field;
  if (askOwner_) return question;
  return signedIn;
}

std::string AccountScreen::hints() const {
  return keys().hints();
}

void AccountScreen::enter(ScreenId) {
  entry_ = state_.signedIn() ? Entry::none : Entry::token;
  entryText_.clear();
  accountMessage_.clear();
  devices_.reset();
  if (!state_.signedIn()) beginBrowserSignIn();
  checkOwner();
}

Transition AccountScreen::handle(const Key& key, double) {
  tick();
  std::optional<Action> action = keys().actionFor(key);
  if (!action) return Transition::stay();
  switch (*action) {
    case Action::cancel:
      task_->cancel();
      break;
    case Action::back:
      return Transition::go(ScreenId::home);
    case Action::keepOut:
    case Action::addScores:
      answerOwner(*action == Action::addScores);
      break;
    case Action::signOut:
      signOut();
      break;
    case Action::sync:
      startSync();
      break;
    case Action::devices:
      startDevices();
      break;
    case Action::exportBackup:
    case Action::importBackup:
      // On the token field, e and i typed (never pasted: a pasted token
      // may start with e) are the local backup's export and import.
      if (entry_ == Entry::none || !state_.pasting) {
        openBackupEntry(*action == Action::exportBackup);
        break;
      }
      [[fallthrough]];
    case Action::typeText:
      // Only what a token or a path can hold; a paste may bring anything.
      for (unsigned char c : key.text) {
        if (c < 0x20 || c == 0x7F) return Transition::stay();
      }
      if (entryText_.size() + key.text.size() <= maximumEntryBytes) entryText_ += key.text;
      break;
    case Action::erase:
      dropLastCharacter(entryText_);
      break;
    case Action::submit:
      submitEntry();
      break;
    case Action::leaveField:
      entryText_.clear();
      // From a backup's path back to the screen it was asked on; from the
      // token field home.
      if (entry_ == Entry::token) return Transition::go(ScreenId::home);
      entry_ = state_.signedIn() ? Entry::none : Entry::token;
      break;
  }
  return Transition::stay();
}

void AccountScreen::tick() {
  if (!task_ || !task_->done()) return;
  std::unique_ptr<AccountTask> task = std::move(task_);
  std::optional<HostMessage> failure = task->finish();
  if (failure) {
    accountMessage_ = state_.say("{1} failed: {2}", {state_.say(taskTitle_), words(*failure)});
    accountFailed_ = true;
    if (task->sessionRefused() && state_.signedIn())
      signOut(untranslated(state_.say("{1} You are signed out; sign in again.", {accountMessage_})));
  }
}

void AccountScreen::render(Frame& frame, double) const {
  frame.put(0, 1, state_.say("Account"), Style::title);
  int row = 2;
  // Paragraphs wrap to the screen; each takes at most `limit` rows.
  auto paragraph = [&](const std::string& text, Style style, int limit) {
    for (const std::string& line : wrapWords(text, frame.width() - 4)) {
      if (limit-- == 0) break;
      frame.put(row++, 3, line, style);
    }
  };
  if (state_.signedIn()) {
    const AccountProfile& profile = *state_.account.profile;
    // Values start two columns after the widest label.
    const std::string labels[] = {state_.say("Name"), state_.say("Email"), state_.say("Account id"), state_.say("Last sync")};
    int labelWidth = 0;
    for (const std::string& label : labels)
      labelWidth = std::max(labelWidth, Frame::displayWidth(label) + 2);
    auto labelled = [&](const std::string& label, const std::string& value) {
      frame.put(row, 3, label, Style::normal);
      frame.put(row++, 3 + labelWidth, value, Style::normal);
    };
    labelled(labels[0], profile.name);
    labelled(labels[1], profile.email.empty() ? "-" : profile.email);
    labelled(labels[2], profile.id);
    std::optional<std::string> lastSync = state_.account.lastSync ? utcText(*state_.account.lastSync) : std::nullopt;
    labelled(labels[3], lastSync ? *lastSync : state_.say("never"));
    row++;
    if (askOwner_ && !task_) {
      // Both names come from outside (the service, the record); the frame
      // draws any terminal control in them as U+FFFD.
      const std::optional<AttemptOwners::Holder>& holder = state_.owners.holder();
      std::string before = holder ? state_.say("{1} (account id {2})", {holder->name, holder->id})
                                  : state_.say("an account this computer can no longer name");
      paragraph(state_.say("The scores on this computer were last synced with {1}, not with {2}.",
                  {before, profile.name}),
                Style::warning, 3);
      paragraph(state_.say("Keep this computer's scores out of your account (Enter), or add them to it "
                  "(m)? Sync Now waits for your answer."),
                Style::normal, 3);
      row++;
    }
  } else {
    frame.put(row++, 3, state_.say("Not signed in."), Style::normal);
    if (state_.invalidProfile)
      paragraph(state_.say("The saved account profile is not valid (an empty id or control characters); "
                  "it is not used. Sign in again."),
                Style::warning, 2);
    else if (state_.account.profile)
      paragraph(state_.say("The session token of {1} is missing or unreadable; paste it again to sign in.",
                  {state_.account.profile->name}),
                Style::warning, 2);
    paragraph(state_.say("Paste a session token (64 characters 0-9 a-f) and press Enter."), Style::normal,
              2);
    paragraph(state_.say("It is kept in {1}, readable by you alone.", {words(tokens_.where())}),
              Style::dim, 2);
    if (browser_.pending()) {
      row++;
      paragraph(state_.say("Or sign in with a browser: open the page below and sign in, then paste here "
                  "the address the browser is sent to, which starts with:"),
                Style::normal, 3);
      // An address whole on a row of its own: wrapped inside a paragraph it
      // could break in the middle of its scheme.
      frame.put(row++, 5, std::string(AccountBrowserLogin::callbackURL) + "?...", Style::normal);
      paragraph(state_.say("The page address, good for 10 minutes, is also in {1}:",
                  {browserPageFile(state_.paths.configFolder).string()}),
                Style::dim, 2);
      // Cut by columns, not words: the address has no spaces to break at.
      std::string url(browser_.pending()->url().buffer());
      int width = frame.width() - 6;
      for (std::size_t start = 0; start < url.size() && row < frame.height() - 8;
           start += static_cast<std::size_t>(width)) {
        frame.put(row++, 3, url.substr(start, static_cast<std::size_t>(width)), Style::active);
      }
    }
    row++;
  }
  if (state_.signedIn() && devices_) {
    frame.put(row++, 3, state_.say("Devices signed in ({1}):", {std::to_string(devices_->size())}),
              Style::normal);
    std::size_t shown = 0;
    for (const AccountDevice& device : *devices_) {
      if (row >= frame.height() - 5) {
        frame.put(row++, 5, state_.say("and {1} more", {std::to_string(devices_->size() - shown)}),
                  Style::dim);
        break;
      }
      std::string line = device.clientLabel();
      if (!device.platform.empty()) line += " · " + device.platform;
      if (auto where = device.locationLabel()) line += " · " + *where;
      if (device.lastSeen) line.append(" · ").append(state_.say("last seen {1}", {*device.lastSeen}));
      if (device.current) line.append(" ").append(state_.say("(this one)"));
      frame.put(row++, 5, line, device.current ? Style::selected : Style::normal);
      ++shown;
    }
    row++;
  }
  if (entry_ == Entry::token) {
    // The token is never drawn: one mark per character typed, as many as
    // the line has room for.
    int room = frame.width() - 4 - Frame::displayWidth(state_.say("Token or address: {1}", {""}));
    std::string marks(std::min<std::size_t>(entryText_.size(),
                                            static_cast<std::size_t>(std::max(0, room))),
                      '*');
    frame.put(row++, 3, state_.say("Token or address: {1}", {marks}), task_ ? Style::dim : Style::selected);
  } else if (entry_ == Entry::exportPath || entry_ == Entry::importPath) {
    frame.put(row++, 3,
              state_.say(entry_ == Entry::exportPath ? "Export the scores to this file (Enter):"
                                            : "Import a backup file (type its path, Enter):"),
              Style::normal);
    frame.put(row++, 3, entryText_ + "_", Style::selected);
  }
  row++;
  if (task_) {
    std::string progress = words(task_->progress());
    frame.put(row++, 3,
              state_.say("{1}: {2} · Esc cancels",
                {state_.say(taskTitle_), task_->cancelled() ? state_.say("cancelling…") : progress}),
              Style::active);
  }
  if (!accountMessage_.empty()) {
    for (const std::string& line : wrapWords(accountMessage_, frame.width() - 4)) {
      if (row >= frame.height() - 2) break;
      frame.put(row++, 3, line, accountFailed_ ? Style::warning : Style::normal);
    }
  }
  if (!state_.status.empty()) frame.put(frame.height() - 2, 1, state_.status, Style::dim);
}

}  // namespace tavro::terminal
