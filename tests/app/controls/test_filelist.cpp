// The image file list: what a folder reading lists, how the list follows the mouse and the
// keyboard, the Delete key, ShowFolder in its forms, and the filter box.
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

#include "controls/TarnoFileListBox.h"
#include "filelist_helpers.h"
#include "folder_fixture.h"

namespace velora::app::test {
namespace {

class FileListTest : public FolderTest {
 protected:
  // A shown list of the temporary folder, which holds the given files.
  std::unique_ptr<TTarnoFileList> ListOf(const QStringList& files) {
    if (!files.isEmpty()) Touch(files);
    auto list = std::make_unique<TTarnoFileList>();
    list->resize(240, 400);
    list->show();
    list->ShowFolder(Root() + u'/');
    return list;
  }
};

TEST_F(FileListTest, ListsRegularAndHiddenPicturesSortedWithoutRegardToCase) {
  Touch({"b.png", "a.JPG", "c.txt", ".d.gif", "C.bmp", "<b>x<i>.jpg", "f.jp", "g.JPEG"});
  MakeFolder("folder.jpg");
  ASSERT_EQ(::mkfifo(Path("pipe.jpg").toUtf8().constData(), 0600), 0);
  ASSERT_EQ(::symlink("b.png", Path("link.png").toUtf8().constData()), 0);
  ASSERT_EQ(::symlink("missing.png", Path("dangling.png").toUtf8().constData()), 0);

  auto list = ListOf({});
  EXPECT_EQ(Names(*list), QStringList({".d.gif", "<b>x<i>.jpg", "a.JPG", "b.png", "C.bmp", "f.jp",
                                       "g.JPEG", "link.png"}));
  EXPECT_TRUE(messages.empty());

  list->SetFileType(ftNormal);
  EXPECT_FALSE(Names(*list).contains(".d.gif"));
  list->SetFileType(TFileType(ftNormal) | ftDirectory | ftHidden);
  EXPECT_TRUE(Names(*list).contains("[folder.jpg]"));
}

TEST_F(FileListTest, ListsANameOncePerPatternItMatches) {
  auto list = ListOf({"a.jpg", "b.png"});
  list->SetMask("*.jpg;*.*");
  EXPECT_EQ(Names(*list), QStringList({"a.jpg", "a.jpg", "b.png"}));
}

TEST_F(FileListTest, ReadingMakesTheFolderCurrentAndClearsTheSelection) {
  MakeFolder("sub");
  Touch({"a.jpg", "b.jpg", "sub/c.jpg"});
  auto list = ListOf({});
  EXPECT_EQ(list->Folder(), Root());
  EXPECT_EQ(QDir::currentPath(), Root());

  list->SelectAll();
  list->Reread();
  EXPECT_EQ(list->SelCount(), 0);

  list->SelectAll();
  list->ShowFolder(Path("sub/"));
  EXPECT_EQ(list->Folder(), Path("sub"));
  EXPECT_EQ(QDir::currentPath(), Path("sub"));
  EXPECT_EQ(Names(*list), QStringList({"c.jpg"}));
  EXPECT_EQ(list->SelCount(), 0);

  list->ShowFolder(QStringLiteral("../"));  // relative to the folder shown
  EXPECT_EQ(list->Folder(), Root());
  list->ShowFolder(QStringLiteral("/"));
  EXPECT_EQ(list->Folder(), "/");
  EXPECT_EQ(QDir::currentPath(), "/");
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FileListTest, RereadsOnlyForANewMaskOrANewFolder) {
  auto list = ListOf({"a.jpg"});
  Touch({"b.jpg"});  // not read yet
  list->SelectAll();

  list->SetMask(list->Mask());
  list->ShowFolder(Root() + u'/');
  list->ShowFolder(Root());
  EXPECT_EQ(Names(*list), QStringList({"a.jpg"}));
  EXPECT_EQ(list->SelCount(), 1);

  list->SetMask("*.JPG");  // differs, if only in case
  EXPECT_EQ(Names(*list), QStringList({"a.jpg", "b.jpg"}));
}

TEST_F(FileListTest, FolderIdentityIsExact) {
  MakeFolder("Photos");
  MakeFolder("photos");
  Touch({"Photos/a.jpg", "photos/b.jpg"});
  auto list = ListOf({});
  list->ShowFolder(Path("Photos/"));
  list->ShowFolder(Path("photos/"));
  EXPECT_EQ(Names(*list), QStringList({"b.jpg"}));
}

TEST_F(FileListTest, BusyCursorOnlyWhileReadingALongFolder) {
  QStringList many;
  for (int i = 0; i < 150; ++i) many.append(QStringLiteral("p%1.png").arg(i));
  auto list = ListOf(many);
  EXPECT_EQ(list->count(), 150);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FileListTest, AFolderThatCannotBeReadKeepsTheListAndIsReportedOnce) {
  MakeFolder("gone");
  auto list = ListOf({"a.jpg", "b.jpg", "notes.txt"});
  list->item(1)->setSelected(true);

  // A file is no folder to enter.
  list->ShowFolder(Path("notes.txt/"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Error);
  EXPECT_EQ(messages[0].text, "Not a directory\r\n" + Path("notes.txt").toStdString());
  EXPECT_EQ(list->Folder(), Root());
  EXPECT_EQ(QDir::currentPath(), Root());
  EXPECT_EQ(Names(*list), QStringList({"a.jpg", "b.jpg"}));
  EXPECT_EQ(SelectedNames(*list), QStringList({"b.jpg"}));

  // The folder shown is removed behind the list's back.
  list->ShowFolder(Path("gone/"));
  ASSERT_TRUE(QDir(Path("gone")).removeRecursively());
  messages.clear();
  list->Reread();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "No such file or directory\r\n" + Path("gone").toStdString());
  EXPECT_EQ(list->Folder(), Path("gone"));
}

// Each row: what the user does, and whether the list tells its owner.
struct NotifyCase {
  const char* what;
  std::function<void(TTarnoFileList&)> act;
  bool notifies;
};

TEST_F(FileListTest, TellsItsOwnerAboutMousePressesAndUpDownOnly) {
  const NotifyCase cases[] = {
      {"left click", [](TTarnoFileList& l) { ClickRow(l, 2); }, true},
      {"right click", [](TTarnoFileList& l) { ClickRow(l, 2, Qt::RightButton); }, true},
      {"middle click", [](TTarnoFileList& l) { ClickRow(l, 2, Qt::MiddleButton); }, true},
      {"ctrl click", [](TTarnoFileList& l) { ClickRow(l, 2, Qt::LeftButton, Qt::ControlModifier); },
       true},
      {"click below the entries",
       [](TTarnoFileList& l) {
         QTest::mouseClick(l.viewport(), Qt::LeftButton, {}, {5, 390});
       },
       true},
      {"Down", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_Down); }, true},
      {"Up", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_Up); }, true},
      {"Shift+Down",
       [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_Down, Qt::ShiftModifier); }, true},
      {"Page Down", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_PageDown); }, false},
      {"Page Up", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_PageUp); }, false},
      {"Home", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_Home); }, false},
      {"End", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_End); }, false},
      {"a letter", [](TTarnoFileList& l) { QTest::keyClick(&l, Qt::Key_C); }, false},
      {"SelectAll", [](TTarnoFileList& l) { l.SelectAll(); }, false},
      {"InvertSelection", [](TTarnoFileList& l) { l.InvertSelection(); }, false},
      {"Reread", [](TTarnoFileList& l) { l.Reread(); }, false},
      {"ShowFolder of a file", [](TTarnoFileList& l) { l.ShowFolder("d.jpg"); }, false},
      {"ShowFolder of a folder", [](TTarnoFileList& l) { l.ShowFolder("/"); }, false},
      {"setting a flag", [](TTarnoFileList& l) { l.item(3)->setSelected(true); }, false},
  };
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  for (const NotifyCase& c : cases) {
    SCOPED_TRACE(c.what);
    list->ShowFolder(Root() + u'/');
    list->SetMask(kPictureMask);
    list->setCurrentRow(1);
    QSignalSpy spy(list.get(), &TTarnoFileList::OnSelectChaged);
    c.act(*list);
    EXPECT_EQ(spy.count(), c.notifies ? 1 : 0);
  }
}

