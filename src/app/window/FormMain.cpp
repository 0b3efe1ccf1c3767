// The main window: construction, wiring and the window's own small handlers.
#include "window/FormMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/PATHEdit.h"
#include "controls/PageControl.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "controls/TarnoSelectFolder.h"
#include "controls/click_label.h"
#include "controls/focus_frame.h"
#include "desktop/skin_engine.h"
#include "formats/formats.h"
#include "preview/PreviewImage.h"
#include "resample/filters.h"
#include "util/TarnoTPU.h"
#include "window/FormAbout.h"
#include "window/user_guide.h"

namespace velora::app {

TMainForm::TMainForm(TMainFormServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
  UpdatePageURL = VELORA_UPDATE_PAGE_URL;
  Links = BuiltWebAddresses();
  UserGuide = FindUserGuide(AppFolder());
  setObjectName("MainForm");
  setWindowTitle(QString::fromUtf8(kProductName));
  setAcceptDrops(true);

  BuildActions();
  BuildMenus();

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(BuildHeader());

  Splitter = new QSplitter(Qt::Horizontal, central);
  Splitter->setObjectName("Splitter");
  Splitter->setHandleWidth(5);
  Splitter->setChildrenCollapsible(false);
  Splitter->setOpaqueResize(true);
  Splitter->addWidget(BuildLeftPanel());

  PageControl = new TPageControl(Splitter);
  PageControl->setObjectName("PageControl");
  PageControl->AddPage(BuildResizerPage(), "Image resizer");
  tabThumb = new QWidget;
  tabThumb->setObjectName("tabThumb");
  Label3 = new QLabel("Not available yet.", tabThumb);
  Label3->setObjectName("Label3");
  Label3->setAlignment(Qt::AlignCenter);
  (new QVBoxLayout(tabThumb))->addWidget(Label3);
  PageControl->AddPage(tabThumb, "Thumb generator");
  PageControl->SetTabVisible(1, false);
  PageControl->AddPage(BuildSettingsPage(), "Settings");
  PageControl->AddPage(BuildLicensePage(), "License");
  PageControl->AddPage(BuildLogPage(), "Log");
  PageControl->SetActivePageIndex(0);
  Splitter->addWidget(PageControl);
  Splitter->setStretchFactor(0, 0);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({290, 584});
  column->addWidget(Splitter, 1);
  setCentralWidget(central);

  StatBar = statusBar();
  StatBar->setObjectName("StatBar");
  StatBar->setSizeGripEnabled(true);
  runProgress_ = new QProgressBar(StatBar);
  runProgress_->setObjectName("RunProgress");
  runProgress_->setMaximumWidth(200);
  runProgress_->setMaximumHeight(14);
  runProgress_->setFormat("%v / %m");
  runProgress_->hide();
  StatBar->addPermanentWidget(runProgress_);

  resize(874, 643);
  move(341, 69);
  trkQuality->setFocus();
  SetTabOrder();
  FocusFrame = new TFocusFrame(this);

  Wire();
  FormCreate();
}

TMainForm::~TMainForm() {
  SaveSettingsOnce();
}

void TMainForm::Wire() {
  connect(actStart, &QAction::triggered, this, &TMainForm::actStartExecute);
  connect(actAbort, &QAction::triggered, this, &TMainForm::actAbortExecute);
  connect(actRefresh, &QAction::triggered, this, &TMainForm::actRefreshExecute);
  connect(actSellAll, &QAction::triggered, this, &TMainForm::actSellAllExecute);
  connect(actExit, &QAction::triggered, this, &TMainForm::actExitExecute);
  // "E&xit" closes the window as its close button does.
  connect(mnuExit2, &QAction::triggered, this, &QWidget::close);
  connect(mnuOnlineHelp, &QAction::triggered, this, &TMainForm::mnuOnlineHelpClick);
  connect(mnuSupport, &QAction::triggered, this, &TMainForm::mnuSupportClick);
  connect(mnuProgramPage, &QAction::triggered, this, &TMainForm::mnuProgramPageClick);
  connect(mnuCompanyPage, &QAction::triggered, this, &TMainForm::mnuCompanyPageClick);
  connect(mnuLicense, &QAction::triggered, this, &TMainForm::mnuLicenseClick);
  connect(mnuAbout, &QAction::triggered, this, &TMainForm::mnuAboutClick);
  connect(mnuUpdates, &QAction::triggered, this, &TMainForm::mnuUpdatesClick);
  WireUpdates();
  connect(btnBrowse, &QPushButton::clicked, this, &TMainForm::btnBrowseClick);
  connect(btnInvert, &QPushButton::clicked, this, &TMainForm::btnInvertClick);
  connect(btnResult, &QPushButton::clicked, this, &TMainForm::btnResultClick);
  connect(btnManual, &QPushButton::clicked, this, &TMainForm::mnuOnlineHelpClick);
  connect(btnSupport, &QPushButton::clicked, this, &TMainForm::mnuSupportClick);
  connect(btn43, &QPushButton::clicked, this, &TMainForm::btn43Click);
  connect(btnAgree, &QPushButton::clicked, this, &TMainForm::btnAgreeClick);
  connect(btnDesktopShortcut, &QPushButton::clicked, this, &TMainForm::btnDesktopShortcutPressed);

  for (QRadioButton* radio :
       {radXDecrease, radXIncrease, radSameSize, radSameWidth, radSameHeight, radFitInBox}) {
    connect(radio, &QRadioButton::toggled, this, [this](bool on) {
      if (on) ResizeTypeChanged();
    });
  }
  connect(spnZecimal, &TSpinEdit::Changed, this, &TMainForm::spnZecimalChange);
  // "2.5" typed in one go: the separator moves on to the tenths, which take the "5".
  connect(spnRound, &TSpinEdit::SeparatorTyped, this, [this] {
    spnZecimal->setFocus(Qt::TabFocusReason);
    spnZecimal->selectAll();
  });
  connect(trkQuality, &QSlider::valueChanged, this, &TMainForm::trkQualityChange);
  connect(spnHideHint, &TSpinEdit::Changed, this, &TMainForm::spnHideHintChange);
  connect(spnOpacity, &TSpinEdit::Changed, this, &TMainForm::spnOpacityChange);
  connect(chkTrayIcon, &QCheckBox::clicked, this, &TMainForm::chkTrayIconClick);
  connect(chkAutoStartUp, &QCheckBox::clicked, this, &TMainForm::chkAutoStartUpClick);
  connect(chkSkins, &QCheckBox::clicked, this, &TMainForm::chkSkinsClick);

  // The filter list always holds one of its rows: a typed text that names no filter reverts.
  connect(cmbResampleQ->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    const int row = cmbResampleQ->findText(cmbResampleQ->currentText(), Qt::MatchFixedString);
    const int index = row >= 0 ? row : cmbResampleQ->currentIndex();
    cmbResampleQ->setCurrentIndex(index);
    cmbResampleQ->setEditText(cmbResampleQ->itemText(index));
  });

