// The main window's layout: every control with its name, caption, hint and design value.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "controls/LabelField.h"
#include "controls/PATHEdit.h"
#include "controls/PageControl.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "controls/TicksLabel.h"
#include "controls/click_label.h"
#include "controls/internet_label.h"
#include "preview/PreviewImage.h"
#include "resample/filters.h"
#include "window/FormMain.h"

namespace velora::app {

namespace {

// Hints are written with "\r\n" (and a lone "\r") as line breaks.
QString HintText(const char* text) {
  QString hint = QString::fromUtf8(text);
  hint.replace("\r\n", "\n");
  hint.replace('\r', '\n');
  return hint;
}

template <typename W>
W* Named(W* widget, const char* name, const char* hint = nullptr) {
  widget->setObjectName(name);
  if (hint) widget->setToolTip(HintText(hint));
  return widget;
}

QColor Rgb(int r, int g, int b) {
  return QColor(r, g, b);
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

// A background of the widget's own colour.
void Paint(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  SetColour(widget, role, colour);
  widget->setAutoFillBackground(true);
}

QPushButton* Button(const char* name, const char* caption, const char* hint = nullptr) {
  auto* button = Named(new QPushButton(QString::fromUtf8(caption)), name, hint);
  // A focused button takes Enter itself, as buttons do on every desktop.
  button->setAutoDefault(true);
  return button;
}

QPushButton* ActionButton(const char* name, QAction* action) {
  auto* button = Button(name, "");
  button->setText(action->text());
  button->setToolTip(action->toolTip());
  button->setEnabled(action->isEnabled());
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  QObject::connect(action, &QAction::changed, button, [button, action] {
    button->setEnabled(action->isEnabled());
    button->setText(action->text());
  });
  return button;
}

}  // namespace

QAction* MakeAction(QObject* owner, const char* name, const char* caption, const char* hint,
                    QKeySequence shortcut) {
  auto* action = new QAction(QString::fromUtf8(caption), owner);
  action->setObjectName(name);
  if (hint) action->setToolTip(HintText(hint));
  if (!shortcut.isEmpty()) {
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  return action;
}

void TMainForm::BuildActions() {
  actStart =
      MakeAction(this, "actStart", "Resize selected",
                 "Start the resizing process. \rOnly the pictures selected will be processed.",
                 QKeySequence(Qt::Key_F9));
  actAbort = MakeAction(this, "actAbort", "Abort", "Stop the batch resize process",
                        QKeySequence(Qt::Key_F11));
  actAbort->setEnabled(false);  // only a running batch can be aborted
  actRefresh = MakeAction(this, "actRefresh", "Refresh files", nullptr, QKeySequence(Qt::Key_F5));
  actSellAll = MakeAction(this, "actSellAll", "Select all", nullptr, QKeySequence(Qt::Key_F4));
  actExit = MakeAction(this, "actExit", "Exit", nullptr, QKeySequence());
  for (QAction* action : {actStart, actAbort, actRefresh, actSellAll, actExit}) addAction(action);
}

void TMainForm::BuildMenus() {
  mnuOp = menuBar()->addMenu("&Operations");
  mnuOp->setObjectName("mnuOp");
  mnuStart = actStart;
  mnuAbort = actAbort;
  mnuRefresh = actRefresh;
  mnuOp->addAction(actStart);
  mnuOp->addAction(actAbort);
  mnuOp->addAction(actRefresh);
  mnuExit2 = MakeAction(this, "mnuExit2", "E&xit", nullptr, QKeySequence(Qt::CTRL | Qt::Key_F4));
  // The desktops' standard Quit key works beside the program's own Ctrl+F4 (written out:
  // QKeySequence::Quit is empty where the platform's key scheme has no Quit key).
  mnuExit2->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_Q)});
  mnuOp->addAction(mnuExit2);
  addAction(mnuExit2);

