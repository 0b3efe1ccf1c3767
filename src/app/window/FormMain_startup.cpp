// Start-up after creation, the licence page, and every way out, each ending in exactly one
// save of the settings.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "controls/PageControl.h"
#include "controls/TarnoFileListBox.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace velora::app {

namespace {

// The licence with its paragraphs joined into single lines, so the page wraps them to
// its own width.
QString LicenseText() {
  QFile file(":/license.txt");
  if (!file.open(QIODevice::ReadOnly)) return QString();
  QStringList paragraphs = QString::fromUtf8(file.readAll()).trimmed().split("\n\n");
  for (QString& paragraph : paragraphs) paragraph = paragraph.simplified();
  return paragraphs.join("\n\n");
}

}  // namespace

void TMainForm::LateInit() {
  PageControl->SetTabVisible(3, FirstRun);
  InitDesktop();
  lblHintHide->setToolTip(
      "The hints will automatically disappear after this interval.\nIf you don't have time to "
      "read the hints, please increase this value by a few seconds.");
  // Without the vendor's site the log starts as a plain log: no sentence that points nowhere.
  WelcomeText = Links.VendorSite.empty() ? Memo->toPlainText()
                                         : "Please visit our web site for more downloads.\n" +
                                               QString::fromStdString(Links.VendorSite);
  Memo->setPlainText(WelcomeText);
  mmoLicense->setPlainText(LicenseText());

  LoadSettings();
  ApplySkinAtStart();
  if (FirstRun) {
    mnuLicenseClick();
    btnDesktopShortcutClick();
  }
  ResizeTypeChanged();
  // The update check knows its page and the running version; an automatic check runs
  // once the window shows, so a slow server never holds the window back.
  WebUpdate.ProductInfo.SetURL(UpdatePageURL);
  WebUpdate.ProductInfo.CurVersion = GetFileVersion();
  mnuUpdates->setVisible(UpdatesEnabled());
  // Without a page to check, the interval of the automatic check means nothing.
  Label2->parentWidget()->setVisible(UpdatesEnabled());
  QTimer::singleShot(0, this, [this] { CheckUpdates(false); });
  SelectFirst();
}

void TMainForm::mnuLicenseClick() {
  PageControl->SetTabVisible(2, false);
  PageControl->SetTabVisible(0, false);
  PageControl->SetTabVisible(4, false);
  PageControl->SetTabVisible(3, true);
  PageControl->SetActivePageIndex(3);
  btnAgree->setFocus();
}

void TMainForm::btnAgreeClick() {
  PageControl->SetActivePageIndex(0);
  PageControl->SetTabVisible(0, true);
  PageControl->SetTabVisible(2, true);
  PageControl->SetTabVisible(4, true);
  PageControl->SetTabVisible(3, false);
  PageControl->SetActivePageIndex(0);
}

void TMainForm::actExitExecute() {
  TrayIconClick();
  close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // FormCloseQuery: every close request saves first; a failed save keeps the window open.
  const bool alreadySaved = SettingsSaved;
  if (!SaveSettingsOnce() && !alreadySaved) {
    event->ignore();
    return;
  }
  if (WebUpdate.Checking()) {
    // The transfer stops before its next chunk; the window closes when the check returns.
    closing_ = true;
    WebUpdate.Abort();
    event->ignore();
    return;
  }
  if (runActive_) {
    // A running batch is asked to stop as "Abort" does; the window closes when it has ended.
    actAbortExecute();
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace velora::app
