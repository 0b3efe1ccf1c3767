#pragma once
// The folder path box: a line edit that completes partly typed names from the disk and
// finishes a folder name with "/" on Enter and when it loses the focus. Its OnChange signal
// comes first on every change of the text; completion runs after it. Enter belongs to the
// box: it opens the folder typed and goes no further.
#include <QFlags>
#include <QLineEdit>

namespace velora::app {

class TTarnoFileList;

// The kinds of entries that completion may offer. An entry qualifies when it is of at least
// one chosen kind: hidden (name starting with a dot), read-only (not writable by this user),
// a folder, a regular file (archive), or any other entry such as a device (system).
enum TPathEditAttr {
  peaReadOnly = 0x01,
  peaHidden = 0x02,
  peaSysFile = 0x04,
  peaDirectory = 0x10,
  peaArchive = 0x20,
};
Q_DECLARE_FLAGS(TPathEditAttrs, TPathEditAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPathEditAttrs)

class TPathEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TPathEdit(QWidget* parent = nullptr);

  bool Complete() const { return m_complete; }
  void SetComplete(bool complete) { m_complete = complete; }

  TPathEditAttrs CompleteWith() const { return m_completeWith; }
  void SetCompleteWith(TPathEditAttrs kinds) { m_completeWith = kinds; }

  // The last key pressed in the box (a Qt::Key value), 0 before the first.
  int LastKey() const { return m_lastKey; }

  // True while the change being processed comes from the user's typing (or from the
  // completion of what the user typed), false when the program set the text.
  bool IsTyping() const { return m_typing; }

 signals:
  // The text changed, by typing or by the program; raised before completion.
  void OnChange();
  // Enter was pressed on a text that Enter did not change: the user asks to open it again.
  void OnEnter();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void TextChanged();
  void CompleteName();

  bool m_complete = true;
  TPathEditAttrs m_completeWith =
      TPathEditAttrs(peaReadOnly) | peaHidden | peaSysFile | peaDirectory | peaArchive;
  int m_lastKey = 0;
  bool m_edited = false;      // the coming change was made by the user
  bool m_typing = false;      // the change being processed was typed
  bool m_completing = false;  // the change being processed is a completion's
};

// The main window's handler of the path box's OnChange: finishes a text set by the program
// with "/", moves the file list to a valid folder and colours the box light green when the
// list now shows the folder it names, orange otherwise. While the user types, the text stays
// as typed and a folder that cannot be read is passed over in silence (completion may land
// on one the user never meant); when the program sets the text, such a folder is reported.
void edtPath2Change(TPathEdit& edit, TTarnoFileList& list);
// The same for a folder the user asks to open (Enter): reported when it cannot be read.
void OpenPathBoxFolder(TPathEdit& edit, TTarnoFileList& list);
// The box names the folder the list shows.
bool PathBoxShowsList(const TPathEdit& edit, const TTarnoFileList& list);

// The colours of the path box: the text names a valid folder, or not.
inline constexpr QRgb kValidFolderColor = 0xFFA5C19F;    // 165, 193, 159
inline constexpr QRgb kInvalidFolderColor = 0xFFFF7800;  // 255, 120, 0

}  // namespace velora::app
