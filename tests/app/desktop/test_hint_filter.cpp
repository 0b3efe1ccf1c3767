// The built-in help: tooltips in three modes, the hide pause, the status line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include "desktop/hint_filter.h"

namespace velora::app {
namespace {

struct Shown {
  QString text;
  QWidget* widget;
  int msecs;
};

struct HintFixture : ::testing::Test {
  HintFixture()
      : filter([this] { return mode; }, [this](const QString& text) { status.push_back(text); }) {
    auto* layout = new QVBoxLayout(&window);
    first = new QLabel(QStringLiteral("first"));
    first->setToolTip(QStringLiteral("Short|Long part\r\nsecond line"));
    second = new QLabel(QStringLiteral("second"));
    second->setToolTip(QStringLiteral("Recommended: 75-95.\r\rFor best"));
    group = new QWidget;
    group->setToolTip(QStringLiteral("The group's help"));
    inner = new QLabel(QStringLiteral("no help of its own"), group);
    plain = new QLabel(QStringLiteral("no help anywhere"));
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second), group,
                       static_cast<QWidget*>(plain)}) {
      layout->addWidget(w);
    }
    filter.SetTooltipShower([this](const QPoint&, const QString& text, QWidget* w, int msecs) {
      shown.push_back({text, w, msecs});
    });
    filter.Install();
    window.show();
  }

  static void Enter(QWidget* w) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &event);
  }
  static void Leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
  }
  // The mouse rests on the widget: Qt asks for its tooltip.
  static bool AskToolTip(QWidget* w) {
    QHelpEvent event(QEvent::ToolTip, QPoint(1, 1), w->mapToGlobal(QPoint(1, 1)));
    return QCoreApplication::sendEvent(w, &event);
  }

  HintMode mode = HintMode::Tooltips;
  std::vector<QString> status;
  std::vector<Shown> shown;
  QWidget window;
  QLabel* first;
  QLabel* second;
  QWidget* group;
  QLabel* inner;
  QLabel* plain;
  THintFilter filter;  // declared last: goes first, before the widgets it watches
};

TEST(HintTexts, ShortAndLongPartsAndLineBreaks) {
  EXPECT_EQ(ShortHint("Short|Long"), "Short");
  EXPECT_EQ(LongHint("Short|Long|more"), "Long|more");
  EXPECT_EQ(ShortHint("Whole"), "Whole");
  EXPECT_EQ(LongHint("Whole"), "Whole");
  EXPECT_EQ(HintDisplayText("a\r\nb\rc\nd"), "a\nb\nc\nd");
  EXPECT_EQ(LongHint("one.\r\ntwo.\r\rthree"), "one. two. three");
}

TEST_F(HintFixture, TooltipsShowTheShortPartWithTheHidePauseAndLineBreaks) {
  EXPECT_TRUE(AskToolTip(first));
  filter.SetHidePause(800);
  EXPECT_TRUE(AskToolTip(second));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Short");
  EXPECT_EQ(shown[0].widget, first);
  EXPECT_EQ(shown[0].msecs, 4000);
  EXPECT_EQ(shown[1].text, "Recommended: 75-95.\n\nFor best");
  EXPECT_EQ(shown[1].msecs, 800);
  EXPECT_TRUE(status.empty());  // the status line is the third mode's
}

TEST_F(HintFixture, AWidgetWithoutHelpShowsItsParentsAndNoHelpShowsNothing) {
  AskToolTip(inner);
  AskToolTip(plain);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "The group's help");
  EXPECT_EQ(shown[0].widget, inner);
}

TEST_F(HintFixture, TurnedOffTakesEffectWhenTheHelpTextUnderTheMouseChanges) {
  Enter(first);
  mode = HintMode::Off;
  AskToolTip(first);  // the same help text: the mode is not read again yet
  EXPECT_EQ(shown.size(), 1u);
  Enter(second);
  EXPECT_FALSE(filter.TooltipsOn());
  EXPECT_TRUE(AskToolTip(second));  // swallowed, nothing shown
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(status.empty());

  mode = HintMode::Tooltips;
  Enter(first);
  AskToolTip(first);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(HintFixture, TheThirdModeAlsoPutsTheLongHintIntoTheStatusLine) {
  mode = HintMode::TooltipsAndStatusLine;
  Enter(first);
  Enter(inner);
  Leave(inner);  // back over the group
  Enter(plain);
  Enter(second);
  AskToolTip(second);
  const std::vector<QString> expected = {"Long part second line", "The group's help", "",
                                         "Recommended: 75-95. For best"};
  EXPECT_EQ(status, expected);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Recommended: 75-95.\n\nFor best");
}

// Qt's status tips would clear the status line whenever the mouse passes a menu entry.
TEST(HintFilterStatusTips, AreSwallowedSoTheStatusLineKeepsItsText) {
  QMainWindow window;
  auto* child = new QLabel(QStringLiteral("x"));
  window.setCentralWidget(child);
  window.show();
  QStatusTipEvent clearing{QString()};
  window.statusBar()->showMessage(QStringLiteral("Batch job done in 1.23 sec"));
  QCoreApplication::sendEvent(child, &clearing);
  ASSERT_EQ(window.statusBar()->currentMessage(), "");  // what happens without the filter

  THintFilter filter([] { return HintMode::TooltipsAndStatusLine; }, [](const QString&) {});
  filter.Install();
  window.statusBar()->showMessage(QStringLiteral("Batch job done in 1.23 sec"));
  QCoreApplication::sendEvent(child, &clearing);
  EXPECT_EQ(window.statusBar()->currentMessage(), "Batch job done in 1.23 sec");
}

TEST(HintFilterToolTip, TheRealTooltipHidesAfterThePause) {
  QLabel label(QStringLiteral("hover me"));
  label.setToolTip(QStringLiteral("first line\r\nsecond line"));
  label.show();
  label.activateWindow();  // activating it later would hide the tip at once
  ASSERT_TRUE(QTest::qWaitForWindowActive(&label));
  THintFilter filter([] { return HintMode::Tooltips; }, [](const QString&) {});
  filter.SetHidePause(800);
  filter.Install();
  QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), label.mapToGlobal(QPoint(2, 2)));
  QElapsedTimer clock;
  clock.start();
  QCoreApplication::sendEvent(&label, &event);
  ASSERT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "first line\nsecond line");
  QTest::qWait(300);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
  EXPECT_GE(clock.elapsed(), 800 * 95 / 100);  // Qt's coarse timers may fire 5 % early
}

}  // namespace
}  // namespace velora::app
