// The "www" label: colours and underline under the mouse, opening its address on a click.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "controls/click_label.h"
#include "controls/internet_label.h"
#include "desktop_fakes.h"

namespace velora::app {
namespace {

using testing::OpenedUrls;

void Enter(QWidget* w) {
  QEnterEvent event(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
  QCoreApplication::sendEvent(w, &event);
}

void Leave(QWidget* w) {
  QEvent event(QEvent::Leave);
  QCoreApplication::sendEvent(w, &event);
}

TEST(InternetLabel, StartsBlueUnderlinedWithAHandCursor) {
  TInternetLabel label;
  EXPECT_EQ(label.text(), "www");
  EXPECT_EQ(label.TextColor(), QColor(0, 0, 255));
  EXPECT_TRUE(label.Underlined());
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(label.Visited());
  EXPECT_TRUE(label.toolTip().isEmpty());  // the address is not its hint
}

TEST(InternetLabel, RedAndUnderlinedOnlyWhileTheMouseIsOver) {
  TInternetLabel label;
  Enter(&label);
  EXPECT_EQ(label.TextColor(), QColor(255, 0, 0));
  EXPECT_TRUE(label.Underlined());
  Leave(&label);
  EXPECT_EQ(label.TextColor(), QColor(0, 0, 255));
  EXPECT_FALSE(label.Underlined());
}

TEST(InternetLabel, AClickOpensTheLinkAndVisitedFollowsTheDesktopsAnswer) {
  OpenedUrls opened(true);
  TInternetLabel label;
  label.SetLink("https://www.velora.example/image-resizer/");
  label.resize(40, 20);
  label.show();
  Enter(&label);
  QTest::mouseClick(&label, Qt::LeftButton);
  ASSERT_EQ(opened.urls.size(), 1u);
  EXPECT_EQ(opened.urls[0], QUrl("https://www.velora.example/image-resizer/"));
  EXPECT_TRUE(label.Visited());
  EXPECT_EQ(label.TextColor(), QColor(128, 0, 128));
  Leave(&label);
  EXPECT_EQ(label.TextColor(), QColor(128, 0, 128));

  // Refused by the desktop: not visited (any more).
  opened.SetAccept(false);
  QTest::mouseClick(&label, Qt::LeftButton);
  EXPECT_EQ(opened.urls.size(), 2u);
  EXPECT_FALSE(label.Visited());
  EXPECT_EQ(label.TextColor(), QColor(0, 0, 255));
}

TEST(InternetLabel, WithoutALinkAClickOpensNothing) {
  OpenedUrls opened;
  TInternetLabel label;
  label.resize(40, 20);
  label.show();
  QTest::mouseClick(&label, Qt::LeftButton);
  EXPECT_TRUE(opened.urls.empty());
  EXPECT_FALSE(label.Visited());
}

TEST(ClickLabel, ClicksOnlyForTheLeftButtonReleasedOverIt) {
  TClickLabel label(QStringLiteral("IMAGE MAY GET DISTORTED"));
  label.resize(200, 20);
  label.show();
  QSignalSpy clicks(&label, &TClickLabel::Click);
  QTest::mouseClick(&label, Qt::LeftButton);
  QTest::mouseClick(&label, Qt::RightButton);
  EXPECT_EQ(clicks.count(), 1);
  // Pressed on the label, released outside it: no click.
  QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(500, 5));
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
}  // namespace velora::app
