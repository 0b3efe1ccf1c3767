#pragma once
// The main window: every control the user works with, named as the rest of the program
// knows them. While the program runs, the controls are the settings: a run takes them once
// at its start, and the settings file is loaded into them at start-up and written from them
// once at the end.
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "jobs/convert.h"
#include "jobs/geometry.h"
#include "update/WebUpdate.h"
#include "window/run_queue.h"
#include "window/web_addresses.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSplitter;
class QStatusBar;
class QWidget;

namespace velora::app {

class TPageControl;
class TSpinEdit;
class TTarnoFileList;
class TFilterComboBox;
class TPathEdit;
class TPreviewImage;
class TInternetLabel;
class TTrayIcon;
class THintFilter;
class TSessionEnd;
class TSkinEngine;
class TClickLabel;
class TFocusFrame;
class TrayBackend;
class DesktopEntryWriter;

// The services of the desktop the window uses; tests put recording stand-ins here.
struct TMainFormServices {
  std::shared_ptr<DesktopEntryWriter> Entries;             // desktop launcher and start-up entry
  std::function<std::unique_ptr<TrayBackend>()> MakeTray;  // the system tray, or a stand-in
};

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window from its layout and runs FormCreate. Nothing is loaded yet.
  explicit TMainForm(TMainFormServices services = DefaultServices(), QWidget* parent = nullptr);
  ~TMainForm() override;

  static TMainFormServices DefaultServices();

  // The start-up steps after creation: settings, first run, the first list entry.
  void LateInit();
  // Command-line and drop arguments: a folder, or files of one folder to select.
  void OpenPaths(const QStringList& paths);

  // The settings file's full path.
  static std::string SettingsFilePath();

  // The job settings as the controls hold them right now (typed text counts).
  ResizeSettings CurrentSettings() const;

  bool FirstRun = false;
  bool SettingsSaved = false;
  bool AbortRequested = false;
  double LastCheck = 0;  // days since 30 December 1899; 0 is "never"
  QString WelcomeText;

  bool RunActive() const { return runActive_; }
  // The conversion the runs call on their worker threads: the engine's ConvertImage
  // unless a stand-in is set here.
  ConvertFunction Converter;

  // The update information page; empty turns update checking off.
  std::string UpdatePageURL;
  // The product's other web pages (each empty one hides what would open it) and the user
  // guide installed with the program ("" when there is none); set before LateInit.
  TWebAddresses Links;
  std::string UserGuide;
  // What F1 and "Online manual" open: the web manual, else the installed guide.
  std::string ManualTarget() const;
  TWebUpdate WebUpdate;
  bool UpdatesEnabled() const;

  // ---- Handlers, by the names the rest of the program knows them ----
 public slots:
  void FormCreate();
  void LoadSettings();
  void SaveSettings();
  bool SaveSettingsOnce();

  void ResizeTypeChanged();
  void spnZecimalChange();
  void btn43Click();
  void trkQualityChange();

  void actStartExecute();
  void actAbortExecute();
  void FileListDblClick();
  void FileListSelectChaged();
  void actRefreshExecute();
  void actSellAllExecute();
  void btnInvertClick();
  void btnResultClick();
  void btnBrowseClick();
  void edtPath2Change();

  void mnuLicenseClick();
  void btnAgreeClick();
  void actExitExecute();

  void spnHideHintChange();
  void spnOpacityChange();
  void chkTrayIconClick();
  void TrayIconClick();
  void chkAutoStartUpClick();
  void btnDesktopShortcutClick();
  void chkSkinsClick();
  void mnuOnlineHelpClick();
  void lblAspectClick();
  void mnuProgramPageClick();
  void mnuCompanyPageClick();
  void mnuSupportClick();
  void mnuAboutClick();

  void CheckUpdates(bool force);
  void mnuUpdatesClick();
  void WebUpdateUpdateAvailable(const std::string& actualVersion, const std::string& newVersion,
                                bool& canUpdate);
  void WebUpdateNoUpdateFound();
  void WebUpdateDownloadError();
  void WebUpdateClientFileExists(std::string& fileName, bool& overwrite);
  void WebUpdateAfterDownload(const std::string& fileName);

 public:
  // The job log.
  void LogLine(const QString& line);
  QString JobLogText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Layout, one area at a time.
  void BuildActions();
  void BuildMenus();
  QWidget* BuildHeader();
  QWidget* BuildLeftPanel();
  QWidget* BuildResizerPage();
  QWidget* BuildSettingsPage();
  QWidget* BuildLicensePage();
  QWidget* BuildLogPage();
  void Wire();

  // Runs.
  void StartLogSection(const char* heading);
  std::string RunOutputFolder(const std::string& folder, bool& ok);
  struct ActiveRun;
  void RunPictures(const std::vector<std::string>& sources, const std::string& folder,
                   const std::string& output, bool batch, const char* timingPrefix);
  void ShowRunResults();
  void ShowRunPicture(ActiveRun& run, RunPicture& picture);
  void EndRun(const char* timingPrefix, uint32_t startTick, uint32_t pausedMs);
  void FinishDeferredClose();
  void ApplyStoredBounds(int left, int top, int width, int height);
  void OpenLink(const char* address);
  void InitDesktop();
  void ApplyWebAddresses();
  void SetTabOrder();
  void btnDesktopShortcutPressed();
  void ApplySkinAtStart();
  void WireUpdates();
  void SelectFirst();
  void SelectNames(const QStringList& names);
  QStringList SelectedNames() const;
  std::string ListFolder() const;
  bool RunFolderAgrees();

