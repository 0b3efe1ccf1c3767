#include "controls/TarnoFileListBox.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "controls/file_mask.h"
#include "controls/folder_scan.h"
#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

constexpr int kFolderEntryRole = Qt::UserRole + 1;
// From the hundred-and-first entry on, a reading shows the busy cursor.
constexpr int kEntriesBeforeBusyCursor = 100;

class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The process's current folder, kept open so it can be entered again after a failed reading.
class SavedCurrentFolder {
 public:
  SavedCurrentFolder() : m_fd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~SavedCurrentFolder() {
    if (m_fd >= 0) ::close(m_fd);
  }
  SavedCurrentFolder(const SavedCurrentFolder&) = delete;
  SavedCurrentFolder& operator=(const SavedCurrentFolder&) = delete;
  void Restore() const {
    if (m_fd >= 0 && ::fchdir(m_fd) != 0) {
      // Nothing better to do: the folder we came from is gone as well.
    }
  }

 private:
  int m_fd;
};

void ReportFolderError(const QString& folder, int error, bool report) {
  if (report) MsgError(std::string(std::strerror(error)) + "\r\n" + folder.toStdString());
}

bool IsReadOnly(const QString& name) {
  return ::access(QFile::encodeName(name).constData(), W_OK) != 0;
}

// Draws each entry's glyph: a folder, a program or a plain file. The glyphs are not stored
// in the entries, so filling a list of many thousands costs nothing extra.
class GlyphDelegate : public QStyledItemDelegate {
 public:
  explicit GlyphDelegate(TTarnoFileList* list)
      : QStyledItemDelegate(list),
        m_list(list),
        m_file(list->style()->standardIcon(QStyle::SP_FileIcon)),
        m_folder(list->style()->standardIcon(QStyle::SP_DirClosedIcon)),
        m_program(QIcon::fromTheme(QStringLiteral("application-x-executable"), m_file)) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!m_list->ShowGlyphs()) return;
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->icon = GlyphOf(index);
    option->decorationSize = m_list->iconSize();
  }

 private:
  const QIcon& GlyphOf(const QModelIndex& index) const {
    if (index.data(kFolderEntryRole).toBool()) return m_folder;
    const QString name = index.data(Qt::DisplayRole).toString();
    const QString ext = name.mid(name.lastIndexOf(u'.') + 1).toLower();
    const bool program =
        name.contains(u'.') && (ext == QLatin1String("exe") || ext == QLatin1String("com") ||
                                ext == QLatin1String("bat") || ext == QLatin1String("pif"));
    return program ? m_program : m_file;
  }

  TTarnoFileList* m_list;
  QIcon m_file;
  QIcon m_folder;
  QIcon m_program;
};

}  // namespace

TTarnoFileList::TTarnoFileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setIconSize(QSize(16, 16));
  setItemDelegate(new GlyphDelegate(this));
  m_folder = QDir::currentPath();
  ReadFolder(m_folder);
}

void TTarnoFileList::SetMask(const QString& mask) {
  if (mask == m_mask) return;
  m_mask = mask;
  Reread();
}

void TTarnoFileList::SetFileType(TFileType fileType) {
  if (fileType == m_fileType) return;
  m_fileType = fileType;
  Reread();
}

void TTarnoFileList::SetShowGlyphs(bool show) {
  if (show == m_showGlyphs) return;
  m_showGlyphs = show;
  scheduleDelayedItemsLayout();  // the rows' size depends on the glyph
  viewport()->update();
}

void TTarnoFileList::Reread() {
  ReadFolder(m_folder);
}

bool TTarnoFileList::SwitchToFolder(const QString& folder) {
  if (folder == m_folder) return true;
  return ReadFolder(folder);
}

