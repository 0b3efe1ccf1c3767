// The number boxes: typed text counts as it stands, limits apply on set, arrows and focus loss.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "controls/SpinEdit.h"

using velora::NumberBox;
using velora::app::TSpinEdit;

namespace {

void Type(TSpinEdit& box, const QString& text) {
  QLineEdit* edit = box.findChild<QLineEdit*>();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

}  // namespace

TEST(SpinEdit, TypedTextIsTheValueWithoutLimitsUntilFocusLeaves) {
  QWidget window;
  TSpinEdit box(NumberBox{1, 10}, 1, &window);
  QLineEdit other(&window);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  box.setFocus();
  Type(box, "0");
  EXPECT_EQ(box.Value(), 0);  // not yet limited
  Type(box, "77");
  EXPECT_EQ(box.Value(), 77);
  other.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(box.Value(), 10);
  EXPECT_EQ(box.text(), "10");
}

TEST(SpinEdit, ReadingAndLimitsFollowTheBoxKind) {
  struct Case {
    NumberBox limits;
    QString text;
    int read;
    int afterSet;  // SetValue(read)
  };
  const Case cases[] = {
      {{-1, 10}, "", -1, -1},
      {{1, 10}, "abc", 1, 1},
      {{}, "x", 0, 0},
      {{}, "-250", -250, -250},
      {{10, {}}, "4", 4, 10},
      {{10, {}}, "99999", 99999, 99999},
      {{30, 255}, "300", 300, 255},
      {{800, 20000}, "50", 50, 800},
  };
  for (const Case& c : cases) {
    TSpinEdit box(c.limits);
    box.findChild<QLineEdit*>()->setText(c.text);
    EXPECT_EQ(box.Value(), c.read) << c.text.toStdString();
    box.SetValue(box.Value());
    EXPECT_EQ(box.Value(), c.afterSet) << c.text.toStdString();
  }
}

TEST(SpinEdit, ArrowsStepByTheIncrementWithinLimitsAndSignalChanges) {
  TSpinEdit box(NumberBox{30, 255}, 3);
  box.SetValue(255);
  QSignalSpy changed(&box, &TSpinEdit::Changed);
  box.stepBy(-1);
  EXPECT_EQ(box.Value(), 252);
  box.stepBy(5);
  EXPECT_EQ(box.Value(), 255);
  EXPECT_EQ(changed.count(), 2);
  box.SetValue(255);  // the same text: no change
  EXPECT_EQ(changed.count(), 2);
}
