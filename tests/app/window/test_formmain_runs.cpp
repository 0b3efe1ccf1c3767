// The runs: the batch, the single picture, abort, the job log and the timing text.
#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include "jpeg/jpeg.h"
#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

namespace {

// The log's lines after the last heading.
QStringList LinesAfterHeading(const TMainForm& f) {
  const QStringList lines = f.JobLogText().split('\n');
  int heading = -1;
  for (int i = 0; i < lines.size(); ++i) {
    if (lines[i].contains(" NEW BATCH JOB STARTED") || lines[i].contains(" RESIZING SINGLE IMAGE"))
      heading = i;
  }
  return heading < 0 ? QStringList() : lines.mid(heading + 1);
}

}  // namespace

TEST_F(MainFormTest, ABatchLogsEachPictureAndTheTime) {
  AddPicture("a.bmp", 20, 10, 1);
  AddPicture("b.bmp", 20, 10, 2);
  AddPicture("c.bmp", 20, 10, 3);
  TMainForm& f = ReadyForm();
  ASSERT_EQ(f.JobLogText(), f.WelcomeText);
  f.chkOverwrite->setChecked(false);
  velora::ForceFolder(Folder() + "Output/");
  std::ofstream(Folder() + "Output/b.jpg") << "kept";
  QTest::keyClick(&f, Qt::Key_F4);
  QTest::keyClick(&f, Qt::Key_F9);

  // The welcome text is gone; empty lines, the heading, an empty line, then each picture.
  const QStringList lines = f.JobLogText().split('\n');
  ASSERT_GE(lines.size(), 4);
  EXPECT_TRUE(lines[0].isEmpty());
  EXPECT_TRUE(LinesAfterHeading(f).size() >= 4);
  const QStringList after = LinesAfterHeading(f);
  EXPECT_EQ(after[0], "");
  EXPECT_EQ(after[1],
            QString::fromStdString("File resized and saved as: " + Folder() + "Output/a.jpg"));
  EXPECT_EQ(after[2], QString::fromStdString("WARNING! File already exists (not overwritten): " +
                                             Folder() + "Output/b.jpg"));
  EXPECT_EQ(after[3],
            QString::fromStdString("File resized and saved as: " + Folder() + "Output/c.jpg"));
  EXPECT_TRUE(Status().startsWith("Batch job done in ")) << Status().toStdString();
  EXPECT_TRUE(Status().endsWith(" sec"));
  EXPECT_FALSE(f.actAbort->isEnabled());
  EXPECT_TRUE(f.actStart->isEnabled());
  EXPECT_EQ(velora::test::ReadFile(Folder() + "Output/b.jpg"), "kept");

  // A second run appends below the first.
  QTest::keyClick(&f, Qt::Key_F9);
  EXPECT_EQ(f.JobLogText().count("NEW BATCH JOB STARTED"), 2);
}

TEST_F(MainFormTest, ATouchedLogIsNotCleared) {
  AddPicture("a.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.Memo->appendPlainText("my note");
  f.actSellAll->trigger();
  f.actStart->trigger();
  EXPECT_TRUE(f.JobLogText().startsWith(f.WelcomeText + "\nmy note"));
}

TEST_F(MainFormTest, TheMessagePauseLetsAnAbortThroughBeforeTheFirstPicture) {
  AddPicture("a.bmp", 8, 8);
  AddPicture("b.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  // F11 waits in the queue while F9 starts the batch; the pause before the first
  // picture lets it through.
  QKeyEvent* abortKey = new QKeyEvent(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
  QCoreApplication::postEvent(&f, abortKey);
  QTest::keyClick(&f, Qt::Key_F9);
  const QStringList after = LinesAfterHeading(f);
  ASSERT_GE(after.size(), 2);
  EXPECT_EQ(after[1], "Process aborted.");
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Folder() + "Output/a.jpg")));
  EXPECT_TRUE(Status().startsWith("Batch job done in "));
}

