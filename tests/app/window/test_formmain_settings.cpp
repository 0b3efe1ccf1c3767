// The settings file into the controls at start-up, and back once at the end; first run.
#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabBar>

#include <QProgressBar>

#include "desktop/hint_filter.h"
#include "desktop/session_end.h"
#include "desktop/trayicon.h"
#include "mainform_fixture.h"
#include "window/last_check_date.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, WithoutASettingsFileTheDefaultsHold) {
  TMainForm& f = MakeForm();
  EXPECT_TRUE(f.FirstRun);
  EXPECT_TRUE(f.radXDecrease->isChecked());
  EXPECT_EQ(f.trkQuality->value(), 74);
  EXPECT_EQ(f.lblQuality2->text(), "74");
  EXPECT_EQ(f.cmbResampleQ->currentIndex(), 6);
  EXPECT_EQ(f.spnHideHint->Value(), 3100);
  EXPECT_EQ(f.Hints->HidePause(), 3100);
  EXPECT_EQ(f.spnOpacity->Value(), 255);
  EXPECT_DOUBLE_EQ(f.windowOpacity(), 1.0);
  EXPECT_TRUE(f.chkTrayIcon->isChecked());
  EXPECT_TRUE(f.TrayIcon->MinimizeToTray());
  EXPECT_TRUE(f.chkSkins->isChecked());
  EXPECT_TRUE(f.radHintsTooltips->isChecked());
  EXPECT_EQ(f.spnAutoUpdate->Value(), 4);
  EXPECT_EQ(f.LastCheck, 0);
  EXPECT_EQ(f.spnWidth->Value(), 200);
  EXPECT_EQ(f.spnHeight->Value(), 151);
  EXPECT_EQ(f.spnWH->Value(), 600);
  // Without settings: the pictures folder, here (none named) the home folder.
  EXPECT_EQ(f.edtPath->text().toStdString(), home.Home() + "/");
}

TEST_F(MainFormTest, FirstRunShowsTheAgreementAloneAndWritesTheLauncher) {
  TMainForm& f = MakeForm();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  EXPECT_EQ(f.PageControl->ActivePageIndex(), 3);
  for (int page : {0, 1, 2, 4}) EXPECT_FALSE(f.PageControl->TabVisible(page)) << page;
  EXPECT_TRUE(f.PageControl->TabVisible(3));
  EXPECT_EQ(QApplication::focusWidget(), f.btnAgree);
  ASSERT_EQ(entries->shortcuts.size(), 1u);
  EXPECT_EQ(entries->shortcuts[0].first, "Velora Image Resizer");
  EXPECT_TRUE(entries->shortcuts[0].second);
  // Closed without "I agree": the agreement page is what the next start remembers.
  f.close();
  EXPECT_NE(SettingsText().find("Last_used_tab=3"), std::string::npos);

  TMainForm& next = MakeForm();
  EXPECT_FALSE(next.FirstRun);
  EXPECT_EQ(entries->shortcuts.size(), 1u);  // no launcher again
  EXPECT_EQ(next.PageControl->ActivePageIndex(), 3);
  EXPECT_FALSE(next.PageControl->TabVisible(3));  // its content, no tab selected
  for (int page : {0, 2, 4}) EXPECT_TRUE(next.PageControl->TabVisible(page)) << page;
  QTest::mouseClick(next.btnAgree, Qt::LeftButton);
  EXPECT_EQ(next.PageControl->ActivePageIndex(), 0);
}

TEST_F(MainFormTest, StoredPagesOutsideTheTabsShowNoTab) {
  const std::pair<const char*, int> cases[] = {
      {"", 1}, {"Last_used_tab=-1\n", -1}, {"Last_used_tab=7\n", -1}, {"Last_used_tab=4\n", 4}};
  for (const auto& [line, page] : cases) {
    WriteSettings(std::string("[WindowState]\n") + line);
    TMainForm& f = MakeForm();
    EXPECT_EQ(f.PageControl->ActivePageIndex(), page) << line;
    if (page == 1) {
      // "Thumb generator" shows its content with no tab selected.
      EXPECT_FALSE(f.PageControl->TabVisible(1));
      EXPECT_EQ(f.Label3->text(), "Not available yet.");
    }
  }
}