  // The list follows the box after the box's own completion has run.
  connect(edtPath, &TPathEdit::OnChange, this, &TMainForm::edtPath2Change);
  connect(edtPath, &TPathEdit::OnEnter, this, [this] { OpenPathBoxFolder(*edtPath, *FileList); });
  edtPath->setText("/");
  FilterCombo->SetFileList(FileList);
  connect(FileList, &TTarnoFileList::OnSelectChaged, this, &TMainForm::FileListSelectChaged);
  // The run starts after the list has finished with the click (and told of the press).
  connect(FileList, &QListWidget::itemDoubleClicked, this, &TMainForm::FileListDblClick,
          Qt::QueuedConnection);
  connect(lblAspect, &TClickLabel::Click, this, &TMainForm::lblAspectClick);
  mmoLicense->installEventFilter(this);
}

void TMainForm::mnuAboutClick() {
  TAboutBox box(this);
  box.exec();
}

void TMainForm::FormCreate() {
  FirstRun = !FileExists(SettingsFilePath());
  for (const TFilterRow& row : FilterTable) cmbResampleQ->addItem(QString::fromUtf8(row.Name));
  cmbResampleQ->setCurrentIndex(2);
}

std::string TMainForm::SettingsFilePath() {
  return SettingsFolder(kProductName) + "VeloraResizer.INI";
}

