// press-keys: presses physical keys on the X display in $DISPLAY through the
// XTEST extension, as a keyboard would: each argument is an X11 keycode,
// with ":shift" or ":ctrl" to hold Shift or Control over it. The end-to-end
// tests type with it because a keycode, unlike a keysym, names the key
// whatever layout the display has (the JIS keys among them).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "press-keys: cannot open the display\n");
    return 1;
  }
  const unsigned shiftKeycode = 50;    // Shift_L
  const unsigned controlKeycode = 37;  // Control_L
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    unsigned modifier = 0;
    if (std::size_t colon = argument.find(':'); colon != std::string::npos) {
      std::string name = argument.substr(colon + 1);
      modifier = name == "shift" ? shiftKeycode : name == "ctrl" ? controlKeycode : 1;
      argument.resize(colon);
    }
    char* end = nullptr;
    unsigned long code = std::strtoul(argument.c_str(), &end, 10);
    if (end == argument.c_str() || *end != '\0' || code < 8 || code > 255 || modifier == 1) {
      std::fprintf(stderr, "press-keys: not a keycode: %s\n", argv[i]);
      XCloseDisplay(display);
      return 1;
    }
    if (modifier != 0) XTestFakeKeyEvent(display, modifier, True, 0);
    XTestFakeKeyEvent(display, static_cast<unsigned>(code), True, 0);
    XTestFakeKeyEvent(display, static_cast<unsigned>(code), False, 0);
    if (modifier != 0) XTestFakeKeyEvent(display, modifier, False, 0);
    XSync(display, False);
    // A keyboard's pace: each key a separate event for the program.
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  XCloseDisplay(display);
  return 0;
}
