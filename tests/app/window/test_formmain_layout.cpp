// The main window's controls, their design values, and the rules that tie them together.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, EveryControlIsThereByNameWithItsCaption) {
  TMainForm& f = MakeForm(false);
  const std::pair<const char*, const char*> captions[] = {
      {"Label6", "Process images in this folder:"},
      {"lblTop", "Files to be resized:"},
      {"btnInvert", "Invert selection"},
      {"btnRefresh", "Refresh files"},
      {"btnSellAll", "Select all"},
      {"lblQuality1", "Quality for the output images:"},
      {"lblQuality2", "JPEG quality"},
      {"radXDecrease", "Decrease image size x times"},
      {"radSameHeight", "Make all images of the same height:"},
      {"radFitInBox", "Make all images fit in a box of W x H (keep proportions)"},
      {"chkNeverEnlarge", "Never enlarge"},
      {"lblAspect", "IMAGE MAY GET DISTORTED"},
      {"btn43", "Set 4/3"},
      {"btnStart", "Resize selected"},
      {"btnAbort", "Abort"},
      {"btnResult", "Show result"},
      {"chkAutoStartUp", "Start when I log in"},
      {"Label2", "Auto search for updates every                   days"},
      {"lblHintHide", "Hide hint after                    milliseconds."},
      {"chkOverwrite", "Overwrite existing images"},
      {"btnAgree", "I agree"},
      {"Label3", "Not available yet."},
  };
  for (const auto& [name, caption] : captions) {
    QWidget* widget = f.findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    EXPECT_EQ(text.toStdString(), caption) << name;
  }
  for (const char* name :
       {"edtPath",       "FileList",  "FilterCombo",  "InternetLabel", "trkQuality",
        "proBar",        "spnRound",  "spnZecimal",   "spnWidth",      "spnHeight",
        "spnWH",         "imgLoader", "cmbResampleQ", "spnOpacity",    "spnHideHint",
        "spnAutoUpdate", "Memo",      "mmoLicense",   "StatBar",       "PageControl"}) {
    EXPECT_NE(f.findChild<QWidget*>(name), nullptr) << name;
  }
  EXPECT_EQ(f.windowTitle(), "Velora Image Resizer");
  EXPECT_EQ(f.Memo->toPlainText(), "Log:");
  // The design values before any settings are loaded.
  EXPECT_EQ(f.spnRound->Value(), 2);
  EXPECT_EQ(f.spnZecimal->Value(), 0);
  EXPECT_EQ(f.spnWidth->Value(), 0);
  EXPECT_EQ(f.spnHeight->Value(), 151);
  EXPECT_EQ(f.trkQuality->value(), 5);
  EXPECT_TRUE(f.radXIncrease->isChecked());
  EXPECT_EQ(f.cmbResampleQ->count(), 7);
  EXPECT_EQ(f.cmbResampleQ->currentText(), "Hermite");
  EXPECT_TRUE(f.chkProtect->isChecked());
  EXPECT_FALSE(f.chkPreview->isChecked());
  EXPECT_EQ(f.PageControl->TabBar()->tabText(1), "Thumb generator");
  EXPECT_FALSE(f.PageControl->TabVisible(1));
  // Hints keep their line breaks.
  EXPECT_EQ(f.btn43->toolTip(),
            "Set 4/3 aspect ratio.\nMost computer screens and digital cameras use this aspect "
            "ratio.");
  EXPECT_EQ(f.FileList->toolTip(),
            "All files in this list will be resized. The output will be placed into the "
            "\"Output\" folder.");
}

