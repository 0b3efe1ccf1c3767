// Pictures of the window for a person to look at: run with VELORA_SHOT_DIR set (and
// QT_SCALE_FACTOR=2 for 200 %); otherwise skipped.
#include <QCheckBox>
#include <QRadioButton>

#include "controls/TarnoSelectFolder.h"
#include "mainform_fixture.h"
#include "window/FormAbout.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, Screenshots) {
  const QString dir = qEnvironmentVariable("VELORA_SHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "VELORA_SHOT_DIR not set";
  const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
  auto shoot = [&](QWidget& w, const QString& name) {
    QApplication::processEvents();
    w.grab().save(dir + "/" + name + "@" + scale + ".png");
  };
  {
    TMainForm& f = MakeForm();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    shoot(f, "first-run");
  }
  AddPicture("landscape.bmp", 320, 200, 1);
  AddPicture("portrait.bmp", 200, 320, 2);
  AddPicture("square.bmp", 256, 256, 3);
  TMainForm& f = ReadyForm();
  f.resize(874, 643);
  const std::pair<QRadioButton*, const char*> modes[] = {{f.radXDecrease, "resizer-decrease"},
                                                         {f.radSameSize, "resizer-same-size"},
                                                         {f.radSameWidth, "resizer-same-width"},
                                                         {f.radSameHeight, "resizer-same-height"}};
  for (const auto& [radio, name] : modes) {
    radio->click();
    shoot(f, name);
  }
  f.radXDecrease->click();
  f.chkPreview->setChecked(true);
  f.actSellAll->trigger();
  f.actStart->trigger();
  shoot(f, "resizer-after-batch");
  f.PageControl->SetActivePageIndex(2);
  shoot(f, "settings");
  f.PageControl->SetActivePageIndex(4);
  shoot(f, "log");

  TSelectDirDlg chooser;
  chooser.SetDirectory(QString::fromStdString(Folder()));
  chooser.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
  shoot(chooser, "folder-chooser");
  TAboutBox about;
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  shoot(about, "about");
}
