// The test program runs offscreen, with a home and settings folder of its own.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>

TEST(AppTestEnvironment, RunsOffscreenInATemporaryHome) {
  EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
  EXPECT_TRUE(QDir::homePath().startsWith(QDir::tempPath()));
  EXPECT_EQ(qgetenv("XDG_CONFIG_HOME"), (QDir::homePath() + "/.config").toUtf8());
}
