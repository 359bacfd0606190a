// Arbitrary terminal input (keys, pastes, escape sequences, broken UTF-8)
// driven through the tutor's screen model: every key handled and every
// screen laid out at a size the input chooses, with saving off.
#include "Platform/UserDefaults.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/Tutor.h"

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace tavro;
using namespace tavro::terminal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
  (void)locale;
  if (size < 2) return 0;
  platform::InMemoryUserDefaults preferences;
  LoadedArchive unsaved;
  unsaved.canSave = false;
  Tutor tutor(StoragePaths{"/nonexistent", "/nonexistent"}, std::move(unsaved), preferences);
  Frame frame(60 + data[0] % 80, 18 + data[1] % 30);
  double now = 0;
  std::size_t at = 2;
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
      case 0x1B:
        key = Key::of(Key::Kind::escape);
        break;
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