  mnuInfo = menuBar()->addMenu("&Info");
  mnuInfo->setObjectName("mnuInfo");
  mnuAbout = mnuInfo->addAction("About");
  mnuAbout->setObjectName("mnuAbout");
  mnuOnlineHelp =
      MakeAction(this, "mnuOnlineHelp", "Online manual", nullptr, QKeySequence(Qt::Key_F1));
  mnuInfo->addAction(mnuOnlineHelp);
  addAction(mnuOnlineHelp);
  mnuSupport = mnuInfo->addAction("Online support");
  mnuSupport->setObjectName("mnuSupport");
  mnuUpdates = mnuInfo->addAction("Check for updates");
  mnuUpdates->setObjectName("mnuUpdates");
  mnuInfo->addSeparator();
  mnuProgramPage = mnuInfo->addAction("Program web page");
  mnuProgramPage->setObjectName("mnuProgramPage");
  mnuCompanyPage = mnuInfo->addAction("Similar software");
  mnuCompanyPage->setObjectName("mnuCompanyPage");
  mnuInfo->addSeparator();
  mnuLicense = mnuInfo->addAction("License agreement");
  mnuLicense->setObjectName("mnuLicense");

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  mnuExit = actExit;
  PopupMenu->addAction(actExit);
}

QWidget* TMainForm::BuildHeader() {
  pnlHeader = Named(new QFrame, "pnlHeader");
  pnlHeader->setFixedHeight(64);
  Paint(pnlHeader, QPalette::Window, Rgb(192, 200, 191));

  Label6 = Named(new QLabel("Process images in this folder:"), "Label6");
  QFont bold = Label6->font();
  bold.setBold(true);
  Label6->setFont(bold);

  edtPath = Named(new TPathEdit, "edtPath",
                  "Locate the folder that contains the pictures you want to process");
  btnBrowse = Button("btnBrowse", "Browse",
                     "Locate the folder that contains the pictures you want to process");
  FilterCombo = Named(new TFilterComboBox, "FilterCombo",
                      "Select which type of pictures you want to process");
  FilterCombo->setFixedWidth(228);
  InternetLabel = Named(new TInternetLabel("www"), "InternetLabel");

  auto* grid = new QGridLayout(pnlHeader);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(2);
  grid->addWidget(Label6, 0, 0, 1, 2);
  grid->addWidget(InternetLabel, 0, 3, Qt::AlignRight | Qt::AlignTop);
  grid->addWidget(edtPath, 1, 0);
  grid->addWidget(btnBrowse, 1, 1);
  grid->addWidget(FilterCombo, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setColumnMinimumWidth(2, 12);
  return pnlHeader;
}

QWidget* TMainForm::BuildLeftPanel() {
  pnlLeft = Named(new QFrame, "pnlLeft");
  lblTop = Named(new QLabel("Files to be resized:"), "lblTop");
  lblTop->setFixedHeight(19);
  FileList = Named(new TTarnoFileList, "FileList",
                   "All files in this list will be resized. The output will be placed into the "
                   "\"Output\" folder.");
  Paint(FileList->viewport(), QPalette::Base, Rgb(222, 222, 207));
  SetColour(FileList, QPalette::Base, Rgb(222, 222, 207));
  btnRefresh = ActionButton("btnRefresh", actRefresh);
  btnSellAll = ActionButton("btnSellAll", actSellAll);
  btnInvert = Button("btnInvert", "Invert selection");

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  buttons->addWidget(btnRefresh);
  buttons->addWidget(btnSellAll);
  buttons->addWidget(btnInvert);
  auto* column = new QVBoxLayout(pnlLeft);
  column->setContentsMargins(6, 4, 2, 6);
  column->setSpacing(2);
  column->addWidget(lblTop);
  column->addWidget(FileList, 1);
  column->addLayout(buttons);
  return pnlLeft;
}

QWidget* TMainForm::BuildResizerPage() {
  tabResizer = Named(new QWidget, "tabResizer");

  // Quality.
  pnlTop = Named(new QFrame, "pnlTop");
  pnlTop->setFixedHeight(88);
  lblQuality1 =
      Named(new QLabel("Quality for the output images:"), "lblQuality1",
            "Recommended: 75-95.\r\rFor best image quality we recommend you to set this to "
            "90-95. If you want small files (for\rexample to send them over a slow "
            "internet connection) and you accept a little bit lower\rimage quality set "
            "this to 75-80. The higher the image quality, the larger the file.");
  trkQuality = Named(new QSlider(Qt::Horizontal), "trkQuality");
  trkQuality->setRange(5, 95);
  trkQuality->setTickInterval(10);
  trkQuality->setTickPosition(QSlider::TicksBelow);
  trkQuality->setPageStep(10);
  trkQuality->setValue(5);
  lblQualityTicks = Named(
      new TTicksLabel("5                                  50                                95",
                      trkQuality),
      "lblQualityTicks");
  QFont small = lblQualityTicks->font();
  small.setFamily("Sans Serif");
  small.setPointSizeF(small.pointSizeF() * 7.0 / 8.0);
  lblQualityTicks->setFont(small);
  lblQuality2 = Named(new QLabel("JPEG quality"), "lblQuality2");
  lblQuality2->setMinimumWidth(lblQuality2->fontMetrics().horizontalAdvance("JPEG quality") + 8);
  Label7 = Named(new QLabel("Approximate file size (in KB):"), "Label7",
                 "This is an inaccurate approximation.");
  proBar = Named(new QProgressBar, "proBar");
  proBar->setRange(0, 296);
  proBar->setTextVisible(false);
  proBar->setFixedHeight(12);

  auto* quality = new QGridLayout(pnlTop);
  quality->setContentsMargins(8, 6, 8, 4);
  quality->setVerticalSpacing(0);
  quality->addWidget(lblQuality1, 0, 0, 1, 2);
  quality->addWidget(trkQuality, 1, 0);
  quality->addWidget(lblQuality2, 1, 1);
  quality->addWidget(lblQualityTicks, 2, 0);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(Label7);
  sizeRow->addWidget(proBar, 1);
  quality->addLayout(sizeRow, 3, 0, 1, 2);
  quality->setColumnStretch(0, 1);

  // Mode.
  grpImgSize = Named(new QGroupBox("I want to:"), "grpImgSize");
  QFont boldCaption = grpImgSize->font();
  boldCaption.setBold(true);
  grpImgSize->setFont(boldCaption);
  auto plain = [&](QWidget* w) {
    QFont f = w->font();
    f.setBold(false);
    w->setFont(f);
    return w;
  };
  radXDecrease = Named(new QRadioButton("Decrease image size x times"), "radXDecrease",
                       "This will make each output image x times smaller.");
  radXIncrease = Named(new QRadioButton("Increase image size x times (magnify)"), "radXIncrease",
                       "This will magnify each output image x times.");
  radSameSize =
      Named(new QRadioButton("Make all images of the same width and height"), "radSameSize",
            "This will make all output images to have the same width and height.\r\nYou "
            "must specify the width and height in the red box.\r\nYou may distort your "
            "images if they have a ratio different from the one chosen.");
  radSameWidth = Named(new QRadioButton("Make all images of the same width:"), "radSameWidth",
                       "This will make all output images to have the same width.\r\nYou must "
                       "specify the width (in pixels) in the blue box.");
  radSameHeight = Named(new QRadioButton("Make all images of the same height:"), "radSameHeight",
                        "This will make all output images to have the same height.\r\nYou must "
                        "specify the height (in pixels) in the blue box.");
  radFitInBox = Named(
      new QRadioButton("Make all images fit in a box of W x H (keep proportions)"), "radFitInBox",
      "This will make each output image as large as fits in the box of the width and height "
      "in the red box.\r\nThe proportions of each image are kept.");
  radXIncrease->setChecked(true);
  chkNeverEnlarge = Named(new QCheckBox("Never enlarge"), "chkNeverEnlarge",
                          "Images already no larger than the size you set keep their own size.");
  spnWH = Named(new TSpinEdit(kSideBox), "spnWH", "(in pixels)");
  Paint(spnWH, QPalette::Base, Rgb(202, 216, 223));
  spnWH->setFixedWidth(90);
  spnWH->hide();
  lblAspect = Named(new TClickLabel("IMAGE MAY GET DISTORTED"), "lblAspect",
                    "In this mode, the aspect ratio of some images may be broken after resize.");
  lblAspect->setAlignment(Qt::AlignCenter);
  SetColour(lblAspect, QPalette::WindowText, Rgb(254, 63, 35));
  lblAspect->setCursor(Qt::PointingHandCursor);
  lblAspect->hide();

  auto* modes = new QGridLayout(grpImgSize);
  modes->setVerticalSpacing(2);
  const QList<QRadioButton*> radios{radXDecrease, radXIncrease,  radSameSize,
                                    radSameWidth, radSameHeight, radFitInBox};
  for (int i = 0; i < radios.size(); ++i) modes->addWidget(plain(radios[i]), i, 0);
  // spnWH stands beside the selected caption: one row for each of its two places.
  modes->addWidget(plain(spnWH), 3, 1, Qt::AlignLeft);
  modes->addWidget(plain(chkNeverEnlarge), 6, 0, 1, 2);
  modes->addWidget(plain(lblAspect), 7, 0, 1, 2);
  modes->setColumnStretch(1, 1);
  // The side box moves between two rows: both keep its height, so no caption moves with it.
  for (const int row : {3, 4}) modes->setRowMinimumHeight(row, spnWH->sizeHint().height());

  // Factor.
  grpX = Named(new QGroupBox("x:"), "grpX", "Increase/decrease the size of your images x times.");
  Paint(grpX, QPalette::Window, Rgb(203, 214, 199));
  spnRound = Named(new TSpinEdit(kRoundBox), "spnRound");
  spnRound->SetValue(2);
  spnRound->findChild<QLineEdit*>()->setMaxLength(2);
  spnRound->SetDigitsOnly(true);
  lblPunct = Named(new QLabel("."), "lblPunct");
  QFont punct = lblPunct->font();
  punct.setBold(true);
  punct.setPointSizeF(punct.pointSizeF() * 1.5);
  lblPunct->setFont(punct);
  spnZecimal = Named(new TSpinEdit(kZecimalBox), "spnZecimal");
  spnZecimal->SetValue(0);
  auto* factor = new QHBoxLayout(grpX);
  factor->addWidget(spnRound);
  factor->addWidget(lblPunct);
  factor->addWidget(spnZecimal);
  factor->addStretch(1);

  // Fixed size.
  grpOutRatio = Named(new QGroupBox("Output image size:"), "grpOutRatio", "Size (in pixels)");
  Paint(grpOutRatio, QPalette::Window, Rgb(214, 200, 199));
  spnWidth = Named(new TSpinEdit(kWidthBox), "spnWidth", "Output width (in pixels)");
  spnWidth->SetValue(0);
  lblThumbSize = Named(new QLabel(" x "), "lblThumbSize");
  spnHeight = Named(new TSpinEdit(kHeightBox), "spnHeight", "Output height (in pixels)");
  spnHeight->SetValue(151);
  btn43 = Button("btn43", "Set 4/3",
                 "Set 4/3 aspect ratio.\r\nMost computer screens and digital cameras use this "
                 "aspect ratio.");
  // Two rows, so the group is no wider than the factor's group in its place and the page
  // keeps one width whichever of the two shows.
  auto* fixed = new QGridLayout(grpOutRatio);
  fixed->addWidget(spnWidth, 0, 0);
  fixed->addWidget(lblThumbSize, 0, 1);
  fixed->addWidget(spnHeight, 0, 2);
  fixed->addWidget(btn43, 1, 0, 1, 3, Qt::AlignLeft);
  fixed->setColumnStretch(3, 1);
  grpOutRatio->hide();

  btnStart = ActionButton("btnStart", actStart);
  btnAbort = ActionButton("btnAbort", actAbort);
  QFont startFont = btnStart->font();
  startFont.setBold(true);
  btnStart->setFont(startFont);

  // Preview and quick buttons.
  pnlPreview = Named(new QFrame, "pnlPreview");
  pnlPreview->setFrameShape(QFrame::StyledPanel);
  imgLoader = Named(new TPreviewImage, "imgLoader", "Preview of current selected picture");
  auto* previewLayout = new QVBoxLayout(pnlPreview);
  previewLayout->setContentsMargins(2, 2, 2, 2);
  previewLayout->addWidget(imgLoader);

  pnlQuickBtn = Named(new QFrame, "pnlQuickBtn");
  btnResult = Button("btnResult", "Show result", "Navigate to the output folder.");
  btnManual = Button("btnManual", "Online manual", "Read the online manual");
  btnSupport = Button("btnSupport", "Online support", "Submit a ticket to our help desk");
  auto* quick = new QVBoxLayout(pnlQuickBtn);
  quick->setContentsMargins(0, 0, 0, 0);
  quick->addStretch(1);
  quick->addWidget(btnResult);
  quick->addWidget(btnManual);
  quick->addWidget(btnSupport);

  auto* run = new QVBoxLayout;
  run->addWidget(btnStart);
  run->addWidget(btnAbort);
  run->addStretch(1);

  // The factor group and the fixed-size group share one place: only one shows at a time.
  auto* middle = new QGridLayout;
  middle->addWidget(grpImgSize, 0, 0, 2, 1);
  middle->addWidget(grpX, 0, 1);
  middle->addWidget(grpOutRatio, 0, 1);
  middle->addLayout(run, 1, 1);
  middle->setColumnStretch(0, 3);
  middle->setColumnStretch(1, 2);

  // What each mode shows keeps its room while hidden: switching modes never changes the
  // page's size, so neither the window nor the mode buttons move under the pointer.
  for (QWidget* modeControl : {static_cast<QWidget*>(grpX), static_cast<QWidget*>(grpOutRatio),
                               static_cast<QWidget*>(spnWH), static_cast<QWidget*>(lblAspect)}) {
    QSizePolicy policy = modeControl->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    modeControl->setSizePolicy(policy);
  }

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(pnlPreview, 1);
  bottom->addWidget(pnlQuickBtn);

  auto* page = new QVBoxLayout(tabResizer);
  page->setContentsMargins(6, 6, 6, 6);
  page->addWidget(pnlTop);
  page->addLayout(middle);
  page->addLayout(bottom, 1);
  return tabResizer;
}

QWidget* TMainForm::BuildSettingsPage() {
  tabSettings = Named(new QWidget, "tabSettings");

  grpSystem = Named(new QGroupBox("System"), "grpSystem");
  btnDesktopShortcut = Button("btnDesktopShortcut", "Create shortcut",
                              "Create a shortcut to this program on desktop");
  chkAutoStartUp = Named(new QCheckBox("Start when I log in"), "chkAutoStartUp",
                         "This program will start when you log in");
  Label2 = Named(new QLabel("Auto search for updates every                   days"), "Label2");
  spnAutoUpdate = Named(new TSpinEdit(NumberBox{0, 365}), "spnAutoUpdate");
  spnAutoUpdate->SetValue(1);
  auto* system = new QVBoxLayout(grpSystem);
  system->addWidget(btnDesktopShortcut, 0, Qt::AlignLeft);
  system->addWidget(chkAutoStartUp);
  system->addWidget(new TLabelField(Label2, spnAutoUpdate));
  system->addStretch(1);

  GroupHelp = Named(new QGroupBox("Help"), "GroupHelp");
  radHintsOff = Named(new QRadioButton("Turn off the embedded help system"), "radHintsOff",
                      "Don't use the embedded help system. No pop-up will appear and no info will "
                      "be displayed in status bar.");
  radHintsTooltips = Named(new QRadioButton("Show help as tool-tips"), "radHintsTooltips",
                           "Show a hint when you hold the mouse cursor over an item (button, "
                           "checkbox, etc)");
  radHintsStatBar = Named(new QRadioButton("Show help in status bar also"), "radHintsStatBar",
                          "Show information about an item in status bar.");
  lblHintHide =
      Named(new QLabel("Hide hint after                    milliseconds."), "lblHintHide");
  spnHideHint = Named(new TSpinEdit(NumberBox{800, 20000}, 100), "spnHideHint");
  spnHideHint->SetValue(4000);
  auto* help = new QVBoxLayout(GroupHelp);
  help->addWidget(radHintsOff);
  help->addWidget(radHintsTooltips);
  help->addWidget(radHintsStatBar);
  help->addWidget(new TLabelField(lblHintHide, spnHideHint));
  help->addStretch(1);

  GroupBox1 = Named(new QGroupBox("Interface"), "GroupBox1");
  chkSkins =
      Named(new QCheckBox("Use skins *"), "chkSkins", "Enable the Skin System (requires restart)");
  chkSounds = Named(new QCheckBox("Use sounds"), "chkSounds", "Make a sound on 'COPY' event");
  chkTrayIcon = Named(new QCheckBox("Minimize to tray"), "chkTrayIcon");
  Label1 = Named(new QLabel("Opacity"), "Label1");
  spnOpacity = Named(new TSpinEdit(NumberBox{30, 255}, 3), "spnOpacity");
  spnOpacity->SetValue(199);
  Label4 =
      Named(new QLabel("* Experimental. It will require a little bit more memory. Takes effect "
                       "after restart. May slow down the program"),
            "Label4");
  Label4->setWordWrap(true);
  SetColour(Label4, QPalette::WindowText, Qt::gray);
  auto* iface = new QGridLayout(GroupBox1);
  iface->addWidget(chkSkins, 0, 0, 1, 2);
  iface->addWidget(chkSounds, 1, 0, 1, 2);
  iface->addWidget(chkTrayIcon, 2, 0, 1, 2);
  iface->addWidget(Label1, 3, 0);
  iface->addWidget(spnOpacity, 3, 1, Qt::AlignLeft);
  iface->addWidget(Label4, 4, 0, 1, 2);
  iface->setColumnStretch(1, 1);
  iface->setRowStretch(5, 1);

  static const char* kFilterHint =
      "Choose the filter for the resampling process.\r\nIf you don't understand this, leave it to "
      "its default state or experiment with different values (don't worry, you won't break "
      "anything).\r\nFilters like B-Spline and Mitchell are better (it will give better image "
      "quality) but are also slower (it will take more time to convert many images).\r\nBox is "
      "the worst filter but is also the fastest.\r\n\r\nWe recommend B-Spline and Mitchell.";
  grpPreview = Named(new QGroupBox("Image"), "grpPreview");
  chkProtect = Named(new QCheckBox("Protect against invalid images"), "chkProtect",
                     "If the image is higher than 10000 pixels then your computer may not\r\nhave "
                     "enough memory to process it or it may be corrupt.\r\nIf this checkbox is "
                     "checked, the program will ignore such huge images.");
  chkProtect->setChecked(true);
  chkPreview = Named(new QCheckBox("Show preview panel"), "chkPreview",
                     "Show the current processed image in a small preview window. This will slow "
                     "down the program by about 5%.");
  Label5 = Named(new QLabel("Resampling quality:"), "Label5", kFilterHint);
  cmbResampleQ = Named(new QComboBox, "cmbResampleQ", kFilterHint);
  cmbResampleQ->setEditable(true);
  cmbResampleQ->setInsertPolicy(QComboBox::NoInsert);
  cmbResampleQ->completer()->setCompletionMode(QCompleter::PopupCompletion);
  cmbResampleQ->completer()->setCaseSensitivity(Qt::CaseInsensitive);
  chkAddFltName = Named(new QCheckBox("Add filter name to the image name"), "chkAddFltName",
                        "Append the name of the filter used at the end of the resulting file's "
                        "name.\r\nVery useful for comparing filters' quality.");
  auto* image = new QGridLayout(grpPreview);
  image->addWidget(chkProtect, 0, 0, 1, 2);
  image->addWidget(chkPreview, 1, 0, 1, 2);
  image->addWidget(Label5, 2, 0);
  image->addWidget(cmbResampleQ, 2, 1);
  image->addWidget(chkAddFltName, 3, 0, 1, 2);
  image->setColumnStretch(1, 1);
  image->setRowStretch(4, 1);

  chkOverwrite =
      Named(new QCheckBox("Overwrite existing images"), "chkOverwrite",
            "If this is NOT checked the program will not overwrite the images that already "
            "exist in the output folder.\rRecommended: Checked");
  chkOverwrite->setChecked(true);

  auto* grid = new QGridLayout(tabSettings);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->addWidget(grpSystem, 0, 0);
  grid->addWidget(GroupHelp, 0, 1);
  grid->addWidget(GroupBox1, 1, 0);
  grid->addWidget(grpPreview, 1, 1);
  grid->addWidget(chkOverwrite, 2, 0, 1, 2);
  grid->setRowStretch(3, 1);
  return tabSettings;
}

QWidget* TMainForm::BuildLicensePage() {
  tabLicense = Named(new QWidget, "tabLicense");
  mmoLicense = Named(new QPlainTextEdit, "mmoLicense");
  mmoLicense->setFrameShape(QFrame::NoFrame);
  mmoLicense->setReadOnly(true);
  mmoLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  btnAgree = Button("btnAgree", "I agree");
  auto* page = new QVBoxLayout(tabLicense);
  page->addWidget(mmoLicense, 1);
  page->addWidget(btnAgree, 0, Qt::AlignHCenter);
  return tabLicense;
}

QWidget* TMainForm::BuildLogPage() {
  tabLog = Named(new QWidget, "tabLog");
  Memo = Named(new QPlainTextEdit("Log:"), "Memo");
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetColour(Memo, QPalette::Text, Qt::black);
  auto* page = new QVBoxLayout(tabLog);
  page->setContentsMargins(4, 4, 4, 4);
  page->addWidget(Memo);
  return tabLog;
}

}  // namespace velora::app
