#include "controls/PATHEdit.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "controls/TarnoFileListBox.h"
#include "controls/folder_scan.h"
#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

bool IsFolder(const QString& text) {
  QFileInfo info(text);
  return !text.isEmpty() && info.isDir();
}

bool Qualifies(const QString& folder, const FolderEntry& entry, TPathEditAttrs kinds) {
  if (kinds.testFlag(peaDirectory) && entry.kind == EntryKind::Folder) return true;
  if (kinds.testFlag(peaArchive) && entry.kind == EntryKind::File) return true;
  if (kinds.testFlag(peaSysFile) && entry.kind == EntryKind::Other) return true;
  if (kinds.testFlag(peaHidden) && IsHiddenName(entry.name)) return true;
  if (kinds.testFlag(peaReadOnly)) {
    return ::access(QFile::encodeName(folder + entry.name).constData(), W_OK) != 0;
  }
  return false;
}

void SetBoxColor(QLineEdit& edit, QRgb color) {
  QPalette palette = edit.palette();
  palette.setColor(QPalette::Base, QColor::fromRgb(color));
  edit.setPalette(palette);
}

}  // namespace

TPathEdit::TPathEdit(QWidget* parent) : QLineEdit(parent) {
  // textEdited comes just before textChanged for the same change, and only for the user's.
  connect(this, &QLineEdit::textEdited, this, [this] { m_edited = true; });
  connect(this, &QLineEdit::textChanged, this, &TPathEdit::TextChanged);
}

void TPathEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  // Noted before the key does its work, so the change it makes knows which key made it.
  m_lastKey = key;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // A finished name is a change of the program's, which opens the folder; otherwise the
    // same text is opened again. Either way Enter stops here: it is no command of the window.
    if (IsFolder(text()) && !text().endsWith(u'/')) {
      setText(text() + u'/');
    } else {
      emit OnEnter();
    }
    deselect();
    end(false);
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TPathEdit::focusOutEvent(QFocusEvent* event) {
  // A popup (the context menu) takes the focus only for a moment.
  if (event->reason() != Qt::PopupFocusReason && ValidFolder(text().toStdString()) &&
      !text().endsWith(u'/')) {
    setText(text() + u'/');
  }
  QLineEdit::focusOutEvent(event);
}

void TPathEdit::TextChanged() {
  const bool typed = std::exchange(m_edited, false);
  const bool outerTyping = std::exchange(m_typing, typed || m_completing);
  emit OnChange();
  CompleteName();
  m_typing = outerTyping;
}

// Offers the first entry, in the list's order, whose name starts with the name being typed:
// the box gets the rest of that name, selected, so typing on replaces it.
void TPathEdit::CompleteName() {
  if (!m_complete || m_lastKey == Qt::Key_Backspace || m_lastKey == Qt::Key_Delete) return;
  QString working = text();
  if (hasSelectedText()) working.remove(selectionStart(), selectedText().size());
  // Only absolute paths that end inside a name are completed.
  if (working.size() < 2 || !working.startsWith(u'/') || working.endsWith(u'/')) return;

  const qsizetype slash = working.lastIndexOf(u'/');
  const QString folder = working.left(slash + 1);
  const QString typed = working.mid(slash + 1);
  std::vector<FolderEntry> entries;
  if (!ScanFolder(
          folder, [&](const QString& name) { return name.startsWith(typed); }, entries)) {
    return;
  }
  const FolderEntry* best = nullptr;
  for (const FolderEntry& entry : entries) {
    if ((!best || NameLess(entry.name, best->name)) && Qualifies(folder, entry, m_completeWith)) {
      best = &entry;
    }
  }
  if (!best) return;

  const qsizetype length = working.size();
  const QString completed = text().left(length) + best->name.mid(typed.size());
  const bool outerCompleting = std::exchange(m_completing, true);
  setText(completed);
  m_completing = outerCompleting;
  setSelection(static_cast<int>(length), static_cast<int>(completed.size() - length));
}

namespace {

// Moves the list to the box's folder, then colours the box by whether the list shows it.
void ShowBoxFolder(TPathEdit& edit, TTarnoFileList& list, bool report) {
  if (ValidFolder(edit.text().toStdString()) && !PathBoxShowsList(edit, list)) {
    const TTarnoFileList::ErrorReports reports(list, report);
    list.ShowFolder(edit.text());
  }
  SetBoxColor(edit, PathBoxShowsList(edit, list) ? kValidFolderColor : kInvalidFolderColor);
}

}  // namespace

bool PathBoxShowsList(const TPathEdit& edit, const TTarnoFileList& list) {
  const QString text = edit.text();
  return ValidFolder(text.toStdString()) && AbsoluteFolder(list.Folder(), text) == list.Folder();
}

void edtPath2Change(TPathEdit& edit, TTarnoFileList& list) {
  // The program's texts are finished with "/" at once; the user's only on Enter and when
  // the box loses the focus, so a folder name can be typed letter by letter. The finished
  // text comes back here as a change of its own, which does the rest.
  if (!edit.IsTyping()) {
    const QString finished =
        QString::fromStdString(WithTrailingDelimiter(edit.text().toStdString()));
    if (finished != edit.text()) {
      edit.setText(finished);
      return;
    }
  }
  ShowBoxFolder(edit, list, !edit.IsTyping());
}

void OpenPathBoxFolder(TPathEdit& edit, TTarnoFileList& list) {
  ShowBoxFolder(edit, list, true);
}

}  // namespace velora::app
