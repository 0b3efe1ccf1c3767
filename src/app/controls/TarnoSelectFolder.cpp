#include "controls/TarnoSelectFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "controls/folder_scan.h"
#include "controls/question_box.h"
#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

constexpr int kPathRole = Qt::UserRole;

std::string Std(const QString& text) {
  return text.toStdString();
}

QString CurrentFolder() {
  const QString current = QDir::currentPath();
  return current.isEmpty() ? QStringLiteral("/") : current;
}

// A folder the dialog can show: it exists and may be entered.
bool CanEnter(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  struct stat st {};
  return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(path.constData(), X_OK) == 0;
}

// The volume's root holds the folder: the root itself or a folder below it.
bool IsOnVolume(const QString& folder, const QString& root) {
  if (root == QLatin1String("/")) return true;
  return folder == root || folder.startsWith(root + u'/');
}

QStyle::StandardPixmap VolumePicture(const QByteArray& type) {
  static const QByteArrayList network = {"nfs",   "nfs4",       "cifs", "smb3",
                                         "smbfs", "fuse.sshfs", "9p"};
  if (network.contains(type)) return QStyle::SP_DriveNetIcon;
  if (type == "iso9660" || type == "udf") return QStyle::SP_DriveCDIcon;
  return QStyle::SP_DriveHDIcon;
}

// The way down to the folder in view is always open, so no branch marks are drawn: an arrow
// would promise a folding that the list does not do.
class FolderTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

}  // namespace

TSelectDirDlg::TSelectDirDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SelectDirDlg"));
  setWindowTitle(QStringLiteral("Select folder"));
  BuildLayout();
  FillDrives();
  const QString desktop = QString::fromStdString(GetSpecialFolder(CSIDL_DESKTOPDIRECTORY));
  const QString documents = QString::fromStdString(GetSpecialFolder(CSIDL_PERSONAL));
  BitBtn1->setEnabled(!desktop.isEmpty());
  BitBtn2->setEnabled(!documents.isEmpty());
  ShowTreeFolder(CurrentFolder());
  DirList->setFocus();
  resize(659, 436);
}

void TSelectDirDlg::BuildLayout() {
  const auto named = [](QWidget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };

  m_topRow = new QWidget(this);
  lblCurFolder = new QLabel(QStringLiteral("Cu&rrent path:"), m_topRow);
  edtDirectory = new QLineEdit(m_topRow);
  edtDirectory->setToolTip(QStringLiteral(
      "Enter a full path to navigate there. If the path does not exist, it will be created."));
  lblCurFolder->setBuddy(edtDirectory);
  auto* top = new QHBoxLayout(m_topRow);
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(named(lblCurFolder, "lblCurFolder"));
  top->addWidget(named(edtDirectory, "edtDirectory"), 1);

  auto* left = new QWidget;
  lblDrives = new QLabel(QStringLiteral("&Places:"), left);
  DriveList = new QComboBox(left);
  lblDrives->setBuddy(DriveList);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DesktopIcon),
                            QStringLiteral("Desktop"), left);
  BitBtn1->setToolTip(QStringLiteral("Navigate to 'DESKTOP' folder"));
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DirHomeIcon),
                            QStringLiteral("Documents"), left);
  BitBtn2->setToolTip(QStringLiteral("Navigate to 'DOCUMENTS' folder"));
  for (QPushButton* button : {BitBtn1, BitBtn2}) {
    button->setAutoDefault(false);
    button->setMinimumWidth(70);
  }
  DirList = new FolderTree(left);
  DirList->setHeaderHidden(true);
  DirList->setRootIsDecorated(false);
  DirList->setItemsExpandable(false);
  DirList->setUniformRowHeights(true);
  DirList->setIndentation(12);
  auto* shortcuts = new QHBoxLayout;
  shortcuts->addWidget(named(BitBtn1, "BitBtn1"));
  shortcuts->addWidget(named(BitBtn2, "BitBtn2"));
  shortcuts->addStretch(1);
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  leftColumn->addWidget(named(lblDrives, "lblDrives"));
  leftColumn->addWidget(named(DriveList, "DriveList"));
  leftColumn->addLayout(shortcuts);
  leftColumn->addWidget(named(DirList, "DirList"), 1);

  // The files are there for orientation only: grey, and nothing to select.
  FileList = new QListWidget;
  FileList->setSelectionMode(QAbstractItemView::NoSelection);
  FileList->setFocusPolicy(Qt::NoFocus);
  FileList->setUniformItemSizes(true);
  QPalette grey = FileList->palette();
  grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
  FileList->setPalette(grey);

  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setHandleWidth(4);
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(left);
  Splitter->addWidget(named(FileList, "FileList"));
  Splitter->setStretchFactor(0, 1);
  Splitter->setSizes({360, 260});

  btnCreate = new QPushButton(QStringLiteral("Create folder"), this);
  btnCreate->setToolTip(QStringLiteral("Create new folder"));
  btnCreate->setAutoDefault(false);
  edtNewFolder = new QLineEdit(QStringLiteral("New folder"), this);
  edtNewFolder->setFixedWidth(120);
  btnNetwork = new QPushButton(QStringLiteral("Network"), this);
  btnNetwork->setAutoDefault(false);
  btnNetwork->hide();  // there is no network connection dialog to open
  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setAutoDefault(false);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(named(btnCreate, "btnCreate"));
  bottom->addWidget(named(edtNewFolder, "edtNewFolder"));
  bottom->addStretch(1);
  bottom->addWidget(named(btnNetwork, "btnNetwork"));
  bottom->addWidget(named(OKButton, "OKButton"));
  bottom->addWidget(named(CancelButton, "CancelButton"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_topRow);
  layout->addWidget(named(Splitter, "Splitter"), 1);
  layout->addLayout(bottom);

  connect(DirList, &QTreeWidget::itemActivated, this, &TSelectDirDlg::DirListActivated);
  connect(DriveList, &QComboBox::activated, this, &TSelectDirDlg::DriveListChange);
  connect(edtDirectory, &QLineEdit::textChanged, this, &TSelectDirDlg::edtDirectoryChange);
  edtDirectory->installEventFilter(this);
  connect(BitBtn1, &QPushButton::clicked, this, &TSelectDirDlg::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TSelectDirDlg::BitBtn2Click);
  connect(btnCreate, &QPushButton::clicked, this, &TSelectDirDlg::btnCreateClick);
  connect(OKButton, &QPushButton::clicked, this, &TSelectDirDlg::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

// The mounted volumes, the root first, each by its name, with its mount point as the hint.
void TSelectDirDlg::FillDrives() {
  QList<QStorageInfo> volumes;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) {
      volumes.append(volume);
    }
  }
  std::stable_partition(volumes.begin(), volumes.end(),
                        [](const QStorageInfo& volume) { return volume.isRoot(); });
  for (const QStorageInfo& volume : volumes) {
    DriveList->addItem(style()->standardIcon(VolumePicture(volume.fileSystemType())),
                       VolumeName(volume.rootPath(), volume.name()), volume.rootPath());
    DriveList->setItemData(DriveList->count() - 1, volume.rootPath(), Qt::ToolTipRole);
  }
}

