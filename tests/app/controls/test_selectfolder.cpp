// The folder chooser: what the tree, the drive box and the grey file list show, navigation,
// creating folders (only when asked to), and BrowseForFolder's start, OK and Cancel.
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "controls/TarnoFileListBox.h"
#include "controls/TarnoSelectFolder.h"
#include "folder_fixture.h"
#include "scoped_home.h"

namespace velora::app::test {
namespace {

// The tree's lines, top to bottom, each indented by two blanks per level.
QStringList TreeLines(const QTreeWidget& tree) {
  QStringList lines;
  const std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* item,
                                                                    int depth) {
    lines.append(QString(depth * 2, u' ') + item->text(0));
    for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
  };
  for (int i = 0; i < tree.topLevelItemCount(); ++i) walk(tree.topLevelItem(i), 0);
  return lines;
}

QStringList ListNames(const QListWidget& list) {
  QStringList names;
  for (int row = 0; row < list.count(); ++row) names.append(list.item(row)->text());
  return names;
}

class SelectFolderTest : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    MakeFolder("b");
    MakeFolder("A");
    MakeFolder("c/deep");
    MakeFolder(".hidden");
    Touch({"x.jpg", ".h.jpg"});
  }

  // A dialog shown without waiting for it, in the temporary folder.
  void Open() {
    dialog = std::make_unique<TSelectDirDlg>();
    dialog->show();
    dialog->SetDirectory(Root());
    tree = dialog->findChild<QTreeWidget*>("DirList");
    path = dialog->findChild<QLineEdit*>("edtDirectory");
    files = dialog->findChild<QListWidget*>("FileList");
    ASSERT_TRUE(tree && path && files);
  }

  // The lines of the tree down to the temporary folder, and below it.
  QStringList TreeDownTo(const QString& folder, const QStringList& below) const {
    QStringList lines = {"/"};
    int depth = 1;
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
      lines.append(QString(depth++ * 2, u' ') + part);
    }
    for (const QString& line : below) lines.append(QString(depth * 2, u' ') + line);
    return lines;
  }

  void TypePath(const QString& text) {
    path->setFocus();
    path->selectAll();
    QTest::keyClicks(path, text);
  }

  void Click(const char* name) {
    auto* button = dialog->findChild<QPushButton*>(name);
    ASSERT_TRUE(button) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  std::unique_ptr<TSelectDirDlg> dialog;
  QTreeWidget* tree = nullptr;
  QLineEdit* path = nullptr;
  QListWidget* files = nullptr;
};

TEST_F(SelectFolderTest, ShowsTheWayDownTheSubfoldersAndTheFilesOfTheFolderInView) {
  ASSERT_EQ(::mkfifo(Path("pipe.jpg").toUtf8().constData(), 0600), 0);
  Open();
  EXPECT_EQ(TreeLines(*tree), TreeDownTo(Root(), {"A", "b", "c"}));
  EXPECT_EQ(tree->currentItem()->text(0), QDir(Root()).dirName());
  EXPECT_TRUE(tree->currentItem()->isSelected());
  EXPECT_EQ(ListNames(*files), QStringList({"x.jpg"}));
  EXPECT_EQ(dialog->Directory(), Root() + u'/');
  EXPECT_EQ(path->text(), Root() + u'/');
  EXPECT_EQ(path->selectedText(), path->text());

  const auto* drives = dialog->findChild<QComboBox*>("DriveList");
  ASSERT_GT(drives->count(), 0);
  EXPECT_EQ(drives->itemText(0), "Computer");  // the root, first
  EXPECT_EQ(drives->itemData(0).toString(), "/");
  EXPECT_TRUE(dialog->findChild<QPushButton*>("btnNetwork")->isHidden());
}

TEST_F(SelectFolderTest, DoubleClickAndTheDriveBoxNavigate) {
  Open();
  const QTreeWidgetItem* c = tree->currentItem()->child(2);
  const QPoint at = tree->viewport()->mapTo(dialog.get(), tree->visualItemRect(c).center());
  QTest::mouseDClick(dialog->windowHandle(), Qt::LeftButton, {}, at);
  EXPECT_EQ(dialog->Directory(), Path("c/"));
  EXPECT_EQ(TreeLines(*tree), TreeDownTo(Path("c"), {"deep"}));
  EXPECT_EQ(path->text(), Path("c/"));

  auto* drives = dialog->findChild<QComboBox*>("DriveList");
  emit drives->activated(0);
  EXPECT_EQ(dialog->Directory(), "/");
}

