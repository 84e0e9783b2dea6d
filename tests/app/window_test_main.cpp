// The main of every window test program: a QApplication on Qt's offscreen
// platform unless the test runs in a real X server, and the browser engine
// started as the program starts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>

#include "app/window/engine_flags.h"

int main(int argc, char** argv) {
#ifndef QUILLFEN_REAL_DISPLAY
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", BrowserEngineFlags(nullptr, geteuid() == 0, "--disable-gpu").c_str(), 1);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
