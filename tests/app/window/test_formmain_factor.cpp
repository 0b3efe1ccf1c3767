// The factor's whole box takes digits only; a decimal separator typed there moves on to
// the tenths, so "2.5" typed in one go is 2.5.
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>

#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

namespace {

// Types each key into whichever control has the keyboard focus at that moment.
void TypeAtFocus(const char* keys) {
  for (const char* key = keys; *key != '\0'; ++key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, *key);
  }
}

}  // namespace

TEST_F(MainFormTest, TheFactorIsTypedInOneGo) {
  TMainForm& f = ReadyForm();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  QTest::mouseClick(f.radXDecrease, Qt::LeftButton);
  struct Case {
    const char* keys;
    int whole;
    int tenths;
  };
  const Case cases[] = {
      {"2.5", 2, 5}, {"3,7", 3, 7}, {"4a.1", 4, 1}, {"7.", 7, 0}, {"10.9", 10, 9},
  };
  for (const Case& c : cases) {
    f.spnZecimal->SetValue(0);
    f.spnRound->setFocus();
    f.spnRound->selectAll();
    TypeAtFocus(c.keys);
    EXPECT_EQ(f.spnRound->Value(), c.whole) << c.keys;
    EXPECT_EQ(f.spnZecimal->Value(), c.tenths) << c.keys;
    EXPECT_TRUE(f.spnZecimal->hasFocus()) << c.keys;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(f.spnRound->Value(), c.whole) << c.keys;
    EXPECT_EQ(f.spnZecimal->Value(), c.tenths) << c.keys;
  }
  // Letters and separators never stand in the whole box.
  f.spnRound->setFocus();
  f.spnRound->selectAll();
  TypeAtFocus("x,");
  EXPECT_FALSE(f.spnRound->findChild<QLineEdit*>()->text().contains(QRegularExpression("[^0-9]")));
}