TEST_F(MainFormTest, LoadedValuesRunTheirHandlersAndAreClampedIntoRange) {
  WriteSettings(
      "[WindowState]\nLast_used_tab=0\n[Updates]\nspnAutoUpdate=-3\n"
      "[Settings]\ntrkQuality=abc\nspnHideHint=50000\nspnOpacity=10\nspnRound=44\n"
      "spnZecimal=10\ncmbResampleQ=9\nchkPreview=0x0\nchkProtect=7\nchkAutoStartUp=1\n"
      "radHintsStatBar=1\nradHintsTooltips=0\nLastPath=" +
      Folder() + "\n");
  AddPicture("a.bmp", 4, 4);
  TMainForm& f = MakeForm();
  EXPECT_EQ(f.spnAutoUpdate->Value(), 0);
  EXPECT_EQ(f.trkQuality->value(), 74);
  EXPECT_EQ(f.spnHideHint->Value(), 20000);
  EXPECT_EQ(f.Hints->HidePause(), 20000);
  EXPECT_EQ(f.spnOpacity->Value(), 30);
  EXPECT_NEAR(f.windowOpacity(), 30 / 255.0, 0.01);
  // 44 is limited to 10; the tenths 10 then carry, and the whole part stays at 10.
  EXPECT_EQ(f.spnRound->Value(), 10);
  EXPECT_EQ(f.spnZecimal->Value(), 0);
  EXPECT_EQ(f.cmbResampleQ->currentIndex(), 6);
  EXPECT_FALSE(f.chkPreview->isChecked());
  EXPECT_TRUE(f.chkProtect->isChecked());
  EXPECT_EQ(entries->autoStarts, std::vector<bool>{true});  // written again at start
  EXPECT_TRUE(f.radHintsStatBar->isChecked());
  EXPECT_EQ(f.FileList->count(), 1);
  EXPECT_EQ(f.FileList->Folder().toStdString() + "/", Folder());
}

TEST_F(MainFormTest, DesignValuesStillTakeEffectWhenLoaded) {
  // 199, 4000 and 5 equal the controls' own values: they still come into force.
  AddPicture("a.bmp", 4, 4);
  WriteSettings("[Settings]\nspnOpacity=199\nspnHideHint=4000\ntrkQuality=5\nLastPath=" + Folder() +
                "\n");
  TMainForm& f = MakeForm(false);
  {
    // The box already holds the stored folder, but the list shows another one.
    const QSignalBlocker quiet(f.edtPath);
    f.edtPath->setText(QString::fromStdString(Folder()));
  }
  ASSERT_EQ(f.FileList->count(), 0);
  f.LateInit();
  EXPECT_NEAR(f.windowOpacity(), 199 / 255.0, 0.01);
  EXPECT_EQ(f.Hints->HidePause(), 4000);
  EXPECT_EQ(f.lblQuality2->text(), "5");
  EXPECT_EQ(f.proBar->value(), 26);
  EXPECT_EQ(f.FileList->count(), 1);
}

TEST_F(MainFormTest, StartUpSelectsTheFirstEntryAndShowsItInThePreview) {
  AddPicture("a.bmp", 4, 3);
  AddPicture("b.bmp", 8, 6);
  TMainForm& f = ReadyForm();  // a second start: the settings name the folder
  EXPECT_EQ(f.FileList->SelCount(), 1);
  EXPECT_TRUE(f.FileList->item(0)->isSelected());
  ASSERT_FALSE(f.imgLoader->ShowsBanner());
  EXPECT_EQ(f.imgLoader->Picture().Width(), 4);
  EXPECT_EQ(Status().toStdString(), "Current image: " + Folder() + "a.bmp");
}

