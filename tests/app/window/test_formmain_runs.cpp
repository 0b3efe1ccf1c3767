// The runs: the batch, the single picture, abort, the job log and the timing text.
#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <future>
#include <set>
#include <thread>

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

// The box mode, alone and with "Never enlarge": the window's files are velora-resize's, of
// the size the box allows (b fits the larger box already and keeps its own size).
TEST_F(MainFormTest, TheBoxModeWritesTheSameFilesAsTheCommandLine) {
  AddPicture("a.bmp", 333, 217, 1);
  AddPicture("b.bmp", 120, 97, 2);
  struct Case {
    int width, height;
    bool neverEnlarge;
    QSize a, b;
  };
  const Case cases[] = {{100, 100, false, {100, 65}, {100, 81}},
                        {200, 150, true, {200, 130}, {120, 97}}};
  TMainForm& f = ReadyForm();
  f.radFitInBox->setChecked(true);
  f.actSellAll->trigger();
  for (const Case& c : cases) {
    const std::string label = std::to_string(c.width) + "x" + std::to_string(c.height);
    f.spnWidth->SetValue(c.width);
    f.spnHeight->SetValue(c.height);
    f.chkNeverEnlarge->setChecked(c.neverEnlarge);
    f.actStart->trigger();

    velora::test::TempDir cliOut;
    const std::string cli = std::string(VELORA_BINARY_DIR) + "/src/cli/velora-resize";
    const std::string command = "'" + cli + "' --mode fit --width " + std::to_string(c.width) +
                                " --height " + std::to_string(c.height) +
                                (c.neverEnlarge ? " --no-enlarge" : "") + " --quiet --output '" +
                                cliOut.Root() + "' '" + pictures.Root() + "'";
    ASSERT_EQ(velora::test::RunCommand(command), 0) << command;
    for (const auto& [name, size] : {std::pair{"a.jpg", c.a}, std::pair{"b.jpg", c.b}}) {
      const std::string path = Folder() + "Output/" + name;
      const std::string mine = velora::test::ReadFile(path);
      ASSERT_FALSE(mine.empty()) << label << " " << name;
      EXPECT_EQ(mine, velora::test::ReadFile(cliOut.Path(name))) << label << " " << name;
      velora::TJPEGImage written;
      written.LoadFile(path);
      EXPECT_EQ(QSize(written.Width(), written.Height()), size) << label << " " << name;
    }
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

namespace {

// Runs `onWindow` on the window thread and waits until it has run; false when the
// window thread did not get to it (the guard only keeps a broken build from hanging).
bool OnWindowThread(QObject* window, std::function<void()> onWindow) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> ran = done->get_future();
  QMetaObject::invokeMethod(
      window,
      [onWindow = std::move(onWindow), done] {
        onWindow();
        done->set_value();
      },
      Qt::QueuedConnection);
  return ran.wait_for(std::chrono::minutes(2)) == std::future_status::ready;
}

// The job log lines of velora-resize between its heading and its timing line.
QStringList CliLogLines(const std::string& stdoutText) {
  QStringList lines = QString::fromStdString(stdoutText).split('\n');
  while (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  // velora-resize ends with a summary for schedulers after the timing line.
  if (!lines.isEmpty() && lines.back().startsWith("Summary: ")) lines.pop_back();
  if (lines.size() >= 3) lines = lines.mid(2, lines.size() - 3);
  return lines;
}

// The log lines of the last run, without the empty line after its heading.
QStringList RunLines(const TMainForm& f) {
  QStringList lines = LinesAfterHeading(f);
  if (!lines.isEmpty() && lines.front().isEmpty()) lines.pop_front();
  return lines;
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

}  // namespace

// Every mode, on a folder that holds what a real folder holds: pictures of each kind,
// two with the same output name, a damaged file, an output that is kept and one that
// cannot be written. The window's files and lines are velora-resize's.
TEST_F(MainFormTest, TheWindowsRunsEqualTheCommandLineInEveryMode) {
  struct Case {
    const char* name;
    std::function<void(TMainForm&)> set;
    const char* cliArgs;
    bool preview;
  };
  const std::vector<Case> cases = {
      {"decrease", [](TMainForm& f) { f.radXDecrease->setChecked(true); }, "--mode decrease",
       false},
      {"increase",
       [](TMainForm& f) {
         f.radXIncrease->setChecked(true);
         f.spnRound->SetValue(1);
         f.spnZecimal->SetValue(5);
       },
       "--mode increase --factor 1.5", true},
      {"size",
       [](TMainForm& f) {
         f.radSameSize->setChecked(true);
         f.spnWidth->SetValue(50);
         f.spnHeight->SetValue(40);
       },
       "--mode size --width 50 --height 40", false},
      {"width",
       [](TMainForm& f) {
         f.radSameWidth->setChecked(true);
         f.spnWH->SetValue(101);
       },
       "--mode width --side 101", true},
      {"height",
       [](TMainForm& f) {
         f.radSameHeight->setChecked(true);
         f.spnWH->SetValue(77);
       },
       "--mode height --side 77", false},
  };
  velora::test::TempDir cliDir;
  const auto fill = [](const std::string& root) {
    std::filesystem::remove_all(root + "/Output");
    for (const auto& [name, seed] : std::vector<std::pair<std::string, unsigned>>{
             {"a.bmp", 1}, {"cat.bmp", 2}, {"e.bmp", 3}, {"f.bmp", 4}, {"g.bmp", 5}}) {
      velora::TBitmap bitmap;
      velora::test::FillPattern(bitmap, 90 + 7 * static_cast<int>(seed), 61, seed);
      bitmap.SaveFile(root + "/" + name);
    }
    velora::TBitmap photo;
    velora::test::FillPattern(photo, 120, 97, 6);
    velora::TJPEGImage jpeg;
    jpeg.CopyGraphic(&photo);
    jpeg.SaveFile(root + "/cat.jpg");  // the same output name as cat.bmp
    std::ofstream(root + "/d.jpg") << "not a picture";
    velora::ForceFolder(root + "/Output/");
    std::ofstream(root + "/Output/e.jpg") << "kept";
    velora::ForceFolder(root + "/Output/f.jpg/");  // a folder where the output would go
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fill(pictures.Root());
    fill(cliDir.Root());
    TMainForm& f = ReadyForm();
    c.set(f);
    f.chkPreview->setChecked(c.preview);
    f.chkOverwrite->setChecked(false);
    f.cmbResampleQ->setCurrentIndex(6);
    f.trkQuality->setValue(74);
    messages.clear();
    f.actSellAll->trigger();
    f.actStart->trigger();

    const std::string out = cliDir.Path(".stdout");
    const std::string cli = std::string(VELORA_BINARY_DIR) + "/src/cli/velora-resize";
    const std::string command = "'" + cli + "' " + c.cliArgs +
                                " --filter Mitchell --quality 74 --no-overwrite '" + cliDir.Root() +
                                "' >'" + out + "' 2>/dev/null";
    EXPECT_EQ(velora::test::RunCommand(command), 1) << command;
    const QStringList cliLines = CliLogLines(velora::test::ReadFile(out));
    std::filesystem::remove(out);
    QStringList mine = RunLines(f);
    mine.replaceInStrings(QString::fromStdString(pictures.Root()),
                          QString::fromStdString(cliDir.Root()));
    EXPECT_EQ(mine, cliLines);
    EXPECT_EQ(cliLines.size(), 7);
    for (const char* name : {"a.jpg", "cat.jpg", "e.jpg", "g.jpg"}) {
      const std::string written = velora::test::ReadFile(Folder() + "Output/" + name);
      EXPECT_FALSE(written.empty()) << name;
      EXPECT_EQ(written, velora::test::ReadFile(cliDir.Path(std::string("Output/") + name)))
          << name;
    }
    EXPECT_EQ(Texts(velora::MessageKind::Error),
              std::vector<std::string>{"Cannot save file as: " + Folder() + "Output/f.jpg"});
    EXPECT_EQ(FilesIn(Folder() + "Output"), FilesIn(cliDir.Path("Output")));
    EXPECT_EQ(f.imgLoader->Picture().Width(), 125);  // the last picture, g.bmp
  }
}

// A conversion runs on another thread while the window thread goes on handling events:
// each conversion waits for an event it posts to the window to be handled.
TEST_F(MainFormTest, TheWindowHandlesEventsWhileAPictureIsConverted) {
  AddPicture("a.bmp", 40, 30, 1);
  AddPicture("b.bmp", 40, 30, 2);
  TMainForm& f = ReadyForm();
  const std::thread::id windowThread = std::this_thread::get_id();
  std::atomic<int> answered{0};
  std::atomic<bool> onWindowThread{false};
  std::atomic<bool> abortEnabled{true};
  f.Converter = [&](const velora::ResizeSettings& settings, const std::string& source,
                    const std::string& output, velora::TPicture& picture,
                    const velora::ConvertHooks& hooks, int threads, velora::RunOutputs* outputs) {
    if (std::this_thread::get_id() == windowThread) onWindowThread = true;
    if (OnWindowThread(&f, [&] { abortEnabled = abortEnabled && f.actAbort->isEnabled(); })) {
      ++answered;
    }
    return velora::ConvertImage(settings, source, output, picture, hooks, threads, outputs);
  };
  EXPECT_FALSE(f.actAbort->isEnabled());  // only a run can be aborted
  f.actSellAll->trigger();
  f.actStart->trigger();
  EXPECT_FALSE(onWindowThread);
  EXPECT_EQ(answered, 2);
  EXPECT_TRUE(abortEnabled);
  EXPECT_FALSE(f.actAbort->isEnabled());
  EXPECT_EQ(RunLines(f),
            QStringList({QString::fromStdString(velora::kLogSaved + Folder() + "Output/a.jpg"),
                         QString::fromStdString(velora::kLogSaved + Folder() + "Output/b.jpg")}));
  // One form of the timing text and of the heading's date, with the year in full.
  EXPECT_TRUE(
      QRegularExpression("^Batch job done in \\d+\\.\\d\\d sec$").match(Status()).hasMatch())
      << Status().toStdString();
  EXPECT_TRUE(
      QRegularExpression("\\n\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)? NEW BATCH JOB STARTED\\n")
          .match(f.JobLogText())
          .hasMatch())
      << f.JobLogText().toStdString();
}

// Abort (F11, the button) and closing the window while a picture is being converted: no
// new picture starts, those under way finish and are logged in order, the abort line is
// last, and no file is left half-written.
TEST_F(MainFormTest, StoppingARunLetsThePicturesUnderWayFinish) {
  enum class Stop { Key, Button, Close };
  for (Stop stop : {Stop::Key, Stop::Button, Stop::Close}) {
    SCOPED_TRACE(static_cast<int>(stop));
    std::filesystem::remove_all(Folder() + "Output");
    const std::vector<std::string> names = {"a", "b", "c", "d", "e", "f", "g", "h"};
    for (size_t i = 0; i < names.size(); ++i) {
      AddPicture(names[i] + ".bmp", 64, 48, static_cast<unsigned>(i + 1));
    }
    TMainForm& f = ReadyForm();
    f.Converter = [&](const velora::ResizeSettings& settings, const std::string& source,
                      const std::string& output, velora::TPicture& picture,
                      const velora::ConvertHooks& hooks, int threads, velora::RunOutputs* outputs) {
      if (velora::FileNameNoExt(source) == "b") {
        // The user stops the run while this picture is under way.
        OnWindowThread(&f, [&] {
          if (stop == Stop::Key) QTest::keyClick(&f, Qt::Key_F11);
          if (stop == Stop::Button) f.btnAbort->click();
          if (stop == Stop::Close) f.close();
        });
      }
      return velora::ConvertImage(settings, source, output, picture, hooks, threads, outputs);
    };
    f.actSellAll->trigger();
    f.actStart->trigger();

    const QStringList lines = RunLines(f);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.back(), "Process aborted.");
    // The pictures logged are the first ones, in order, each written whole.
    std::set<std::string> logged;
    for (int i = 0; i + 1 < lines.size(); ++i) {
      const std::string path = Folder() + "Output/" + names[static_cast<size_t>(i)] + ".jpg";
      EXPECT_EQ(lines[i].toStdString(), velora::kLogSaved + path);
      velora::TJPEGImage written;
      EXPECT_NO_THROW(written.LoadFile(path));
      logged.insert(names[static_cast<size_t>(i)] + ".jpg");
    }
    EXPECT_TRUE(logged.count("b.jpg"));
    EXPECT_FALSE(logged.count("h.jpg"));  // the pictures in flight are few
    EXPECT_EQ(FilesIn(Folder() + "Output"), logged);
    EXPECT_TRUE(Status().startsWith("Batch job done in "));
    EXPECT_EQ(f.isVisible(), stop != Stop::Close);
    EXPECT_TRUE(f.SettingsSaved || stop != Stop::Close);
  }
}

// A failed write's box appears when that picture's turn comes: the lines of the pictures
// before it are in the log, those after it wait until the box is closed.
TEST_F(MainFormTest, AnErrorBoxInTheMiddleOfARunWaitsForItsTurn) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) AddPicture(name, 30, 20);
  velora::ForceFolder(Folder() + "Output/b.jpg/");
  TMainForm& f = ReadyForm();
  QStringList logWhenShown;
  onMessage = [&](velora::MessageKind kind, const std::string&) {
    if (kind == velora::MessageKind::Error) logWhenShown = RunLines(f);
  };
  f.actSellAll->trigger();
  f.actStart->trigger();
  const QString saved = QString::fromStdString(velora::kLogSaved + Folder() + "Output/");
  EXPECT_EQ(logWhenShown, QStringList{saved + "a.jpg"});
  EXPECT_EQ(
      RunLines(f),
      QStringList({saved + "a.jpg",
                   QString::fromStdString("Cannot save file as: " + Folder() + "Output/b.jpg"),
                   saved + "c.jpg", saved + "d.jpg"}));
  EXPECT_EQ(Texts(velora::MessageKind::Error),
            std::vector<std::string>{"Cannot save file as: " + Folder() + "Output/b.jpg"});
  EXPECT_EQ(f.FileList->CurrentFileName(), "d.bmp");
}