// OK returns the folder the user highlighted, by a click or the arrow keys, not the one
// around it that the tree shows; a path typed after that wins.
TEST_F(SelectFolderTest, OKReturnsTheHighlightedFolder) {
  struct Case {
    const char* what;
    std::function<void()> choose;
    QString expected;
  };
  const Case cases[] = {
      {"click on a subfolder",
       [this] {
         const QTreeWidgetItem* b = tree->currentItem()->child(1);
         QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(b).center());
       },
       Path("b/")},
      {"arrow key down to the first subfolder",
       [this] {
         tree->setFocus();
         QTest::keyClick(tree, Qt::Key_Down);
       },
       Path("A/")},
      {"click on the folder above",
       [this] {
         const QTreeWidgetItem* up = tree->currentItem()->parent();
         QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(up).center());
       },
       QString::fromStdString(WithTrailingDelimiter(FolderPart(Root().toStdString())))},
      {"nothing highlighted", [] {}, Root() + u'/'},
      {"a click, then a typed path",
       [this] {
         const QTreeWidgetItem* b = tree->currentItem()->child(1);
         QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(b).center());
         TypePath(Path("c/deep"));
       },
       Path("c/deep/")},
  };
  for (const Case& c : cases) {
    Open();
    c.choose();
    Click("OKButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.what;
    EXPECT_EQ(dialog->Directory(), c.expected) << c.what;
  }
}

TEST_F(SelectFolderTest, DirectoryFallsBackToTheCurrentFolder) {
  QDir::setCurrent(Path("b"));
  Open();
  dialog->SetDirectory("../c");
  EXPECT_EQ(dialog->Directory(), Path("c/"));
  dialog->SetDirectory(Path("missing"));
  EXPECT_EQ(dialog->Directory(), Path("b/"));
  dialog->SetDirectory("");
  EXPECT_EQ(dialog->Directory(), Path("b/"));
}

TEST_F(SelectFolderTest, TypingMovesTheTreeButCreatesNothing) {
  Open();
  TypePath(Path("Holiday"));
  EXPECT_EQ(path->text(), Path("Holiday"));
  EXPECT_EQ(dialog->Directory(), Root() + u'/');
  EXPECT_EQ(QDir(Root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList({"A", "b", "c"}));

  TypePath(Path("c/de"));  // the tree stops at each existing folder on the way
  EXPECT_EQ(dialog->Directory(), Path("c/"));
  EXPECT_EQ(path->text(), Path("c/de"));
  QTest::keyClick(path, Qt::Key_E);
  QTest::keyClick(path, Qt::Key_P);
  EXPECT_EQ(dialog->Directory(), Path("c/deep/"));
  EXPECT_EQ(path->text(), Path("c/deep"));
  EXPECT_TRUE(messages.empty());
}

TEST_F(SelectFolderTest, EnterCreatesTheTypedFolderAndASecondEnterIsOK) {
  Open();
  TypePath(Path("Holiday/2024"));
  QTest::keyClick(path, Qt::Key_Return);
  EXPECT_TRUE(QFileInfo(Path("Holiday/2024")).isDir());
  EXPECT_EQ(dialog->Directory(), Path("Holiday/2024/"));
  EXPECT_EQ(path->text(), Path("Holiday/2024/"));
  EXPECT_TRUE(dialog->isVisible());

  QTest::keyClick(path, Qt::Key_Return);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(questions.empty());
}

TEST_F(SelectFolderTest, AFolderThatCannotBeCreatedShowsOneError) {
  Open();
  TypePath(Path("x.jpg/sub"));
  QTest::keyClick(path, Qt::Key_Return);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Error);
  EXPECT_EQ(messages[0].text, "Cannot create directory!\r\n" + Path("x.jpg/sub").toStdString());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->Directory(), Root() + u'/');
}

TEST_F(SelectFolderTest, OKCreatesATypedFolderAfterTheQuestionWhenPromptIsSet) {
  struct Case {
    bool prompt;
    bool answer;
    bool asked;
    bool created;
  };
  const Case cases[] = {
      {true, false, true, false},
      {true, true, true, true},
      {false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt * 2 + c.answer);
    QDir(Path("New")).removeRecursively();
    questions.clear();
    answer = c.answer;
    Open();
    dialog->SetPrompt(c.prompt);
    TypePath(Path("New"));
    Click("OKButton");
    EXPECT_EQ(questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(questions[0], "The specified directory does not exist. Create it?");
    }
    EXPECT_EQ(QFileInfo(Path("New")).isDir(), c.created);
    EXPECT_EQ(dialog->isVisible(), !c.created);
    if (c.created) {
      EXPECT_EQ(dialog->Directory(), Path("New/"));
    }
  }
}

