// The path box and the file list agree: Enter in the box opens the folder typed and starts
// nothing, a folder that cannot be read is reported once per attempt to open it (never
// while completion passes over it), and a run never converts a folder the box does not name.
#include <QAction>
#include <QListWidget>
#include <optional>

#include "mainform_fixture.h"
#include "unreadable_folder.h"

using namespace velora::app;
using namespace velora::app::testing;

namespace {

bool IsGreen(const TPathEdit& box) {
  return box.palette().color(QPalette::Base).rgba() == kValidFolderColor;
}

void TypeIntoBox(TMainForm& f, const std::string& text) {
  f.edtPath->setFocus();
  f.edtPath->selectAll();
  QTest::keyClicks(f.edtPath, QString::fromStdString(text));
}

}  // namespace

TEST_F(MainFormTest, EnterInThePathBoxOpensTheFolderAndStartsNothing) {
  AddPicture("a.bmp", 8, 8);
  velora::ForceFolder(Folder() + "sub/");
  AddPicture("sub/b.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  const QString log = f.JobLogText();

  for (const bool selected : {false, true}) {
    if (selected) f.actSellAll->trigger();
    TypeIntoBox(f, Folder() + "sub");
    QTest::keyClick(f.edtPath, Qt::Key_Return);
    EXPECT_EQ(f.FileList->Folder().toStdString(), Folder() + "sub") << selected;
    EXPECT_EQ(f.edtPath->text().toStdString(), Folder() + "sub/") << selected;
    EXPECT_TRUE(IsGreen(*f.edtPath));
    // Enter on the finished text opens it again, and still runs nothing.
    QTest::keyClick(f.edtPath, Qt::Key_Return);
    TypeIntoBox(f, Folder());
    QTest::keyClick(f.edtPath, Qt::Key_Return);
    EXPECT_EQ(f.FileList->Folder().toStdString() + "/", Folder());
  }
  EXPECT_TRUE(messages.empty()) << messages.front().text;
  EXPECT_EQ(f.JobLogText(), log);
  EXPECT_FALSE(velora::FileExists(Folder() + "Output"));
  EXPECT_FALSE(velora::FileExists(Folder() + "sub/Output"));

  // Enter elsewhere keeps its meaning: it starts the run.
  f.actSellAll->trigger();
  f.FileList->setFocus();
  QTest::keyClick(f.FileList, Qt::Key_Return);
  EXPECT_TRUE(f.JobLogText().contains("NEW BATCH JOB STARTED"));
}

TEST_F(MainFormTest, AFolderThatCannotBeReadIsReportedOncePerAttempt) {
  AddPicture("a.bmp", 8, 8);
  TMainForm& f = ReadyForm();
  UnreadableFolder locked(pictures.Root(), "locked");
  const auto errors = [this] { return Texts(velora::MessageKind::Error); };

  // Completion reaches it while the user types: silence, and the box is not green.
  TypeIntoBox(f, Folder() + "lo");
  EXPECT_EQ(f.edtPath->text().toStdString(), locked.Path());
  QTest::keyClicks(f.edtPath, "c");
  EXPECT_TRUE(errors().empty());
  EXPECT_FALSE(IsGreen(*f.edtPath));
  EXPECT_EQ(f.FileList->Folder().toStdString() + "/", Folder());

  // Each Enter is an attempt to open it: one box each.
  QTest::keyClick(f.edtPath, Qt::Key_Return);
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "Permission denied\r\n" + locked.Path());
  QTest::keyClick(f.edtPath, Qt::Key_Return);
  EXPECT_EQ(errors().size(), 2u);

  // Named on the command line (or set by the program in any other way): one box.
  messages.clear();
  f.OpenPaths({QString::fromStdString(locked.Path())});
  EXPECT_EQ(errors().size(), 1u);
  EXPECT_FALSE(IsGreen(*f.edtPath));
  EXPECT_EQ(f.FileList->Folder().toStdString() + "/", Folder());
}

TEST_F(MainFormTest, ARunConvertsNothingWhenThePathBoxNamesAFolderTheListDoesNotShow) {
  AddPicture("a.bmp", 8, 8);
  struct Case {
    const char* what;
    bool unreadable;  // else a folder that does not exist
  };
  for (const Case c : {Case{"missing folder typed", false}, Case{"unreadable folder", true}}) {
    messages.clear();
    TMainForm& f = ReadyForm();
    const QString log = f.JobLogText();
    f.actSellAll->trigger();
    std::optional<UnreadableFolder> locked;
    if (c.unreadable) {
      locked.emplace(pictures.Root(), "locked");
      TypeIntoBox(f, locked->Path());
      QTest::keyClick(f.edtPath, Qt::Key_Return);  // reported once, the list stays
    } else {
      TypeIntoBox(f, Folder() + "missing");
    }
    EXPECT_FALSE(IsGreen(*f.edtPath)) << c.what;
    messages.clear();

    QTest::keyClick(&f, Qt::Key_F9);
    ASSERT_EQ(messages.size(), 1u) << c.what;
    EXPECT_EQ(messages[0].kind, velora::MessageKind::Warning);
    EXPECT_EQ(messages[0].text,
              "Nothing was converted: the folder in the path box is not open.\r\n" +
                  f.edtPath->text().toStdString());
    EXPECT_EQ(f.JobLogText(), log) << c.what;
    EXPECT_FALSE(velora::FileExists(Folder() + "Output")) << c.what;
    f.FileList->setCurrentRow(0);
    f.FileListDblClick();
    EXPECT_EQ(messages.size(), 2u) << c.what;
    EXPECT_FALSE(velora::FileExists(Folder() + "Output")) << c.what;
  }
}