QString TSelectDirDlg::Directory() const {
  return QString::fromStdString(WithTrailingDelimiter(Std(m_folder)));
}

void TSelectDirDlg::SetDirectory(const QString& text) {
  if (text.isEmpty()) return;
  const QString folder = AbsoluteFolder(CurrentFolder(), text);
  ShowTreeFolder(CanEnter(folder) ? folder : CurrentFolder());
}

void TSelectDirDlg::SetAllowCreate(bool allow) {
  m_allowCreate = allow;
  m_topRow->setVisible(allow);
  btnCreate->setVisible(allow);
  edtNewFolder->setVisible(allow);
}

// The folder tree switches to a folder: the way down from the root, the folder itself and
// its subfolders; the file list and the drive box follow, then the tree-changed handler runs.
void TSelectDirDlg::ShowTreeFolder(const QString& folder) {
  m_folder = folder;
  std::vector<FolderEntry> entries;
  ScanFolder(
      folder, [](const QString& name) { return !IsHiddenName(name); }, entries);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });

  const QIcon openFolder = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedFolder = style()->standardIcon(QStyle::SP_DirClosedIcon);
  DirList->clear();
  auto* item = new QTreeWidgetItem(DirList, {QStringLiteral("/")});
  item->setData(0, kPathRole, QStringLiteral("/"));
  item->setIcon(0, openFolder);
  QString path;
  for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
    path += u'/' + part;
    item = new QTreeWidgetItem(item, {part});
    item->setData(0, kPathRole, path);
    item->setIcon(0, openFolder);
  }
  QTreeWidgetItem* current = item;
  QStringList files;
  for (const FolderEntry& entry : entries) {
    if (entry.kind == EntryKind::File) files.append(entry.name);
    if (entry.kind != EntryKind::Folder) continue;
    auto* sub = new QTreeWidgetItem(current, {entry.name});
    sub->setData(0, kPathRole, path + u'/' + entry.name);
    sub->setIcon(0, closedFolder);
  }
  DirList->expandAll();
  DirList->setCurrentItem(current);
  DirList->scrollToItem(current);

  FileList->clear();
  FileList->addItems(files);
  SelectDrive(folder);
  DirListChange();
}