TEST_F(MainFormTest, TypedFactorTextCountsAndAnInvalidFactorStopsTheBatch) {
  AddPicture("a.bmp", 8, 8);
  AddPicture("b.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.radXDecrease->setChecked(true);
  f.actSellAll->trigger();
  // "0" and "5" typed, not confirmed: the factor is 0.5.
  f.spnRound->setFocus();
  f.spnRound->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(f.spnRound->findChild<QLineEdit*>(), "0");
  f.spnZecimal->findChild<QLineEdit*>()->setText("5");
  f.spnRound->setFocus();
  QTest::keyClick(f.spnRound, Qt::Key_F9);
  const auto errors = Texts(velora::MessageKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "Invalid \"x\" factor! (0.5)\r\nPlease choose a resize factor higher than 1.");
  EXPECT_TRUE(f.spnRound->hasFocus());
  const QStringList after = LinesAfterHeading(f);
  for (const QString& line : after) EXPECT_TRUE(line.isEmpty()) << line.toStdString();
  EXPECT_TRUE(Status().startsWith("Batch job done in "));
}

TEST_F(MainFormTest, ThePreviewRepaintsInsideTheConversionOnlyWhenAskedTo) {
  AddPicture("a.bmp", 30, 20, 1);
  AddPicture("b.bmp", 30, 20, 2);
  for (bool preview : {true, false}) {
    TMainForm& f = ReadyForm();
    f.chkPreview->setChecked(preview);
    int paints = 0;
    struct Counter : QObject {
      int* count;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++*count;
        return false;
      }
    } counter;
    counter.count = &paints;
    f.actSellAll->trigger();
    f.imgLoader->SetStretch(true);
    QApplication::processEvents();
    f.imgLoader->installEventFilter(&counter);
    f.actStart->trigger();
    f.imgLoader->removeEventFilter(&counter);
    if (preview) {
      EXPECT_GE(paints, 2);
    } else {
      EXPECT_EQ(paints, 0);
    }
  }
}

TEST_F(MainFormTest, OneRunAtATime) {
  AddPicture("a.bmp", 8, 8);
  AddPicture("b.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  // F9, a double click and an abort-clearing slider move inside the first run's pause.
  QCoreApplication::postEvent(&f, new QKeyEvent(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier));
  QTimer::singleShot(0, &f, [&f] {
    f.actAbortExecute();
    f.trkQuality->setValue(f.trkQuality->value() + 1);
    f.FileListDblClick();
  });
  f.actStart->trigger();
  EXPECT_EQ(f.JobLogText().count("NEW BATCH JOB STARTED"), 1);
  EXPECT_EQ(f.JobLogText().count("RESIZING SINGLE IMAGE"), 0);
  EXPECT_TRUE(f.JobLogText().contains("Process aborted."));
}

TEST_F(MainFormTest, ARunKeepsItsFolderWhenThePathBoxChanges) {
  AddPicture("a.bmp", 8, 8);
  AddPicture("b.bmp", 8, 8);
  velora::test::TempDir other;
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  QTimer::singleShot(0, &f, [&] { f.edtPath->setText(QString::fromStdString(other.Root())); });
  f.actStart->trigger();
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + "Output/a.jpg")));
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + "Output/b.jpg")));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(other.Root() + "/Output")));
}

TEST_F(MainFormTest, AnOutputFolderThatCannotBeMadeIsOneErrorAndEndsTheRun) {
  AddPicture("a.bmp", 8, 8);
  std::ofstream(Folder() + "Output") << "a file in the folder's place";
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  f.actStart->trigger();
  const auto errors = Texts(velora::MessageKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("Cannot create the output folder: " + Folder() + "Output/", 0), 0u);
  EXPECT_FALSE(f.JobLogText().contains("NEW BATCH JOB STARTED"));
  EXPECT_TRUE(Status().startsWith("Batch job done in "));
  EXPECT_TRUE(f.actStart->isEnabled());

  // The single run the same way.
  messages.clear();
  f.FileListDblClick();
  ASSERT_EQ(Texts(velora::MessageKind::Error).size(), 1u);
  EXPECT_FALSE(f.JobLogText().contains("RESIZING SINGLE IMAGE"));
  EXPECT_TRUE(Status().startsWith("Job done in "));
  EXPECT_TRUE(f.actStart->isEnabled());
  EXPECT_FALSE(f.actAbort->isEnabled());
}

TEST_F(MainFormTest, EmptyListAndNothingSelected) {
  TMainForm& f = ReadyForm();
  f.actStart->trigger();
  EXPECT_EQ(Texts(velora::MessageKind::Warning),
            std::vector<std::string>{"No pictures to process"});
  EXPECT_EQ(f.JobLogText(), f.WelcomeText);

  messages.clear();
  AddPicture("a.bmp", 8, 8);
  f.actRefresh->trigger();
  f.FileListDblClick();  // nothing selected
  EXPECT_EQ(Texts(velora::MessageKind::Warning),
            std::vector<std::string>{"Please select the file(s) you want to resize!"});
  EXPECT_EQ(Texts(velora::MessageKind::Plain), std::vector<std::string>{"No file specified!"});
  EXPECT_EQ(f.JobLogText(), f.WelcomeText);
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Folder() + "Output")));
}