TEST_F(SelectFolderTest, CreateFolderMakesTheNamedSubfolderAndShowsIt) {
  Open();
  auto* name = dialog->findChild<QLineEdit*>("edtNewFolder");
  EXPECT_EQ(name->text(), "New folder");
  Click("btnCreate");
  EXPECT_TRUE(QFileInfo(Path("New folder")).isDir());
  EXPECT_EQ(dialog->Directory(), Path("New folder/"));
  EXPECT_EQ(path->text(), Path("New folder/"));
  EXPECT_EQ(tree->currentItem()->text(0), "New folder");

  name->setText("");  // the folder in view: only read again
  Click("btnCreate");
  EXPECT_EQ(dialog->Directory(), Path("New folder/"));

  dialog->SetDirectory(Root());
  name->setText("x.jpg/sub");
  Click("btnCreate");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Cannot create directory!\r\n" + Path("x.jpg/sub").toStdString());
  EXPECT_EQ(dialog->Directory(), Root() + u'/');
}

TEST_F(SelectFolderTest, WithoutFolderCreationThePathRowAndTheCreateControlsAreHidden) {
  Open();
  dialog->SetAllowCreate(false);
  EXPECT_FALSE(path->isVisible());
  EXPECT_FALSE(dialog->findChild<QPushButton*>("btnCreate")->isVisible());
  EXPECT_FALSE(dialog->findChild<QLineEdit*>("edtNewFolder")->isVisible());
  dialog->SetAllowCreate(true);
  EXPECT_TRUE(path->isVisible());
}

TEST_F(SelectFolderTest, DesktopAndDocumentsButtonsNeedTheirFolders) {
  const velora::app::testing::ScopedHome home;
  Open();
  EXPECT_FALSE(dialog->findChild<QPushButton*>("BitBtn1")->isEnabled());
  EXPECT_FALSE(dialog->findChild<QPushButton*>("BitBtn2")->isEnabled());

  const QString desktop = QString::fromStdString(home.MakeFolder("Desktop"));
  const QString documents = QString::fromStdString(home.MakeFolder("Documents"));
  Open();
  Click("BitBtn1");
  EXPECT_EQ(dialog->Directory(), desktop + u'/');
  Click("BitBtn2");
  EXPECT_EQ(dialog->Directory(), documents + u'/');
}

// Runs BrowseForFolder with `drive` acting on the dialog once it is shown; a dialog left
// open is cancelled after a while so a failing test cannot wait forever.
bool Browse(QString& folder, TSelectDirOpts options,
            const std::function<void(TSelectDirDlg&)>& drive) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TSelectDirDlg*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no modal folder chooser";
      return;
    }
    drive(*dialog);
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] {
    if (QWidget* open = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "dialog left open";
      open->close();
    }
  });
  guard.start(10000);
  return BrowseForFolder("Browse for images", folder, options);
}

void ClickButton(TSelectDirDlg& dialog, const char* name) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(name), Qt::LeftButton);
}

TEST_F(SelectFolderTest, BrowseStartsAtTheGivenFolderAndOKReturnsIt) {
  QString folder = Path("c");
  QString shown, title;
  const bool ok = Browse(folder, sdAllowCreate, [&](TSelectDirDlg& dialog) {
    shown = dialog.Directory();
    title = dialog.windowTitle();
    ClickButton(dialog, "OKButton");
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(shown, Path("c/"));
  EXPECT_EQ(title, "Browse for images");
  EXPECT_EQ(folder, Path("c/"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(SelectFolderTest, BrowseStartsAtTheListsFolderWhenGivenNoFolder) {
  TTarnoFileList list;
  list.ShowFolder(Path("b/"));
  QString folder = Path("missing");
  QString shown;
  EXPECT_TRUE(Browse(folder, sdAllowCreate, [&](TSelectDirDlg& dialog) {
    shown = dialog.Directory();
    ClickButton(dialog, "OKButton");
  }));
  EXPECT_EQ(shown, Path("b/"));
  EXPECT_EQ(folder, Path("b/"));
}

TEST_F(SelectFolderTest, CancelChangesNothing) {
  QString folder = Path("c");
  EXPECT_FALSE(Browse(folder, sdAllowCreate, [&](TSelectDirDlg& dialog) {
    dialog.SetDirectory(Path("b"));
    ClickButton(dialog, "CancelButton");
  }));
  EXPECT_EQ(folder, Path("c"));
  EXPECT_FALSE(Browse(folder, sdAllowCreate,
                      [&](TSelectDirDlg& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }));
  EXPECT_EQ(folder, Path("c"));
}

TEST_F(SelectFolderTest, NoOptionsMeansPromptAndCreatingTheChosenFolder) {
  QString folder = Path("c/deep");
  answer = true;
  bool prompt = false;
  EXPECT_TRUE(Browse(folder, {}, [&](TSelectDirDlg& dialog) {
    prompt = dialog.Prompt();
    // The folder in view disappears while the dialog is open.
    QDir(Path("c/deep")).removeRecursively();
    ClickButton(dialog, "OKButton");
  }));
  EXPECT_TRUE(prompt);
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_EQ(folder, Path("c/deep/"));
  EXPECT_TRUE(QFileInfo(Path("c/deep")).isDir());
}

}  // namespace
}  // namespace velora::app::test