// Enters the folder first and reads it completely before touching the entries, so a folder
// that cannot be entered or read leaves the list, its folder and the current folder as they
// were, with one error report.
bool TTarnoFileList::ReadFolder(const QString& folder) {
  SavedCurrentFolder previous;
  if (::chdir(QFile::encodeName(folder).constData()) != 0) {
    ReportFolderError(folder, errno, m_reportErrors);
    return false;
  }

  const QStringList patterns = SplitMask(m_mask);
  const bool listHidden = m_fileType.testFlag(ftHidden);
  std::optional<BusyCursor> busy;
  int accepted = 0;
  std::vector<FolderEntry> found;
  const bool complete = ScanFolder(
      QStringLiteral("."),
      [&](const QString& name) {
        if (IsHiddenName(name) && !listHidden) return false;
        for (const QString& pattern : patterns) {
          if (!MatchesPattern(pattern, name)) continue;
          if (++accepted == kEntriesBeforeBusyCursor + 1) busy.emplace();
          return true;
        }
        return false;
      },
      found);
  if (!complete) {
    const int error = errno;
    previous.Restore();
    ReportFolderError(folder, error, m_reportErrors);
    return false;
  }

  // Which entries are listed: without ftNormal only those that carry a chosen attribute.
  const bool listFolders = m_fileType.testFlag(ftDirectory);
  const bool everyEntry = m_fileType.testFlag(ftNormal);
  struct Entry {
    QString text;
    bool folder;
  };
  std::vector<Entry> entries;
  entries.reserve(found.size());
  for (const FolderEntry& entry : found) {
    const bool isFolder = entry.kind == EntryKind::Folder;
    if (entry.kind == EntryKind::Other || (isFolder && !listFolders)) continue;
    if (!everyEntry) {
      const bool carries = (isFolder && listFolders) || (IsHiddenName(entry.name) && listHidden) ||
                           (m_fileType.testFlag(ftReadOnly) && IsReadOnly(entry.name));
      if (!carries) continue;
    }
    const QString text = isFolder ? u'[' + entry.name + u']' : entry.name;
    // A name that matches several patterns is listed once for each.
    for (const QString& pattern : patterns) {
      if (MatchesPattern(pattern, entry.name)) entries.push_back({text, isFolder});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return NameLess(a.text, b.text); });

  QStringList texts;
  texts.reserve(static_cast<qsizetype>(entries.size()));
  for (const Entry& entry : entries) texts.append(entry.text);
  m_folder = folder;
  clear();
  addItems(texts);
  for (int row = 0; row < count(); ++row) {
    if (entries[static_cast<size_t>(row)].folder) item(row)->setData(kFolderEntryRole, true);
  }
  return true;
}

void TTarnoFileList::ShowFolder(const QString& text) {
  if (text.isEmpty() || text == CurrentFilePath()) return;

  // "[name]" is a folder entry of the list; anything else is a folder part and a name.
  QString folderPart;
  QString name;
  if (text.size() >= 2 && text.startsWith(u'[') && text.endsWith(u']')) {
    folderPart = text.mid(1, text.size() - 2);
  } else {
    const qsizetype slash = text.lastIndexOf(u'/');
    folderPart = text.left(slash + 1);
    name = text.mid(slash + 1);
  }
  QString folder =
      AbsoluteFolder(m_folder, folderPart.isEmpty() ? QStringLiteral(".") : folderPart);
  // A name that is no file is a subfolder.
  if (!name.isEmpty() && !HasWildcard(name) && !FileExists((folder + u'/' + name).toStdString())) {
    folder = AbsoluteFolder(folder, name);
    name.clear();
  }
  if (!SwitchToFolder(folder)) return;

  if (HasWildcard(name)) {
    SetMask(name);
    return;
  }
  if (name.isEmpty() || name == CurrentFileName()) return;
  FocusEntry(name);
  if (!FileExists((m_folder + u'/' + name).toStdString())) {
    MsgError("Invalid file name - " + text.toStdString());
    return;
  }
  // A file that is not among the selected entries is shown alone.
  if (CurrentFileName().isEmpty()) {
    SetMask(name);
    FocusEntry(name);
  }
}

void TTarnoFileList::FocusEntry(const QString& name) {
  const QList<QListWidgetItem*> hits = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (hits.isEmpty()) return;
  const QModelIndex index = indexFromItem(hits.first());
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  scrollTo(index);
}

