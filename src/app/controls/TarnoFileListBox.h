#pragma once
// The image file list and its filter box. The list shows the files of one folder that match
// a mask, sorted by name, with extended selection; it tells its owner when the user moves
// through it, removes entries with the Delete key and can invert its selection. Reading a
// folder makes it the process's current folder, so names in the list are valid relative paths.
#include <QComboBox>
#include <QFlags>
#include <QIcon>
#include <QListWidget>
#include <QPointer>
#include <QString>
#include <utility>

namespace velora::app {

// The mask of every picture type the program reads, and the filter box's table of
// descriptions and masks ("description|mask|description|mask...").
inline constexpr const char* kPictureMask =
    "*.jp;*.jpeg;*.jpg;*.gif;*.bmp;*.png;*.heic;*.heif;*.hif;*.avif;*.webp;*.tif;*.tiff";
inline constexpr const char* kPictureFilter =
    "Show all supported pictures (jpeg, jpg, gif, png, bmp, heic, heif, avif, webp, tiff)|"
    "*.jp;*.jpeg;*.jpg;*.gif;*.bmp;*.png;*.heic;*.heif;*.hif;*.avif;*.webp;*.tif;*.tiff|"
    "JPEG|*.jpeg;*.jpg;*.jp|BITMAP|*.bmp|PNG|*.png|GIF|*.gif|"
    "HEIC / HEIF / AVIF|*.heic;*.heif;*.hif;*.avif|WEBP|*.webp|TIFF|*.tif;*.tiff";

// Which entries the list shows. Hidden entries are those whose name starts with a dot;
// folders are listed as "[name]". Read-only files are the ones this user may not write.
// Nothing on this system is a system file or a volume label, and no file carries an archive
// mark. Special files (devices, FIFOs, sockets) are never listed.
enum TFileAttr {
  ftReadOnly = 0x01,
  ftHidden = 0x02,
  ftSystem = 0x04,
  ftVolumeID = 0x08,
  ftDirectory = 0x10,
  ftArchive = 0x20,
  ftNormal = 0x80,
};
Q_DECLARE_FLAGS(TFileType, TFileAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFileType)

class TTarnoFileList : public QListWidget {
  Q_OBJECT

 public:
  // Reads the process's current folder with the picture mask, listing hidden files too.
  explicit TTarnoFileList(QWidget* parent = nullptr);

  // The folder listed: absolute, without a trailing "/" except for the root.
  QString Folder() const { return m_folder; }

  QString Mask() const { return m_mask; }
  // Stores the mask and reads the folder again when it differs from the current one.
  void SetMask(const QString& mask);

  TFileType FileType() const { return m_fileType; }
  void SetFileType(TFileType fileType);

  bool ShowGlyphs() const { return m_showGlyphs; }
  void SetShowGlyphs(bool show);

  // Reads the folder again with the current mask. Clears the selection.
  void Reread();
  // Shows the folder named by a folder text ("/photos/"), makes a named file current
  // ("/photos/cat.png", or a bare "cat.png" of the folder listed), or sets a mask given with
  // wildcards. Relative texts are taken from the folder listed.
  void ShowFolder(const QString& text);
  // Flips the selection of every entry; the current entry stays.
  void InvertSelection();
  // Selects every entry.
  void SelectAll();
  // The current entry's name when it is selected, else "".
  QString CurrentFileName() const;
  // The folder, "/" and CurrentFileName; "" when CurrentFileName is "".
  QString CurrentFilePath() const;
  // The number of selected entries.
  int SelCount() const;

  // While one lives, a folder that cannot be read is reported (the default) or passed over
  // in silence, as asked.
  class ErrorReports {
   public:
    ErrorReports(TTarnoFileList& list, bool report)
        : m_list(list), m_previous(std::exchange(list.m_reportErrors, report)) {}
    ~ErrorReports() { m_list.m_reportErrors = m_previous; }
    ErrorReports(const ErrorReports&) = delete;
    ErrorReports& operator=(const ErrorReports&) = delete;

   private:
    TTarnoFileList& m_list;
    bool m_previous;
  };

 signals:
  // The user pressed a mouse button in the list, or Up or Down; the selection and the current
  // entry have already followed. Never raised for an empty list.
  void OnSelectChaged();
  // The Delete key is about to remove the selected entries (from the list only).
  void OnDeleteItem(const QString& ItemName, int ItemPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  bool SwitchToFolder(const QString& folder);
  bool ReadFolder(const QString& folder);
  void FocusEntry(const QString& name);
  void DeleteSelected();
  void NotifySelectChanged();

  QString m_folder;
  QString m_mask = QString::fromLatin1(kPictureMask);
  TFileType m_fileType = TFileType(ftHidden) | ftNormal;
  bool m_showGlyphs = true;
  bool m_pressNotified = false;  // a double click handed back as a press has notified already
  bool m_reportErrors = true;    // a folder that cannot be read is reported
};

// The filter box: a drop-down list of descriptions whose choice sets the file list's mask.
class TFilterComboBox : public QComboBox {
  Q_OBJECT

 public:
  // Built from the picture filter, with its first entry chosen.
  explicit TFilterComboBox(QWidget* parent = nullptr);

  QString Filter() const { return m_filter; }
  // Rebuilds the entries from "description|mask|..." and chooses the first.
  void SetFilter(const QString& filter);

  TTarnoFileList* FileList() const { return m_fileList; }
  void SetFileList(TTarnoFileList* list) { m_fileList = list; }

  // The chosen entry's mask; "*.*" when there are no entries.
  QString Mask() const;

 private:
  void Change();

  QString m_filter;
  QPointer<TTarnoFileList> m_fileList;
};

}  // namespace velora::app
