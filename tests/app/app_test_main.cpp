// The window tests' entry point: no display (offscreen), and a home and settings folder
// of their own, so no test can read or write a real user's files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir home;  // removed with everything in it when the tests end
  if (!home.isValid()) return 2;
  const QByteArray homePath = home.path().toUtf8();
  setenv("HOME", homePath.constData(), 1);
  setenv("XDG_CONFIG_HOME", (homePath + "/.config").constData(), 1);
  unsetenv("XDG_DESKTOP_DIR");
  unsetenv("XDG_DOCUMENTS_DIR");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  Q_INIT_RESOURCE(resources);  // the window's pictures and texts
  return RUN_ALL_TESTS();
}
