// How the window fits into the desktop: help texts, opacity, the tray, start with the
// desktop, the launcher, the product's look and the web links.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include "controls/SpinEdit.h"
#include "controls/click_label.h"
#include "controls/internet_label.h"
#include "desktop/desktop_entries.h"
#include "desktop/hint_filter.h"
#include "desktop/opacity.h"
#include "desktop/open_boxes.h"
#include "desktop/session_end.h"
#include "desktop/skin_engine.h"
#include "desktop/trayicon.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace velora::app {

TMainFormServices TMainForm::DefaultServices() {
  TMainFormServices services;
  services.Entries = std::make_shared<DesktopEntryWriter>();
  services.MakeTray = [] { return MakeSystemTray(); };
  return services;
}

void TMainForm::InitDesktop() {
  ApplyWebAddresses();

  Hints = new THintFilter(
      [this] {
        if (radHintsOff->isChecked()) return HintMode::Off;
        if (radHintsStatBar->isChecked()) return HintMode::TooltipsAndStatusLine;
        return HintMode::Tooltips;
      },
      [this](const QString& text) { StatBar->showMessage(text); }, this);
  Hints->Install();

  TrayIcon = new TTrayIcon(this, services_.MakeTray ? services_.MakeTray() : MakeSystemTray());
  TrayIcon->SetIcon(QApplication::windowIcon());
  TrayIcon->SetPopupMenu(PopupMenu);
  connect(TrayIcon, &TTrayIcon::Click, this, &TMainForm::TrayIconClick);

  Session = new TSessionEnd(this);
  connect(Session, &TSessionEnd::SessionEnding, this, [this](SessionEndCause cause) {
    SaveSettingsOnce();
    // Nobody is left to answer an open box: it takes its safe choice, and the code that
    // waits on it goes on to the end below as soon as this handler returns.
    AnswerOpenBoxes();
    if (cause != SessionEndCause::LogonEnding) {
      // A termination signal: save once, then end (closing the window alone would not
      // end a program hidden in the tray).
      if (runActive_) {
        actAbortExecute();
        closeAfterRun_ = true;
        quitAfterRun_ = true;
        return;
      }
      if (WebUpdate.Checking()) {
        // The transfer stops before its next chunk; the program ends when the check has
        // returned, with no status text or question after it.
        closing_ = true;
        quitAfterCheck_ = true;
        WebUpdate.Abort();
        return;
      }
      QCoreApplication::quit();
    }
  });
}

void TMainForm::ApplySkinAtStart() {
  skin_ = std::make_unique<TSkinEngine>();
  skin_->Start(chkSkins->isChecked());
}

void TMainForm::chkSkinsClick() {
  if (skin_) skin_->SkinsClicked(chkSkins->isChecked());
}

void TMainForm::spnHideHintChange() {
  if (Hints) Hints->SetHidePause(spnHideHint->Limits().Limit(spnHideHint->Value()));
}

void TMainForm::spnOpacityChange() {
  ApplyOpacity(this, spnOpacity->Value());
}

void TMainForm::chkTrayIconClick() {
  if (TrayIcon) TrayIcon->SetMinimizeToTray(chkTrayIcon->isChecked());
}

void TMainForm::TrayIconClick() {
  if (TrayIcon) TrayIcon->RestoreWindow();
}

void TMainForm::chkAutoStartUpClick() {
  if (services_.Entries) services_.Entries->SetAppAutoStart(chkAutoStartUp->isChecked());
}

void TMainForm::btnDesktopShortcutClick() {
  if (services_.Entries) services_.Entries->CreateAppShortcut(kProductName, true);
}

// An address left empty hides everything that would open it.
void TMainForm::ApplyWebAddresses() {
  const bool product = !Links.ProductPage.empty();
  InternetLabel->SetLink(Links.ProductPage);
  InternetLabel->setVisible(product);
  mnuProgramPage->setVisible(product);
  mnuCompanyPage->setVisible(!Links.VendorSite.empty());
  const bool support = !Links.SupportForum.empty();
  mnuSupport->setVisible(support);
  btnSupport->setVisible(support);
  const bool manual = !ManualTarget().empty();
  mnuOnlineHelp->setVisible(manual);
  btnManual->setVisible(manual);
  lblAspect->setCursor(manual ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

std::string TMainForm::ManualTarget() const {
  return Links.OnlineManual.empty() ? UserGuide : Links.OnlineManual;
}

// The button, unlike the first start, tells the user when no launcher could be written.
void TMainForm::btnDesktopShortcutPressed() {
  if (!services_.Entries || services_.Entries->CreateAppShortcut(kProductName, true)) return;
  MsgError(ShortcutFailureText(kProductName, true));
}

void TMainForm::OpenLink(const char* address) {
  ShellOpen(address);
}

void TMainForm::mnuOnlineHelpClick() {
  if (!ManualTarget().empty()) OpenLink(ManualTarget().c_str());
}

void TMainForm::lblAspectClick() {
  if (!ManualTarget().empty()) OpenLink(ManualTarget().c_str());
}

void TMainForm::mnuProgramPageClick() {
  if (!Links.ProductPage.empty()) OpenLink(Links.ProductPage.c_str());
}

void TMainForm::mnuCompanyPageClick() {
  if (!Links.VendorSite.empty()) OpenLink(Links.VendorSite.c_str());
}

void TMainForm::mnuSupportClick() {
  if (Links.SupportForum.empty()) return;
  OpenLink(Links.SupportForum.c_str());
  MsgInfo(
      "Please create your own account on our forum and post your queries. Please allow a few "
      "hours for our support staff to answer your questions.");
}

}  // namespace velora::app
