// Arbitrary terminal input (keys, pastes, escape sequences, broken UTF-8)
// driven through the tutor's screen model: every key handled and every
// screen laid out at a size the input chooses, with saving off. An Escape
// byte and the bytes after it go through the escape-sequence decoder, as
// the terminal layer reads them.
//
// An input whose third byte is 0xFF first brings a stored text, up to the
// next NUL byte: the signed-in account's name, the name of the account that
// synced the scores last (so the account screen asks whose they are) and an
// attempt's mode, as a hostile service or a hostile file may hold them.
#include "Platform/UserDefaults.h"
#include "TavroTerminal/Frame.h"
#include "TavroHost/AccountFiles.h"
#include "TavroHost/AttemptOwners.h"
#include "TavroTerminal/EscapeSequence.h"
#include "TavroTerminal/Tutor.h"

#include "Support/JsonEncoding.h"
#include "TavroCore/account/AccountState.h"
#include "TavroCore/settings/FirstLaunchSetup.h"

#include <stdlib.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace tavro;
using namespace tavro::terminal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
  (void)locale;
  if (size < 2) return 0;
  platform::InMemoryUserDefaults preferences;
  LoadedArchive unsaved;
  unsaved.canSave = false;
  StoragePaths paths{"/nonexistent", "/nonexistent"};
  std::size_t at = 2;
  if (size > 2 && data[2] == 0xFF) {
    // One folder per fuzzing process for the token and the record.
    static const std::filesystem::path folder = [] {
      char name[] = "/tmp/fuzz_tutor_keys-XXXXXX";
      return std::filesystem::path(::mkdtemp(name) ? name : "/nonexistent");
    }();
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data + 3, 0, size - 3));
    std::size_t stop = end ? static_cast<std::size_t>(end - data) : size;
    std::string stored(reinterpret_cast<const char*>(data + 3), stop - 3);
    at = end ? stop + 1 : size;
    paths = StoragePaths{folder, folder};
    preferences.set(FirstLaunchSetup::completedKey, true);
    writeToken(tokenFile(folder), std::string(64, 'a'));
    // Text that is not UTF-8 cannot be stored in JSON; the places that
    // can hold it still do.
    try {
      AccountState(AccountProfile("acct-fuzz", "x" + stored, "")).save(preferences);
    } catch (const std::exception&) {
    }
    try {
      writeFileAtomically(attemptOwnersFile(folder),
                          json::encode(json::OrderedJson{{"schemaVersion", 1},
                                                         {"holder", {{"id", "acct-other"}, {"name", stored}}},
                                                         {"accounts", json::OrderedJson::array()},
                                                         {"keptApart", json::OrderedJson::array()}}));
    } catch (const std::exception&) {
    }
    unsaved.archive.attempts.emplace_back(stored.empty() ? "x" : stored, 1, 10, 1, 5.0);
  }
  Tutor tutor(paths, std::move(unsaved), preferences);
  Frame frame(60 + data[0] % 80, 18 + data[1] % 30);
  double now = 0;
  while (at < size && !tutor.finished()) {
    std::uint8_t byte = data[at++];
    Key key;
    switch (byte) {
      case 0x01:
        key = Key::of(Key::Kind::up);
        break;
      case 0x02:
        key = Key::of(Key::Kind::down);
        break;
      case 0x04:
        key = Key::of(Key::Kind::left);
        break;
      case 0x05:
        key = Key::of(Key::Kind::right);
        break;
      case 0x08:
        key = Key::of(Key::Kind::backspace);
        break;
      case 0x09:
        key = Key::of(Key::Kind::tab);
        break;
      case 0x0D:
        key = Key::of(Key::Kind::enter);
        break;
      case 0x06:
        key = Key::of(Key::Kind::home);
        break;
      case 0x0E:
        key = Key::of(Key::Kind::end);
        break;
      case 0x7F:
        key = Key::of(Key::Kind::del);
        break;
      case 0x1B: {
        // The bytes after it, one unit each, until the sequence is whole;
        // input that ends first is a lone Escape or a cut sequence.
        std::u32string after;
        std::vector<std::size_t> offsets;  // where each unit of `after` is in the input
        EscapeSequence::Decoded decoded;
        while (!(decoded = EscapeSequence::decode(after)).complete && at < size) {
          char32_t unit = data[at++];
          // Bounded as the terminal layer bounds it.
          if (after.size() < EscapeSequence::maximumLength || after[0] != U'[' ||
              !EscapeSequence::continuesSequence(unit)) {
            after += unit;
            offsets.push_back(at - 1);
          }
        }
        if (!decoded.complete) {
          if (!after.empty()) continue;
          key = Key::of(Key::Kind::escape);
          break;
        }
        // What the sequence did not take is input of its own.
        if (decoded.length < after.size()) at = offsets[decoded.length];
        if (decoded.pasteStart) {
          // Up to the end marker (or the input's end), as a paste.
          std::string text;
          while (at < size && !(data[at] == 0x1B && at + 5 < size &&
                                std::memcmp(data + at + 1, "[201~", 5) == 0))
            text += static_cast<char>(data[at++]);
          at = std::min(size, at + 6);
          key = Key::pasted(text);
          break;
        }
        if (!decoded.key) continue;
        key = *decoded.key;
        break;
      }
      default: {
        // One key's text: the byte and the continuation bytes after it.
        std::string text(1, static_cast<char>(byte));
        while (at < size && (data[at] & 0xC0) == 0x80 && text.size() < 4)
          text += static_cast<char>(data[at++]);
        key = Key::character(text);
      }
    }
    if (key.kind == Key::Kind::text && key.text == "q") continue;  // quitting ends the run early
    tutor.handle(key, now += 0.05);
    tutor.render(frame, now);
  }
  return 0;
}
