// The one Qt application of the desktop tutor's test program, on the
// offscreen platform (no display needed), made by whichever test asks first.
#pragma once

#include <QApplication>

#include <cstdlib>

namespace tavro::desktop::testing {

inline QApplication& offscreenApplication() {
  static int argc = 1;
  static char name[] = "TavroDesktopTests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

}  // namespace tavro::desktop::testing