  TMainFormServices services_;
  bool runActive_ = false;
  ActiveRun* run_ = nullptr;  // the run in progress, owned by its handler
  bool closeAfterRun_ = false;
  bool quitAfterRun_ = false;
  bool quitAfterCheck_ = false;
  bool closing_ = false;  // a close waits for the update check to return
  std::unique_ptr<TSkinEngine> skin_;
  QProgressBar* runProgress_ = nullptr;

 public:
  // ---- Controls (owned by the window through Qt's parent links) ----
  QFrame* pnlHeader = nullptr;
  QLabel* Label6 = nullptr;
  TPathEdit* edtPath = nullptr;
  QPushButton* btnBrowse = nullptr;
  TFilterComboBox* FilterCombo = nullptr;
  TInternetLabel* InternetLabel = nullptr;

  QFrame* pnlLeft = nullptr;
  QLabel* lblTop = nullptr;
  TTarnoFileList* FileList = nullptr;
  QPushButton* btnRefresh = nullptr;
  QPushButton* btnSellAll = nullptr;
  QPushButton* btnInvert = nullptr;
  QSplitter* Splitter = nullptr;

  TPageControl* PageControl = nullptr;
  QWidget* tabResizer = nullptr;
  QWidget* tabThumb = nullptr;
  QWidget* tabSettings = nullptr;
  QWidget* tabLicense = nullptr;
  QWidget* tabLog = nullptr;
  QLabel* Label3 = nullptr;

  QFrame* pnlTop = nullptr;
  QLabel* lblQuality1 = nullptr;
  QSlider* trkQuality = nullptr;
  QLabel* lblQualityTicks = nullptr;
  QLabel* lblQuality2 = nullptr;
  QLabel* Label7 = nullptr;
  QProgressBar* proBar = nullptr;
  QGroupBox* grpImgSize = nullptr;
  QRadioButton* radXDecrease = nullptr;
  QRadioButton* radXIncrease = nullptr;
  QRadioButton* radSameSize = nullptr;
  QRadioButton* radSameWidth = nullptr;
  QRadioButton* radSameHeight = nullptr;
  QRadioButton* radFitInBox = nullptr;
  TSpinEdit* spnWH = nullptr;
  TClickLabel* lblAspect = nullptr;
  QCheckBox* chkNeverEnlarge = nullptr;
  QGroupBox* grpX = nullptr;
  TSpinEdit* spnRound = nullptr;
  QLabel* lblPunct = nullptr;
  TSpinEdit* spnZecimal = nullptr;
  QGroupBox* grpOutRatio = nullptr;
  TSpinEdit* spnWidth = nullptr;
  QLabel* lblThumbSize = nullptr;
  TSpinEdit* spnHeight = nullptr;
  QPushButton* btn43 = nullptr;
  QPushButton* btnStart = nullptr;
  QPushButton* btnAbort = nullptr;
  QFrame* pnlPreview = nullptr;
  TPreviewImage* imgLoader = nullptr;
  QFrame* pnlQuickBtn = nullptr;
  QPushButton* btnResult = nullptr;
  QPushButton* btnManual = nullptr;
  QPushButton* btnSupport = nullptr;

  QGroupBox* grpSystem = nullptr;
  QPushButton* btnDesktopShortcut = nullptr;
  QCheckBox* chkAutoStartUp = nullptr;
  QLabel* Label2 = nullptr;
  TSpinEdit* spnAutoUpdate = nullptr;
  QGroupBox* GroupHelp = nullptr;
  QRadioButton* radHintsOff = nullptr;
  QRadioButton* radHintsTooltips = nullptr;
  QRadioButton* radHintsStatBar = nullptr;
  QLabel* lblHintHide = nullptr;
  TSpinEdit* spnHideHint = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* chkSkins = nullptr;
  QCheckBox* chkSounds = nullptr;
  QCheckBox* chkTrayIcon = nullptr;
  QLabel* Label1 = nullptr;
  TSpinEdit* spnOpacity = nullptr;
  QLabel* Label4 = nullptr;
  QGroupBox* grpPreview = nullptr;
  QCheckBox* chkProtect = nullptr;
  QCheckBox* chkPreview = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* cmbResampleQ = nullptr;
  QCheckBox* chkAddFltName = nullptr;
  QCheckBox* chkOverwrite = nullptr;

  QPlainTextEdit* mmoLicense = nullptr;
  QPushButton* btnAgree = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QStatusBar* StatBar = nullptr;

  QAction* actStart = nullptr;
  QAction* actAbort = nullptr;
  QAction* actRefresh = nullptr;
  QAction* actSellAll = nullptr;
  QAction* actExit = nullptr;

  QMenu* mnuOp = nullptr;
  QAction* mnuStart = nullptr;
  QAction* mnuAbort = nullptr;
  QAction* mnuRefresh = nullptr;
  QAction* mnuExit2 = nullptr;
  QMenu* mnuInfo = nullptr;
  QAction* mnuAbout = nullptr;
  QAction* mnuOnlineHelp = nullptr;
  QAction* mnuSupport = nullptr;
  QAction* mnuUpdates = nullptr;
  QAction* mnuProgramPage = nullptr;
  QAction* mnuCompanyPage = nullptr;
  QAction* mnuLicense = nullptr;
  QMenu* PopupMenu = nullptr;
  QAction* mnuExit = nullptr;

  TTrayIcon* TrayIcon = nullptr;
  THintFilter* Hints = nullptr;
  TSessionEnd* Session = nullptr;
  TFocusFrame* FocusFrame = nullptr;
};

}  // namespace velora::app