TEST_F(MainFormTest, ADoubleClickConvertsThatPicture) {
  AddPicture("a.bmp", 40, 20);
  TMainForm& f = ReadyForm();
  const QRect row = f.FileList->visualItemRect(f.FileList->item(0));
  const QPoint at = f.FileList->viewport()->mapTo(&f, row.center());
  QTest::mouseDClick(f.windowHandle(), Qt::LeftButton, {}, at);
  QApplication::processEvents();  // the run starts once the click is handled
  EXPECT_TRUE(f.JobLogText().contains(" RESIZING SINGLE IMAGE"));
  EXPECT_TRUE(f.JobLogText().contains(
      QString::fromStdString("File resized and saved as: " + Folder() + "Output/a.jpg")));
  EXPECT_TRUE(Status().startsWith("Job done in "));
}

TEST_F(MainFormTest, ClosingDuringABatchStopsItThenCloses) {
  AddPicture("a.bmp", 8, 8);
  AddPicture("b.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  QTimer::singleShot(0, &f, [&f] { f.close(); });
  f.actStart->trigger();
  EXPECT_TRUE(f.SettingsSaved);
  EXPECT_TRUE(f.JobLogText().contains("Process aborted."));
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainFormTest, TheWindowWritesTheSameFilesAsTheCommandLine) {
  AddPicture("a.bmp", 333, 217, 1);
  AddPicture("b.bmp", 120, 97, 2);
  TMainForm& f = ReadyForm();
  f.radSameWidth->setChecked(true);
  f.spnWH->SetValue(101);
  f.cmbResampleQ->setCurrentIndex(5);
  f.trkQuality->setValue(83);
  f.actSellAll->trigger();
  f.actStart->trigger();

  velora::test::TempDir cliOut;
  const std::string cli = std::string(VELORA_BINARY_DIR) + "/src/cli/velora-resize";
  const std::string command = "'" + cli +
                              "' --mode width --side 101 --filter Lanczos3 --quality 83 --quiet "
                              "--output '" +
                              cliOut.Root() + "' '" + pictures.Root() + "'";
  ASSERT_EQ(velora::test::RunCommand(command), 0) << command;
  for (const char* name : {"a.jpg", "b.jpg"}) {
    const std::string mine = velora::test::ReadFile(Folder() + "Output/" + name);
    ASSERT_FALSE(mine.empty()) << name;
    EXPECT_EQ(mine, velora::test::ReadFile(cliOut.Path(name))) << name;
  }
}

TEST_F(MainFormTest, OpenedOrDroppedFilesSelectThemInTheirFolder) {
  AddPicture("a.bmp", 8, 8);
  const std::string b = AddPicture("b.bmp", 8, 8);
  const std::string c = AddPicture("c.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  f.edtPath->setText("/");
  f.OpenPaths({QString::fromStdString(b), QString::fromStdString(c)});
  EXPECT_EQ(f.FileList->Folder().toStdString() + "/", Folder());
  EXPECT_EQ(f.FileList->SelCount(), 2);
  EXPECT_FALSE(f.FileList->item(0)->isSelected());

  // A folder opens in the path box (as a dropped folder does).
  f.edtPath->setText("/");
  f.OpenPaths({QString::fromStdString(pictures.Root())});
  EXPECT_EQ(f.edtPath->text().toStdString(), Folder());
  EXPECT_EQ(f.FileList->count(), 3);
}

// A damaged picture is written as far as it reads and named in a warning line; an empty
// file is a picture that cannot be opened.
TEST_F(MainFormTest, DamagedAndEmptyPicturesAreLoggedAsSuch) {
  velora::TBitmap bitmap;
  velora::test::FillPattern(bitmap, 64, 48, 3);
  velora::TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(Folder() + "cut.jpg");
  std::vector<uint8_t> cut = velora::test::ReadBytes(Folder() + "cut.jpg");
  cut.resize(cut.size() * 2 / 3);
  pictures.Write("cut.jpg", cut);
  pictures.Write("empty.jpg", "");
  TMainForm& f = ReadyForm();
  f.actSellAll->trigger();
  f.actStart->trigger();
  const QStringList after = LinesAfterHeading(f);
  ASSERT_GE(after.size(), 4);
  EXPECT_EQ(after[1], QString::fromStdString("WARNING! Damaged picture (partly read): " + Folder() +
                                             "cut.jpg"));
  EXPECT_EQ(after[2],
            QString::fromStdString("File resized and saved as: " + Folder() + "Output/cut.jpg"));
  EXPECT_EQ(after[3],
            QString::fromStdString("ERROR! Cannot open picture: " + Folder() + "empty.jpg"));
  EXPECT_TRUE(velora::FileExists(Folder() + "Output/cut.jpg"));
  EXPECT_FALSE(velora::FileExists(Folder() + "Output/empty.jpg"));
}