ResizeSettings TMainForm::CurrentSettings() const {
  ResizeSettings s;
  if (radXDecrease->isChecked()) s.Mode = ResizeMode::DecreaseTimes;
  if (radXIncrease->isChecked()) s.Mode = ResizeMode::IncreaseTimes;
  if (radSameSize->isChecked()) s.Mode = ResizeMode::SameSize;
  if (radSameWidth->isChecked()) s.Mode = ResizeMode::SameWidth;
  if (radSameHeight->isChecked()) s.Mode = ResizeMode::SameHeight;
  if (radFitInBox->isChecked()) s.Mode = ResizeMode::FitInBox;
  s.NeverEnlarge = chkNeverEnlarge->isChecked();
  s.FactorWhole = spnRound->Value();
  s.FactorTenths = spnZecimal->Value();
  s.BoxWidth = spnWidth->Value();
  s.BoxHeight = spnHeight->Value();
  s.SideLength = spnWH->Value();
  s.FilterIndex = cmbResampleQ->currentIndex();
  s.Quality = trkQuality->value();
  s.AddFilterName = chkAddFltName->isChecked();
  s.OverwriteOutput = chkOverwrite->isChecked();
  s.ProtectHuge = chkProtect->isChecked();
  s.ShowPreview = chkPreview->isChecked();
  return s;
}

// ---- The window rules of the resize settings ----

void TMainForm::ResizeTypeChanged() {
  const bool factor = radXDecrease->isChecked() || radXIncrease->isChecked();
  const bool sameSize = radSameSize->isChecked();
  grpX->setVisible(factor);
  if (factor) {
    const QString hint = "How many times you want to increase/decrease the image";
    spnRound->setToolTip(hint);
    spnZecimal->setToolTip(hint);
  }
  // The box's sides serve both SameSize and FitInBox; only SameSize distorts.
  grpOutRatio->setVisible(sameSize || radFitInBox->isChecked());
  lblAspect->setVisible(sameSize);
  // Magnifying is enlarging by choice: the check box has nothing to say there.
  chkNeverEnlarge->setEnabled(!radXIncrease->isChecked());
  const bool side = radSameWidth->isChecked() || radSameHeight->isChecked();
  if (side) {
    // The side box stands beside the selected caption.
    auto* grid = static_cast<QGridLayout*>(grpImgSize->layout());
    grid->removeWidget(spnWH);
    grid->addWidget(spnWH, radSameWidth->isChecked() ? 3 : 4, 1, Qt::AlignLeft);
  }
  spnWH->setVisible(side);
}

void TMainForm::spnZecimalChange() {
  const FactorBoxes now{spnRound->Value(), spnZecimal->Value()};
  const FactorBoxes next = TenthsCarry(now);
  if (next == now) return;
  const QSignalBlocker quiet(spnZecimal);
  spnRound->SetValue(next.Whole);
  spnZecimal->SetValue(next.Tenths);
}

void TMainForm::btn43Click() {
  spnHeight->SetValue(HeightForFourThirds(spnWidth->Value()));
}

void TMainForm::trkQualityChange() {
  const int quality = trkQuality->value();
  proBar->setValue(SizeIndicator(quality));
  lblQuality2->setText(QString::number(quality));
  // The number alone would mean nothing in the status line.
  StatBar->showMessage("Quality: " + QString::number(quality));
  // A running batch keeps an abort the user asked for.
  if (runActive_) return;
  AbortRequested = false;
  actStart->setEnabled(true);
}