void TSelectDirDlg::SelectDrive(const QString& folder) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < DriveList->count(); ++i) {
    const QString root = DriveList->itemData(i).toString();
    if (IsOnVolume(folder, root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  DriveList->setCurrentIndex(best);
}

// The path box shows the tree's folder, all selected, unless the tree is following what
// the user types there: the typed text then stays as it is.
void TSelectDirDlg::DirListChange() {
  if (m_followingBox) return;
  edtDirectory->setText(Directory());
  edtDirectory->selectAll();
}

void TSelectDirDlg::DirListActivated(QTreeWidgetItem* item) {
  if (item) ShowTreeFolder(item->data(0, kPathRole).toString());
}

void TSelectDirDlg::DriveListChange(int index) {
  const QString root = DriveList->itemData(index).toString();
  if (CanEnter(root)) {
    ShowTreeFolder(root);
  } else {
    SelectDrive(m_folder);
  }
}

// Typing moves the tree to each existing folder on the way; nothing is created here.
void TSelectDirDlg::edtDirectoryChange(const QString& text) {
  if (!ValidFolder(Std(text))) return;
  const QString folder = AbsoluteFolder(CurrentFolder(), text);
  if (folder == m_folder || !CanEnter(folder)) return;
  m_followingBox = true;
  ShowTreeFolder(folder);
  m_followingBox = false;
}

// Enter goes to the typed folder, creating it when it is missing. On the folder in view
// already, Enter is left to the OK button.
bool TSelectDirDlg::edtDirectoryEnter() {
  const QString text = edtDirectory->text();
  if (text.isEmpty()) return false;
  const QString folder = AbsoluteFolder(CurrentFolder(), text);
  if (ValidFolder(Std(text)) && folder == m_folder) return false;
  if (m_allowCreate && MakeFolder(Std(text)) < 0) return true;
  if (CanEnter(folder)) ShowTreeFolder(folder);
  return true;
}

bool TSelectDirDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtDirectory && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && edtDirectoryEnter()) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TSelectDirDlg::BitBtn1Click() {
  const QString desktop = QString::fromStdString(GetSpecialFolder(CSIDL_DESKTOPDIRECTORY));
  if (!desktop.isEmpty()) ShowTreeFolder(AbsoluteFolder(CurrentFolder(), desktop));
}

void TSelectDirDlg::BitBtn2Click() {
  const QString documents = QString::fromStdString(GetSpecialFolder(CSIDL_PERSONAL));
  if (!documents.isEmpty()) ShowTreeFolder(AbsoluteFolder(CurrentFolder(), documents));
}

void TSelectDirDlg::btnCreateClick() {
  const QString path = Directory() + edtNewFolder->text();
  if (MakeFolder(Std(path)) < 0) return;
  ShowTreeFolder(AbsoluteFolder(CurrentFolder(), path));
}

// A folder typed into the path box that the tree could not follow does not exist yet: OK
// creates it (after the question, when asked for) and returns it.
void TSelectDirDlg::OKButtonClick() {
  const std::string question = "The specified directory does not exist. Create it?";
  const QString typed = m_allowCreate ? edtDirectory->text() : QString();
  const QTreeWidgetItem* highlighted = DirList->currentItem();
  const QString marked = highlighted ? highlighted->data(0, kPathRole).toString() : m_folder;
  const bool typedOther = !typed.isEmpty() && AbsoluteFolder(CurrentFolder(), typed) != m_folder;
  if (!typedOther && marked != m_folder) {
    // A folder the user highlighted (a click, the arrow keys) is the one chosen, though the
    // tree still shows the one around it.
    m_folder = marked;
  } else if (typedOther) {
    if (!ValidFolder(Std(typed))) {
      if (m_prompt && !AskYesNo("Confirm", question)) return;
      if (MakeFolder(Std(typed)) < 0) return;
    }
    const QString folder = AbsoluteFolder(CurrentFolder(), typed);
    if (CanEnter(folder)) ShowTreeFolder(folder);
  } else if (m_allowCreate && m_prompt && !ValidFolder(Std(Directory()))) {
    if (!AskYesNo("Confirm", question)) return;
  }
  accept();
}

QString VolumeName(const QString& rootPath, const QString& label) {
  if (rootPath == QLatin1String("/")) return QStringLiteral("Computer");
  if (!label.isEmpty()) return label;
  return QDir(rootPath).dirName();
}

bool BrowseForFolder(const QString& caption, QString& folder, TSelectDirOpts options) {
  if (!options) options = TSelectDirOpts(sdAllowCreate) | sdCreateChosen | sdPrompt;
  const QString start = QString::fromStdString(WithTrailingDelimiter(Std(folder)));

  TSelectDirDlg dialog(QApplication::activeWindow());
  if (!caption.isEmpty()) dialog.setWindowTitle(caption);
  dialog.SetAllowCreate(options.testFlag(sdAllowCreate));
  if (ValidFolder(Std(start))) dialog.SetDirectory(start);
  dialog.SetPrompt(options.testFlag(sdPrompt));
  if (const QScreen* screen = dialog.screen()) {
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
  }
  if (dialog.exec() != QDialog::Accepted) return false;

  folder = dialog.Directory();
  // Only a folder removed while the dialog was open can be missing here.
  if (options.testFlag(sdCreateChosen)) MakeFolder(Std(folder));
  return true;
}

}  // namespace velora::app
