#pragma once
// The folder chooser: the mounted volumes, the folder tree down to the folder in view with
// its subfolders, and (greyed, for orientation) the files of that folder. The user can type
// a path, jump to the desktop or documents folder and create a subfolder. BrowseForFolder
// runs it as a modal dialog.
#include <QDialog>
#include <QFlags>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace velora::app {

class TSelectDirDlg : public QDialog {
  Q_OBJECT

 public:
  // Starts in the process's current folder, with folder creation allowed and no question.
  explicit TSelectDirDlg(QWidget* parent = nullptr);

  // The folder in view, with a trailing "/".
  QString Directory() const;
  // Shows the folder named by the text (relative texts from the current folder); a folder
  // that cannot be entered shows the current folder instead. "" does nothing.
  void SetDirectory(const QString& text);

  // Shows the path box and the folder-creation controls.
  bool AllowCreate() const { return m_allowCreate; }
  void SetAllowCreate(bool allow);

  // OK asks before accepting a folder that does not exist.
  bool Prompt() const { return m_prompt; }
  void SetPrompt(bool prompt) { m_prompt = prompt; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void FillDrives();
  void ShowTreeFolder(const QString& folder);
  void SelectDrive(const QString& folder);
  void DirListChange();
  void DirListActivated(QTreeWidgetItem* item);
  void DriveListChange(int index);
  void edtDirectoryChange(const QString& text);
  bool edtDirectoryEnter();
  void BitBtn1Click();
  void BitBtn2Click();
  void btnCreateClick();
  void OKButtonClick();

  QWidget* m_topRow = nullptr;
  QLabel* lblCurFolder = nullptr;
  QLineEdit* edtDirectory = nullptr;
  QLabel* lblDrives = nullptr;
  QComboBox* DriveList = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QTreeWidget* DirList = nullptr;
  QSplitter* Splitter = nullptr;
  QListWidget* FileList = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* btnCreate = nullptr;
  QLineEdit* edtNewFolder = nullptr;
  QPushButton* btnNetwork = nullptr;

  QString m_folder;  // absolute, without a trailing "/" except for the root
  bool m_allowCreate = true;
  bool m_prompt = false;
  bool m_followingBox = false;  // the tree is following what the user types
};

// Options of BrowseForFolder. No option at all means all three.
enum TSelectDirOpt {
  sdAllowCreate = 1,   // the dialog may create folders
  sdCreateChosen = 2,  // after OK the chosen folder is created with its missing parents
  sdPrompt = 4,        // OK asks before accepting a folder that does not exist
};
Q_DECLARE_FLAGS(TSelectDirOpts, TSelectDirOpt)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSelectDirOpts)

// Runs the folder chooser, starting at `folder` when it is a valid folder and in the
// process's current folder otherwise. On OK, `folder` becomes the chosen folder with a
// trailing "/" and the result is true; on Cancel `folder` is left alone.
bool BrowseForFolder(const QString& caption, QString& folder, TSelectDirOpts options = {});

// How the place box names a mounted volume, as the desktop's file managers do: the root as
// "Computer", any other volume by its label, else by its mount point's last folder.
QString VolumeName(const QString& rootPath, const QString& label);

}  // namespace velora::app