TEST_F(FileListTest, NotificationComesAfterThePressHasMovedSelectionAndCurrentEntry) {
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg"});
  QStringList seen;
  QObject::connect(list.get(), &TTarnoFileList::OnSelectChaged, [&] {
    seen.append(list->currentItem()->text() + u':' + SelectedNames(*list).join(u','));
  });

  ClickRow(*list, 0);
  ClickRow(*list, 2, Qt::LeftButton, Qt::ShiftModifier);
  ClickRow(*list, 1);  // already selected among others: now alone at once
  QTest::keyClick(list.get(), Qt::Key_Down);
  QTest::keyClick(list.get(), Qt::Key_Down);  // on the last entry: still told
  ClickRow(*list, 0, Qt::RightButton);        // changes nothing
  EXPECT_EQ(seen, QStringList({"a.jpg:a.jpg", "c.jpg:a.jpg,b.jpg,c.jpg", "b.jpg:b.jpg",
                               "c.jpg:c.jpg", "c.jpg:c.jpg", "c.jpg:c.jpg"}));
}

TEST_F(FileListTest, DoubleClickIsAPressAndTheDoubleClickNotification) {
  auto list = ListOf({"a.jpg", "b.jpg"});
  QSignalSpy notified(list.get(), &TTarnoFileList::OnSelectChaged);
  QSignalSpy doubleClicked(list.get(), &QListWidget::itemDoubleClicked);
  // Through the window, as the platform delivers it: press, release, double click, release.
  const QPoint at =
      list->viewport()->mapTo(list.get(), list->visualItemRect(list->item(1)).center());
  QTest::mouseDClick(list->windowHandle(), Qt::LeftButton, {}, at);
  EXPECT_EQ(doubleClicked.count(), 1);
  EXPECT_EQ(notified.count(), 2);  // the first press and the second
  EXPECT_EQ(list->CurrentFileName(), "b.jpg");
}

