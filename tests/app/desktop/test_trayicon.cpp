// The tray icon: minimizing hides the window in the tray only where the icon can show,
// and a click on the icon brings the window back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include "desktop/trayicon.h"
#include "desktop_fakes.h"

namespace velora::app {
namespace {

using testing::FakeTray;
using testing::FakeTrayState;

struct TrayFixture : ::testing::Test {
  TrayFixture() {
    window.resize(200, 100);
    tray = new TTrayIcon(&window, std::make_unique<FakeTray>(&state));
    QObject::connect(tray, &TTrayIcon::Click, tray, &TTrayIcon::RestoreWindow);
    window.show();
  }
  void Minimize() {
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
    QCoreApplication::processEvents();
  }

  FakeTrayState state;  // outlives the window, which owns the icon and its tray
  QWidget window;
  TTrayIcon* tray;
};

TEST_F(TrayFixture, MinimizingHidesTheWindowInTheTrayAndAClickBringsItBack) {
  tray->SetMinimizeToTray(true);
  EXPECT_FALSE(tray->IconVisible());
  Minimize();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(tray->IconVisible());

  state.click();  // left click on the icon
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_FALSE(tray->IconVisible());
}

TEST_F(TrayFixture, WhileInTheTrayClosingAnotherWindowDoesNotEndTheProgram) {
  ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
  tray->SetMinimizeToTray(true);
  Minimize();
  ASSERT_TRUE(tray->InTray());
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
  tray->RestoreWindow();
  EXPECT_FALSE(tray->InTray());
  EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST_F(TrayFixture, WhenTheTrayGoesAwayTheWindowComesBackByItself) {
  tray->SetMinimizeToTray(true);
  Minimize();
  ASSERT_FALSE(window.isVisible());
  state.available = false;  // the panel is gone
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 5 * TTrayIcon::kTrayCheckMsecs));
  EXPECT_FALSE(window.isMinimized());
  EXPECT_FALSE(tray->InTray());
}

TEST_F(TrayFixture, WithMinimizeToTrayOffTheWindowMinimizesAsUsual) {
  Minimize();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  EXPECT_FALSE(tray->IconVisible());
}

TEST_F(TrayFixture, WithoutATrayTheWindowIsNeverHidden) {
  tray->SetMinimizeToTray(true);
  state.available = false;
  Minimize();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(tray->IconVisible());

  // A tray exists but the icon does not appear.
  tray->RestoreWindow();
  state.available = true;
  state.showFails = true;
  Minimize();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(tray->IconVisible());
}

TEST_F(TrayFixture, TheIconCarriesTheWindowsMenuAndItsIcon) {
  QMenu menu(&window);
  menu.addAction(QStringLiteral("Exit"))->setObjectName(QStringLiteral("mnuExit"));
  tray->SetPopupMenu(&menu);
  tray->SetIcon(QIcon());
  EXPECT_EQ(state.menu, &menu);
  EXPECT_EQ(tray->PopupMenu(), &menu);
  EXPECT_EQ(state.iconsSet, 1);
}

TEST_F(TrayFixture, ClicksAreReportedAsClick) {
  QSignalSpy clicks(tray, &TTrayIcon::Click);
  state.click();
  EXPECT_EQ(clicks.count(), 1);
}

// Offscreen there is no tray: the real icon keeps the window on the task bar.
TEST(TrayIcon, TheRealTrayOffscreenNeverHidesTheWindow) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  QWidget window;
  TTrayIcon tray(&window);
  tray.SetMinimizeToTray(true);
  window.show();
  window.setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(tray.IconVisible());
}

}  // namespace
}  // namespace velora::app
