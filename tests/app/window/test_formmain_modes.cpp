// Choosing a resize mode changes what the mode shows, never the window's size or where the
// mode buttons stand, so the next click lands where the user aims.
#include <QGroupBox>
#include <QRadioButton>

#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, SwitchingModesKeepsTheWindowAndTheButtonsInPlace) {
  TMainForm& f = ReadyForm();
  const QList<QRadioButton*> radios{f.radXDecrease, f.radXIncrease,  f.radSameSize,
                                    f.radSameWidth, f.radSameHeight, f.radFitInBox};
  const auto places = [&] {
    QList<QRect> rects;
    for (QRadioButton* radio : radios) {
      rects.append(QRect(radio->mapTo(&f, QPoint(0, 0)), radio->size()));
    }
    return rects;
  };
  QTest::mouseClick(f.radXDecrease, Qt::LeftButton);
  QApplication::processEvents();
  const QSize size = f.size();
  const QSize minimum = f.minimumSizeHint();
  const QList<QRect> before = places();
  // Every mode after every other, as a user trying them out would.
  for (int round = 0; round < 2; ++round) {
    for (QRadioButton* radio : radios) {
      QTest::mouseClick(radio, Qt::LeftButton);
      QApplication::processEvents();
      ASSERT_TRUE(radio->isChecked()) << radio->objectName().toStdString();
      EXPECT_EQ(f.size(), size) << radio->objectName().toStdString();
      EXPECT_EQ(f.minimumSizeHint(), minimum) << radio->objectName().toStdString();
      EXPECT_EQ(places(), before) << radio->objectName().toStdString();
    }
  }
  // The mode's own controls still come and go.
  QTest::mouseClick(f.radSameSize, Qt::LeftButton);
  EXPECT_TRUE(f.grpOutRatio->isVisible());
  EXPECT_FALSE(f.grpX->isVisible());
  QTest::mouseClick(f.radSameWidth, Qt::LeftButton);
  EXPECT_FALSE(f.grpOutRatio->isVisible());
  EXPECT_TRUE(f.spnWH->isVisible());
}