TEST_F(FileListTest, EmptyListNeverNotifies) {
  auto list = ListOf({"notes.txt"});
  ASSERT_EQ(list->count(), 0);
  QSignalSpy spy(list.get(), &TTarnoFileList::OnSelectChaged);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {10, 10});
  QTest::keyClick(list.get(), Qt::Key_Down);
  QTest::keyClick(list.get(), Qt::Key_Delete);
  EXPECT_EQ(spy.count(), 0);
}

TEST_F(FileListTest, ExtendedSelectionAndTheCurrentFileName) {
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  ClickRow(*list, 1);
  EXPECT_EQ(SelectedNames(*list), QStringList({"b.jpg"}));
  EXPECT_EQ(list->CurrentFilePath(), Path("b.jpg"));

  ClickRow(*list, 3, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(SelectedNames(*list), QStringList({"b.jpg", "c.jpg", "d.jpg"}));
  ClickRow(*list, 2, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(SelectedNames(*list), QStringList({"b.jpg", "d.jpg"}));
  // The current entry was clicked off: no current file.
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(list->CurrentFileName(), "");
  EXPECT_EQ(list->CurrentFilePath(), "");

  QTest::keyClick(list.get(), Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(list->CurrentFileName(), "b.jpg");
}

TEST_F(FileListTest, InvertSelectionFlipsEveryEntryAndKeepsTheCurrentOne) {
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg"});
  list->InvertSelection();
  EXPECT_EQ(list->SelCount(), 3);
  ClickRow(*list, 1, Qt::LeftButton, Qt::ControlModifier);
  list->InvertSelection();
  EXPECT_EQ(SelectedNames(*list), QStringList({"b.jpg"}));
  list->InvertSelection();
  EXPECT_EQ(SelectedNames(*list), QStringList({"a.jpg", "c.jpg"}));
  EXPECT_EQ(list->currentRow(), 1);
}

// The two examples of the Delete key: which entries are selected, which is current, and
// what is left afterwards.
struct DeleteCase {
  std::vector<int> selected;
  int current;
  QStringList left;
  QStringList selectedAfter;
};

TEST_F(FileListTest, DeleteTakesEntriesOutOfTheListOnly) {
  const DeleteCase cases[] = {
      {{1}, 1, {"a.jpg", "c.jpg", "d.jpg", "e.jpg"}, {"c.jpg"}},
      {{3, 4}, 4, {"a.jpg", "b.jpg", "c.jpg"}, {"c.jpg"}},
      {{0, 2, 3}, 2, {"b.jpg", "e.jpg"}, {"e.jpg"}},
  };
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
  for (const DeleteCase& c : cases) {
    list->Reread();
    list->setCurrentRow(c.current, QItemSelectionModel::NoUpdate);
    for (int row : c.selected) list->item(row)->setSelected(true);
    QSignalSpy deleting(list.get(), &TTarnoFileList::OnDeleteItem);
    QSignalSpy notified(list.get(), &TTarnoFileList::OnSelectChaged);

    QTest::keyClick(list.get(), Qt::Key_Delete);
    EXPECT_EQ(Names(*list), c.left);
    EXPECT_EQ(SelectedNames(*list), c.selectedAfter);
    EXPECT_EQ(list->CurrentFileName(), c.selectedAfter.first());
    ASSERT_EQ(deleting.count(), 1);
    EXPECT_EQ(deleting[0][1].toInt(), c.current);
    EXPECT_EQ(notified.count(), 0);
  }
  EXPECT_TRUE(QFile::exists(Path("a.jpg")));
  list->Reread();
  EXPECT_EQ(list->count(), 5);
}

TEST_F(FileListTest, ShowFolderWithAFilePathMakesItCurrent) {
  MakeFolder("sub");
  Touch({"sub/a.jpg", "sub/b.jpg", "sub/c.jpg"});
  auto list = ListOf({});

  // A path to a file that is not selected: the list shows that file alone.
  list->ShowFolder(Path("sub/b.jpg"));
  EXPECT_EQ(list->Folder(), Path("sub"));
  EXPECT_EQ(list->Mask(), "b.jpg");
  EXPECT_EQ(Names(*list), QStringList({"b.jpg"}));
  EXPECT_EQ(list->currentRow(), 0);

  // A mask with wildcards becomes the list's mask.
  list->ShowFolder(QStringLiteral("*.jpg"));
  EXPECT_EQ(list->count(), 3);
  // A folder path without its trailing "/" is a folder too.
  list->ShowFolder(Root());
  EXPECT_EQ(list->Folder(), Root());
  EXPECT_TRUE(messages.empty());
}

TEST_F(FileListTest, ShowFolderWithABareNameMovesTheFocusWithoutTouchingTheSelection) {
  auto list = ListOf({"a.jpg", "b.jpg", "c.jpg"});
  TFilterComboBox filter;
  filter.SetFileList(list.get());
  const QString fullMask = list->Mask();

  list->item(0)->setSelected(true);
  list->item(2)->setSelected(true);
  list->ShowFolder("c.jpg");  // selected: just made current
  EXPECT_EQ(list->CurrentFileName(), "c.jpg");
  EXPECT_EQ(SelectedNames(*list), QStringList({"a.jpg", "c.jpg"}));
  EXPECT_EQ(list->Mask(), fullMask);

  list->ShowFolder("b.jpg");  // not selected: shown alone
  EXPECT_EQ(list->Mask(), "b.jpg");
  EXPECT_EQ(Names(*list), QStringList({"b.jpg"}));
  EXPECT_EQ(list->currentRow(), 0);

  // Choosing the filter box's entry again, the one it shows, brings the full list back.
  filter.showPopup();
  QAbstractItemView* popup = filter.view();
  QTest::mouseClick(popup->viewport(), Qt::LeftButton, {},
                    popup->visualRect(popup->model()->index(0, 0)).center());
  EXPECT_EQ(list->Mask(), fullMask);
  EXPECT_EQ(list->count(), 3);
}

TEST_F(FileListTest, FilterBoxChoosesTheMaskAndRereads) {
  auto list = ListOf({"a.jpg", "b.png", "c.gif", "d.bmp", "e.jpeg"});
  TFilterComboBox filter;
  filter.SetFileList(list.get());
  ASSERT_EQ(filter.count(), 8);
  EXPECT_EQ(filter.itemText(0),
            "Show all supported pictures (jpeg, jpg, gif, png, bmp, heic, heif, avif, webp, tiff)");
  const QStringList newRows = {"HEIC / HEIF / AVIF", "WEBP", "TIFF"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(filter.itemText(5 + i), newRows[i]);
  EXPECT_EQ(list->Mask(), filter.Mask());

  list->SelectAll();
  filter.setFocus();
  QTest::keyClick(&filter, Qt::Key_Down);  // JPEG
  EXPECT_EQ(Names(*list), QStringList({"a.jpg", "e.jpeg"}));
  QTest::keyClick(&filter, Qt::Key_Down);  // BITMAP
  QTest::keyClick(&filter, Qt::Key_Down);  // PNG
  EXPECT_EQ(Names(*list), QStringList({"b.png"}));
  EXPECT_EQ(list->SelCount(), 0);
  QTest::keyClick(&filter, Qt::Key_Home);
  EXPECT_EQ(list->count(), 5);

  filter.SetFilter("All|*.*|Text|*.txt|Dangling");
  EXPECT_EQ(filter.count(), 2);
  filter.SetFilter("");
  EXPECT_EQ(filter.Mask(), "*.*");
}

}  // namespace
}  // namespace velora::app::test