TEST_F(MainFormTest, TheStatusLineNamesTheQualityItShows) {
  // An empty folder: nothing selected, so the quality is the last word at start-up.
  TMainForm& f = ReadyForm();
  EXPECT_EQ(Status(), "Quality: 74");
  f.trkQuality->setValue(90);
  EXPECT_EQ(Status(), "Quality: 90");
  EXPECT_EQ(f.lblQuality2->text(), "90");
}

TEST_F(MainFormTest, SavesEveryValueInItsSectionInOrder) {
  TMainForm& f = MakeForm();  // a first run: the file is written anew
  f.btnAgreeClick();
  f.chkPreview->setChecked(false);
  f.radSameWidth->setChecked(true);
  f.spnWH->SetValue(321);
  f.trkQuality->setValue(88);
  f.LastCheck = 46085.75;
  f.close();
  const std::string text = SettingsText();
  const char* order[] = {"[WindowState]",
                         "Left=",
                         "Top=",
                         "Width=",
                         "Height=",
                         "Maximized=0",
                         "Last_used_tab=0",
                         "[Resize]",
                         "radXDecrease=0",
                         "radXIncrease=0",
                         "radSameHeight=0",
                         "radSameWidth=1",
                         "radSameSize=0",
                         "radFitInBox=0",
                         "[Updates]",
                         "spnAutoUpdate=4",
                         "LastCheck=",
                         "[Settings]",
                         "trkQuality=88",
                         "spnHideHint=",
                         "spnOpacity=",
                         "spnWidth=",
                         "cmbResampleQ=6",
                         "spnWH=321",
                         "spnRound=2",
                         "spnZecimal=0",
                         "chkPreview=0",
                         "chkTrayIcon=1",
                         "chkSkins=1",
                         "chkSounds=0",
                         "radHintsOff=0",
                         "radHintsTooltips=1",
                         "radHintsStatBar=0",
                         "chkAutoStartUp=0",
                         "chkProtect=1",
                         "chkOverwrite=1",
                         "chkNeverEnlarge=0",
                         "LastPath="};
  size_t at = 0;
  for (const char* piece : order) {
    const size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << " after " << at << " in\n" << text;
    at = found;
  }
  EXPECT_NE(text.find("LastCheck=" + FormatLastCheck(46085)), std::string::npos);
  EXPECT_NE(text.find("LastPath=" + home.Home() + "/"), std::string::npos);
}

// The box mode and "Never enlarge" are stored and come back; a file written before they
// existed loads as it always did (its mode, the check box off).
TEST_F(MainFormTest, TheBoxModeAndNeverEnlargeAreStoredAndOlderFilesLoadAsBefore) {
  struct Case {
    const char* file;  // the settings file; empty: what the window itself wrote
    QRadioButton* TMainForm::*mode;
    bool neverEnlarge;
  };
  const Case cases[] = {
      {"", &TMainForm::radFitInBox, true},
      {"[Resize]\nradXDecrease=0\nradSameWidth=1\n", &TMainForm::radSameWidth, false},
      {"[Resize]\nradXDecrease=0\nradSameSize=1\n[Settings]\nchkNeverEnlarge=0\n",
       &TMainForm::radSameSize, false},
      {"[Resize]\nradXDecrease=0\nradSameSize=0\nradFitInBox=1\n[Settings]\nchkNeverEnlarge=1\n",
       &TMainForm::radFitInBox, true},
  };
  for (const Case& c : cases) {
    if (*c.file == '\0') {
      TMainForm& f = ReadyForm();
      f.radFitInBox->setChecked(true);
      f.chkNeverEnlarge->setChecked(true);
      f.close();
      const std::string text = SettingsText();
      EXPECT_NE(text.find("radFitInBox=1"), std::string::npos) << text;
      EXPECT_NE(text.find("chkNeverEnlarge=1"), std::string::npos) << text;
    } else {
      WriteSettings(c.file);
    }
    TMainForm& f = MakeForm();
    EXPECT_TRUE((f.*c.mode)->isChecked()) << c.file;
    EXPECT_EQ(f.radFitInBox->isChecked(), c.mode == &TMainForm::radFitInBox) << c.file;
    EXPECT_EQ(f.chkNeverEnlarge->isChecked(), c.neverEnlarge) << c.file;
    EXPECT_EQ(!f.grpOutRatio->isHidden(),
              c.mode == &TMainForm::radFitInBox || c.mode == &TMainForm::radSameSize)
        << c.file;
    f.close();
  }
}

