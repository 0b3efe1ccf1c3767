// The product's look at start-up, dropped at once when turned off; the window's opacity.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QWidget>

#include "desktop/opacity.h"
#include "desktop/skin_engine.h"

namespace velora::app {
namespace {

TEST(Opacity, TheValueOver255ClampedTo30To255) {
  const struct {
    int value;
    double opacity;
  } cases[] = {{255, 1.0},       {252, 252 / 255.0}, {199, 199 / 255.0}, {30, 30 / 255.0},
               {29, 30 / 255.0}, {0, 30 / 255.0},    {-5, 30 / 255.0},   {300, 1.0}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(WindowOpacityOf(c.value), c.opacity) << c.value;
  }
  QWidget window;
  ApplyOpacity(&window, 252);
  EXPECT_NEAR(window.windowOpacity(), 252 / 255.0, 1e-3);
  ApplyOpacity(&window, 255);
  EXPECT_EQ(window.windowOpacity(), 1.0);  // transparency off
  ApplyOpacity(&window, 10);
  EXPECT_NEAR(window.windowOpacity(), 30 / 255.0, 1e-3);
}

TEST(SkinEngine, OffAtStartUpTheDesktopsStyleStaysAndTurningItOnChangesNothing) {
  const QString desktopStyle = QApplication::style()->name();
  const QPalette desktopPalette = QApplication::palette();
  TSkinEngine skins;
  skins.Start(false);
  skins.SkinsClicked(true);
  EXPECT_FALSE(skins.Active());
  EXPECT_EQ(QApplication::style()->name(), desktopStyle);
  EXPECT_EQ(QApplication::palette(), desktopPalette);
}

TEST(SkinEngine, OnAtStartUpTheProductsLookUntilTurnedOff) {
  // Offscreen the desktop's style is Fusion already; pretend it is another one.
  const QString offscreenStyle = QApplication::style()->name();
  ASSERT_TRUE(QApplication::setStyle(QStringLiteral("Windows")));
  const QString desktopStyle = QApplication::style()->name();
  const QColor desktopWindow = QApplication::palette().color(QPalette::Window);
  TSkinEngine skins;
  skins.Start(true);
  EXPECT_TRUE(skins.Active());
  EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(192, 200, 191));
  QWidget widget;
  EXPECT_EQ(widget.palette().color(QPalette::Window), QColor(192, 200, 191));

  skins.SkinsClicked(true);  // still on: nothing
  EXPECT_TRUE(skins.Active());
  skins.SkinsClicked(false);  // off: the desktop's look at once
  EXPECT_FALSE(skins.Active());
  EXPECT_EQ(QApplication::style()->name(), desktopStyle);
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), desktopWindow);
  skins.SkinsClicked(true);  // and not back before the next start
  EXPECT_FALSE(skins.Active());
  EXPECT_EQ(QApplication::style()->name(), desktopStyle);
  QApplication::setStyle(offscreenStyle);
}

}  // namespace
}  // namespace velora::app