// ---- The window's own handlers ----

void TMainForm::FileListSelectChaged() {
  imgLoader->SetStretch(true);
  const QString path = FileList->CurrentFilePath();
  try {
    LoadPictureFile(imgLoader->Picture(), path.toStdString());
    StatBar->showMessage("Current image: " + path);
  } catch (const std::exception&) {
    StatBar->showMessage("Cannot load image: " + path);
  }
  if (runActive_) return;  // a running batch keeps an abort the user asked for
  AbortRequested = false;
  actStart->setEnabled(true);
}

void TMainForm::btnResultClick() {
  ShellOpen(WithTrailingDelimiter(edtPath->text().toStdString()) + "Output/");
}

void TMainForm::actRefreshExecute() {
  FileList->Reread();
}

void TMainForm::actSellAllExecute() {
  FileList->SelectAll();
}

void TMainForm::btnInvertClick() {
  FileList->InvertSelection();
}

void TMainForm::btnBrowseClick() {
  QString folder = edtPath->text();
  if (BrowseForFolder("Browse for images", folder, sdAllowCreate)) edtPath->setText(folder);
}

void TMainForm::edtPath2Change() {
  velora::app::edtPath2Change(*edtPath, *FileList);
}

std::string TMainForm::ListFolder() const {
  return WithTrailingDelimiter(FileList->Folder().toStdString());
}

// A run converts the folder the list shows; when the path box names another one (typed but
// not opened, or one that could not be read) the user would not know which, so none runs.
bool TMainForm::RunFolderAgrees() {
  if (PathBoxShowsList(*edtPath, *FileList)) return true;
  MsgWarning("Nothing was converted: the folder in the path box is not open.\r\n" +
             edtPath->text().toStdString());
  return false;
}

QStringList TMainForm::SelectedNames() const {
  QStringList names;
  for (int i = 0; i < FileList->count(); ++i) {
    if (FileList->item(i)->isSelected()) names << FileList->item(i)->text();
  }
  return names;
}

void TMainForm::SelectNames(const QStringList& names) {
  FileList->clearSelection();
  bool first = true;
  for (int i = 0; i < FileList->count(); ++i) {
    QListWidgetItem* item = FileList->item(i);
    if (!names.contains(item->text())) continue;
    if (first) FileList->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    item->setSelected(true);
    first = false;
  }
}

// Selects the first entry and shows it in the preview, as a click on it would: a selected
// entry beside a preview of something else would look like a fault.
void TMainForm::SelectFirst() {
  if (FileList->count() == 0) return;
  FileList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
  FileListSelectChaged();
}

// ---- Keyboard, drops ----

void TMainForm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  // Enter in a control that does not take it itself presses the page's default button.
  if (enter && !qobject_cast<QPlainTextEdit*>(focusWidget())) {
    if (PageControl->ActivePageIndex() == 0 && actStart->isEnabled()) {
      actStart->trigger();
      return;
    }
    if (PageControl->ActivePageIndex() == 3) {
      btnAgree->click();
      return;
    }
  }
  QMainWindow::keyPressEvent(event);
}

// The agreement text is read-only, yet as a multi-line box it keeps Enter to itself.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mmoLicense && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  if (!paths.isEmpty()) {
    OpenPaths(paths);
    event->acceptProposedAction();
  }
}

void TMainForm::OpenPaths(const QStringList& paths) {
  if (paths.isEmpty()) return;
  const QFileInfo first(paths.front());
  if (first.isDir()) {
    edtPath->setText(first.absoluteFilePath());
    return;
  }
  edtPath->setText(first.absolutePath());
  QStringList names;
  for (const QString& path : paths) {
    const QFileInfo info(path);
    if (info.absolutePath() == first.absolutePath()) names << info.fileName();
  }
  SelectNames(names);
}

}  // namespace velora::app