TEST_F(MainFormTest, ExactlyOneSavePerRunWhateverTheWayOut) {
  // Each way out, then the others: only the first writes.
  const std::vector<std::function<void(TMainForm&)>> ways = {
      [](TMainForm& f) { f.close(); },
      [](TMainForm& f) { f.actExit->trigger(); },
      [](TMainForm& f) { f.Session->LogonEnding(); },
  };
  for (size_t way = 0; way < ways.size(); ++way) {
    TMainForm& f = ReadyForm();
    ways[way](f);
    EXPECT_TRUE(f.SettingsSaved) << way;
    const std::string saved = SettingsText();
    f.trkQuality->setValue(11);  // a change after the save is not stored
    f.close();
    f.Session->LogonEnding();
    form.reset();
    EXPECT_EQ(SettingsText(), saved) << way;
  }
}

TEST_F(MainFormTest, AFailedSaveKeepsTheWindowOpenOnceAndTheNextCloseSavesNothing) {
  TMainForm& f = ReadyForm();
  // A folder in the settings file's place makes the write fail.
  ::unlink(SettingsPath().c_str());
  ::mkdir(SettingsPath().c_str(), 0755);
  f.close();
  EXPECT_TRUE(f.isVisible());
  ASSERT_EQ(Texts(velora::MessageKind::Error).size(), 1u);
  EXPECT_EQ(Texts(velora::MessageKind::Error)[0], "Unable to write to " + SettingsPath());
  f.close();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(Texts(velora::MessageKind::Error).size(), 1u);
}

TEST_F(MainFormTest, StoredBoundsAreRestoredOrBroughtOntoTheScreen) {
  WriteSettings("[WindowState]\nLeft=120\n");
  {
    TMainForm& f = MakeForm();
    EXPECT_EQ(f.frameGeometry().left(), 120);
    EXPECT_EQ(f.frameGeometry().top(), 50);
    // The stored width, unless the page (room for every mode) needs more.
    EXPECT_EQ(f.frameGeometry().width(),
              std::max(900, f.minimumSizeHint().expandedTo(f.minimumSize()).width()));
    EXPECT_EQ(f.frameGeometry().height(), 850);
  }
  WriteSettings("[WindowState]\nTop=7\nWidth=300\nHeight=300\n");  // no Left: design bounds
  {
    TMainForm& f = MakeForm();
    EXPECT_EQ(f.pos(), QPoint(341, 69));
  }
  WriteSettings("[WindowState]\nLeft=50000\nTop=-40000\nWidth=20\nHeight=20\n");
  {
    TMainForm& f = MakeForm();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(f.frameGeometry()));
    EXPECT_GE(f.width(), f.minimumSizeHint().width());
  }
}

TEST_F(MainFormTest, MaximizedKeepsTheEarlierBounds) {
  WriteSettings("[WindowState]\nLeft=10\nTop=20\nWidth=900\nHeight=700\nMaximized=1\n");
  TMainForm& f = MakeForm();
  EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
  f.close();
  const std::string text = SettingsText();
  EXPECT_NE(text.find("Left=10\n"), std::string::npos);
  EXPECT_NE(text.find("Maximized=1"), std::string::npos);
}