void TTarnoFileList::InvertSelection() {
  if (count() == 0) return;
  const QItemSelection all(model()->index(0, 0), model()->index(count() - 1, 0));
  selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void TTarnoFileList::SelectAll() {
  selectAll();
}

QString TTarnoFileList::CurrentFileName() const {
  const QListWidgetItem* current = currentItem();
  return current && current->isSelected() ? current->text() : QString();
}

QString TTarnoFileList::CurrentFilePath() const {
  const QString name = CurrentFileName();
  if (name.isEmpty()) return QString();
  return m_folder.endsWith(u'/') ? m_folder + name : m_folder + u'/' + name;
}

int TTarnoFileList::SelCount() const {
  return static_cast<int>(selectionModel()->selectedIndexes().size());
}

void TTarnoFileList::NotifySelectChanged() {
  if (count() > 0) emit OnSelectChaged();
}

void TTarnoFileList::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    QListWidget::mousePressEvent(event);
    // A plain click on an entry that was already selected among others selects it alone at
    // once; the view would otherwise wait for the release.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) && index.isValid() &&
        selectionModel()->isSelected(index) && SelCount() > 1) {
      selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    }
  } else {
    // Other buttons take the focus but leave the selection and the current entry alone.
    setFocus(Qt::MouseFocusReason);
    event->accept();
  }
  m_pressNotified = true;
  NotifySelectChanged();
}

void TTarnoFileList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    QListWidget::mouseReleaseEvent(event);
  } else {
    event->accept();
  }
}

// The second press of a double click is a press like any other.
void TTarnoFileList::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);
    return;
  }
  m_pressNotified = false;
  QListWidget::mouseDoubleClickEvent(event);  // may hand the click back as a press
  if (!m_pressNotified) NotifySelectChanged();
}

void TTarnoFileList::keyPressEvent(QKeyEvent* event) {
  QListWidget::keyPressEvent(event);
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) NotifySelectChanged();
}

void TTarnoFileList::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && !event->isAutoRepeat() && count() > 0) DeleteSelected();
  QListWidget::keyReleaseEvent(event);
}

// Takes the selected entries out of the list (the files stay where they are) and selects the
// entry that now stands where the current one stood, or the last one.
void TTarnoFileList::DeleteSelected() {
  int index = currentRow();
  if (QListWidgetItem* current = currentItem()) emit OnDeleteItem(current->text(), index);

  QList<int> rows;
  for (const QModelIndex& selected : selectionModel()->selectedIndexes()) {
    rows.append(selected.row());
  }
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  // Remove runs of neighbours at once, from the bottom up, so the rows above keep their numbers.
  for (qsizetype i = 0; i < rows.size();) {
    qsizetype j = i + 1;
    while (j < rows.size() && rows[j] == rows[j - 1] - 1) ++j;
    const int first = rows[j - 1];
    model()->removeRows(first, rows[i] - first + 1);
    i = j;
  }

  if (index > count() - 1) index = count() - 1;
  if (index >= 0) {
    selectionModel()->setCurrentIndex(model()->index(index, 0), QItemSelectionModel::Select);
  }
}

TFilterComboBox::TFilterComboBox(QWidget* parent) : QComboBox(parent) {
  SetFilter(QString::fromLatin1(kPictureFilter));
  // "activated" comes with every choice the user makes, also of the entry already chosen.
  connect(this, &QComboBox::activated, this, &TFilterComboBox::Change);
}

void TFilterComboBox::SetFilter(const QString& filter) {
  m_filter = filter;
  clear();
  const QStringList parts = filter.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) addItem(parts[i], parts[i + 1]);
  if (count() > 0) setCurrentIndex(0);
}

QString TFilterComboBox::Mask() const {
  if (currentIndex() < 0) return QStringLiteral("*.*");
  return itemData(currentIndex()).toString();
}

void TFilterComboBox::Change() {
  if (count() > 0 && currentIndex() < 0) setCurrentIndex(count() - 1);
  if (m_fileList) m_fileList->SetMask(Mask());
}

}  // namespace velora::app
