// The folder path box with the main window's change rules: colours, the trailing "/", the
// file list following a valid folder, and name completion while the user types.
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "controls/PATHEdit.h"
#include "controls/TarnoFileListBox.h"
#include "folder_fixture.h"

namespace velora::app::test {
namespace {

class PathEditTest : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    MakeFolder("Holiday");
    MakeFolder("Home");
    MakeFolder("Photos");
    Touch({"Photos/cat.png", "a.jpg"});
    m_window = std::make_unique<QWidget>();
    edit = new TPathEdit(m_window.get());
    list = new TTarnoFileList(m_window.get());
    other = new QPushButton("other", m_window.get());
    auto* layout = new QVBoxLayout(m_window.get());
    layout->addWidget(edit);
    layout->addWidget(list);
    layout->addWidget(other);
    QObject::connect(edit, &TPathEdit::OnChange, [this] { edtPath2Change(*edit, *list); });
    m_window->show();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    edit->setFocus();
  }
  void TearDown() override {
    m_window.reset();
    FolderTest::TearDown();
  }

  QRgb BoxColor() const { return edit->palette().color(QPalette::Base).rgba(); }

  // Sets the temporary folder as the program would, then types `keys` at the end.
  void TypeAfterRoot(const QString& keys) {
    edit->setText(Root() + u'/');
    QTest::keyClicks(edit, keys);
  }

  TPathEdit* edit = nullptr;
  TTarnoFileList* list = nullptr;
  QPushButton* other = nullptr;

 private:
  std::unique_ptr<QWidget> m_window;
};

TEST_F(PathEditTest, TextsSetByTheProgramAreFinishedColouredAndFollowed) {
  struct Case {
    QString set;
    QString shown;
    bool valid;
  };
  const Case cases[] = {
      {Path("Photos"), Path("Photos/"), true},    {Path("Holiday/"), Path("Holiday/"), true},
      {Path("Photos "), Path("Photos /"), false}, {Path("missing"), Path("missing/"), false},
      {Path("a.jpg"), Path("a.jpg/"), false},     {"", "", false},
  };
  edit->setText(Root());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set.toStdString());
    const QString before = list->Folder();
    edit->setText(c.set);
    EXPECT_EQ(edit->text(), c.shown);
    EXPECT_EQ(BoxColor(), c.valid ? kValidFolderColor : kInvalidFolderColor);
    EXPECT_EQ(list->Folder(), c.valid ? c.shown.chopped(1) : before);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(PathEditTest, TheListShowsTheFolderSetByTheProgram) {
  edit->setText(Path("Photos"));
  EXPECT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "cat.png");
  EXPECT_EQ(QDir::currentPath(), Path("Photos"));
}

TEST_F(PathEditTest, TypedTextStaysAsTypedWhileTheListFollowsValidFolders) {
  TypeAfterRoot("Holiday");
  EXPECT_EQ(edit->text(), Path("Holiday"));
  EXPECT_EQ(BoxColor(), kValidFolderColor);
  EXPECT_EQ(list->Folder(), Path("Holiday"));

  QTest::keyClick(edit, Qt::Key_Space);  // a trailing blank is never valid
  EXPECT_EQ(edit->text(), Path("Holiday "));
  EXPECT_EQ(BoxColor(), kInvalidFolderColor);
  EXPECT_EQ(list->Folder(), Path("Holiday"));

  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), Path("Holiday/"));
  EXPECT_EQ(edit->cursorPosition(), edit->text().size());
  EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(PathEditTest, EnterFinishesOnlyAnExistingFolder) {
  TypeAfterRoot("Nowhere");
  QTest::keyClick(edit, Qt::Key_Enter);
  EXPECT_EQ(edit->text(), Path("Nowhere"));
  EXPECT_EQ(edit->LastKey(), Qt::Key_Enter);
}

TEST_F(PathEditTest, LosingTheFocusFinishesAValidFolder) {
  TypeAfterRoot("Photos");
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->text(), Path("Photos/"));

  edit->setFocus(Qt::TabFocusReason);
  TypeAfterRoot("Nowhere");
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->text(), Path("Nowhere"));
}

// Completion: the name typed after the temporary folder, the kinds of entries offered, and
// the text and selection the user sees.
TEST_F(PathEditTest, CompletesTheFirstQualifyingNameWithTheAddedTailSelected) {
  MakeFolder("share");
  MakeFolder("shared");
  MakeFolder("Shadow");
  MakeFolder(".hidden");
  Touch({"shell.txt"});
  const TPathEditAttrs all = edit->CompleteWith();
  struct Case {
    TPathEditAttrs kinds;
    QString typed;
    QString text;
    QString selected;
  };
  const Case cases[] = {
      {all, "sh", "share", "are"},
      {all, "Sh", "Shadow", "adow"},
      {all, "SH", "SH", ""},  // names are exact: no "share" for "SH"
      {all, "she", "shell.txt", "ll.txt"},
      {peaDirectory, "she", "she", ""},
      {peaArchive, "she", "shell.txt", "ll.txt"},
      {peaDirectory, ".h", ".hidden", "idden"},
      {peaHidden, ".h", ".hidden", "idden"},
      {peaArchive, ".h", ".h", ""},
      {all, "x", "x", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    edit->SetCompleteWith(c.kinds);
    TypeAfterRoot(c.typed);
    EXPECT_EQ(edit->text(), Path(c.text));
    EXPECT_EQ(edit->selectedText(), c.selected);
  }
}

TEST_F(PathEditTest, TypingOverTheOfferedTailAndDeletingIt) {
  MakeFolder("share");
  TypeAfterRoot("sh");
  ASSERT_EQ(edit->text(), Path("share"));
  EXPECT_EQ(list->Folder(), Path("share"));  // the offer is a valid folder

  QTest::keyClick(edit, Qt::Key_Backspace);  // takes the offer away, offers nothing new
  EXPECT_EQ(edit->text(), Path("sh"));
  EXPECT_EQ(edit->LastKey(), Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), Path("s"));

  QTest::keyClick(edit, Qt::Key_H);
  ASSERT_EQ(edit->selectedText(), "are");
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), Path("sh"));

  edit->SetComplete(false);
  QTest::keyClick(edit, Qt::Key_A);
  EXPECT_EQ(edit->text(), Path("sha"));
}

TEST_F(PathEditTest, RelativeTextsAreNeverCompleted) {
  edit->setText(Root());  // the list's folder, and the current folder
  edit->clear();
  QTest::keyClicks(edit, "Ho");
  EXPECT_EQ(edit->text(), "Ho");
  EXPECT_EQ(BoxColor(), kInvalidFolderColor);
}

}  // namespace
}  // namespace velora::app::test