TEST_F(MainFormTest, ActionsHaveTheirShortcuts) {
  TMainForm& f = MakeForm(false);
  EXPECT_EQ(f.actStart->shortcut(), QKeySequence(Qt::Key_F9));
  EXPECT_EQ(f.actAbort->shortcut(), QKeySequence(Qt::Key_F11));
  EXPECT_EQ(f.actRefresh->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(f.actSellAll->shortcut(), QKeySequence(Qt::Key_F4));
  EXPECT_EQ(f.mnuOnlineHelp->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(f.mnuExit2->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F4));
  EXPECT_EQ(f.PopupMenu->actions().size(), 1);
  EXPECT_EQ(f.PopupMenu->actions().front()->text(), "Exit");
}

// "Never enlarge" has nothing to say when magnifying; the run takes the mode and the check
// box as they show.
TEST_F(MainFormTest, EachModeShowsItsInputs) {
  TMainForm& f = ReadyForm();
  struct Case {
    QRadioButton* TMainForm::*radio;
    velora::ResizeMode mode;
    bool factor, fixed, distorts, side, neverEnlarge;
  };
  const Case cases[] = {
      {&TMainForm::radXDecrease, velora::ResizeMode::DecreaseTimes, true, false, false, false,
       true},
      {&TMainForm::radXIncrease, velora::ResizeMode::IncreaseTimes, true, false, false, false,
       false},
      {&TMainForm::radSameSize, velora::ResizeMode::SameSize, false, true, true, false, true},
      {&TMainForm::radSameWidth, velora::ResizeMode::SameWidth, false, false, false, true, true},
      {&TMainForm::radSameHeight, velora::ResizeMode::SameHeight, false, false, false, true, true},
      {&TMainForm::radFitInBox, velora::ResizeMode::FitInBox, false, true, false, false, true},
      {&TMainForm::radXIncrease, velora::ResizeMode::IncreaseTimes, true, false, false, false,
       false},
      {&TMainForm::radFitInBox, velora::ResizeMode::FitInBox, false, true, false, false, true},
  };
  f.chkNeverEnlarge->setChecked(true);
  for (const Case& c : cases) {
    QRadioButton* radio = f.*c.radio;
    const std::string name = radio->objectName().toStdString();
    QTest::mouseClick(radio, Qt::LeftButton);
    ASSERT_TRUE(radio->isChecked()) << name;
    EXPECT_EQ(f.grpX->isVisible(), c.factor) << name;
    EXPECT_EQ(f.grpOutRatio->isVisible(), c.fixed) << name;
    EXPECT_EQ(f.btn43->isVisible(), c.fixed) << name;
    EXPECT_EQ(f.lblAspect->isVisible(), c.distorts) << name;
    EXPECT_EQ(f.spnWH->isVisible(), c.side) << name;
    EXPECT_EQ(f.chkNeverEnlarge->isEnabled(), c.neverEnlarge) << name;
    const velora::ResizeSettings settings = f.CurrentSettings();
    EXPECT_EQ(settings.Mode, c.mode) << name;
    EXPECT_TRUE(settings.NeverEnlarge) << name;
    QApplication::processEvents();  // the group lays itself out again
    if (c.side) {
      // The side box stands beside the selected caption.
      EXPECT_NEAR(f.spnWH->geometry().center().y(), radio->geometry().center().y(), 6);
    }
    if (c.factor) {
      EXPECT_EQ(f.spnRound->toolTip(), "How many times you want to increase/decrease the image");
    }
  }
  f.chkNeverEnlarge->setChecked(false);
  EXPECT_FALSE(f.CurrentSettings().NeverEnlarge);
}

TEST_F(MainFormTest, TenthsCarryAsTheArrowsAndTypingChangeThem) {
  TMainForm& f = ReadyForm();
  struct Case {
    int whole, tenths, steps, wantWhole, wantTenths;
  };
  const Case cases[] = {{2, 9, 1, 3, 0}, {2, 0, -1, 1, 9}, {1, 0, -1, 1, 0}, {10, 9, 1, 10, 0}};
  for (const Case& c : cases) {
    f.spnRound->SetValue(c.whole);
    f.spnZecimal->SetValue(c.tenths);
    f.spnZecimal->stepBy(c.steps);
    EXPECT_EQ(f.spnRound->Value(), c.wantWhole) << c.whole << "." << c.tenths;
    EXPECT_EQ(f.spnZecimal->Value(), c.wantTenths) << c.whole << "." << c.tenths;
  }
  // Emptying the tenths box reads as -1 and borrows at once.
  f.spnRound->SetValue(2);
  f.spnZecimal->SetValue(5);
  f.spnZecimal->findChild<QLineEdit*>()->clear();
  EXPECT_EQ(f.spnRound->Value(), 1);
  EXPECT_EQ(f.spnZecimal->Value(), 9);
}

TEST_F(MainFormTest, SetFourThirdsAndTheQualityDisplay) {
  TMainForm& f = ReadyForm();
  const std::pair<int, int> heights[] = {{640, 480}, {800, 600}, {8, 10}, {14, 10}};
  for (const auto& [width, height] : heights) {
    f.spnWidth->SetValue(width);
    QTest::mouseClick(f.btn43, Qt::LeftButton);
    EXPECT_EQ(f.spnHeight->Value(), height) << width;
  }
  const std::pair<int, int> bars[] = {{5, 26}, {50, 120}, {55, 135}, {95, 296}};
  for (const auto& [quality, bar] : bars) {
    f.AbortRequested = true;
    f.actStart->setEnabled(false);
    f.trkQuality->setValue(quality);
    EXPECT_EQ(f.proBar->value(), bar) << quality;
    EXPECT_EQ(f.lblQuality2->text(), QString::number(quality));
    EXPECT_EQ(Status(), "Quality: " + QString::number(quality));
    EXPECT_FALSE(f.AbortRequested);
    EXPECT_TRUE(f.actStart->isEnabled());
  }
}

TEST_F(MainFormTest, TheFilterListAlwaysHoldsOneOfItsRows) {
  TMainForm& f = ReadyForm();
  f.cmbResampleQ->setCurrentIndex(4);
  QLineEdit* edit = f.cmbResampleQ->lineEdit();
  edit->setText("No such filter");
  emit edit->editingFinished();
  EXPECT_EQ(f.cmbResampleQ->currentIndex(), 4);
  EXPECT_EQ(f.cmbResampleQ->currentText(), "B-Spline");
  edit->setText("lanczos3");
  emit edit->editingFinished();
  EXPECT_EQ(f.cmbResampleQ->currentIndex(), 5);
  EXPECT_EQ(f.CurrentSettings().FilterIndex, 5);
}

TEST_F(MainFormTest, EnterPressesThePagesDefaultButton) {
  AddPicture("a.bmp", 8, 6);
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  f.trkQuality->setFocus();
  QTest::keyClick(f.trkQuality, Qt::Key_Return);
  EXPECT_TRUE(f.JobLogText().contains("NEW BATCH JOB STARTED"));

  f.mnuLicenseClick();
  const int runs = f.JobLogText().count("NEW BATCH JOB STARTED");
  QTest::keyClick(f.mmoLicense, Qt::Key_Return);  // a multi-line box takes Enter itself
  EXPECT_EQ(f.PageControl->ActivePageIndex(), 3);
  f.btnAgree->clearFocus();
  f.PageControl->setFocus();
  QTest::keyClick(f.PageControl, Qt::Key_Return);
  EXPECT_EQ(f.PageControl->ActivePageIndex(), 0);
  EXPECT_FALSE(f.PageControl->TabVisible(3));
  EXPECT_EQ(f.JobLogText().count("NEW BATCH JOB STARTED"), runs);
}

TEST_F(MainFormTest, ListButtonsAndShowResult) {
  AddPicture("a.bmp", 8, 6);
  AddPicture("b.bmp", 8, 6);
  TMainForm& f = ReadyForm();
  const velora::TGraphic* shown = f.imgLoader->Picture().Graphic();
  QTest::keyClick(&f, Qt::Key_F4);
  EXPECT_EQ(f.FileList->SelCount(), 2);
  QTest::mouseClick(f.btnInvert, Qt::LeftButton);
  EXPECT_EQ(f.FileList->SelCount(), 0);
  QTest::mouseClick(f.btnInvert, Qt::LeftButton);
  EXPECT_EQ(f.FileList->SelCount(), 2);
  QTest::keyClick(&f, Qt::Key_F5);
  EXPECT_EQ(f.FileList->SelCount(), 0);
  QTest::mouseClick(f.btnResult, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], Folder() + "Output/");
  EXPECT_EQ(f.imgLoader->Picture().Graphic(), shown);  // none of this touches the preview
}
