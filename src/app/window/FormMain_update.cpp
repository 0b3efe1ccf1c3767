// The update check in the window: when it runs, and what its outcomes tell the user.
#include <QApplication>
#include <QStatusBar>
#include <QTimer>

#include "controls/SpinEdit.h"
#include "controls/question_box.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"
#include "window/last_check_date.h"
#include "window/update_schedule.h"

namespace velora::app {

namespace {

constexpr const char* kUpdateError =
    "Updating: error contacting the web site. Please manually check for updates.";

}  // namespace

void TMainForm::WireUpdates() {
  WebUpdate.Options = TUpdateOptions{uoOverwrite};
  WebUpdate.TagInfo.ProductName = "TarnoProduct";
  WebUpdate.TagInfo.Version = "TarnoVersion";
  WebUpdate.TagInfo.Download = "TarnoDownload";
  WebUpdate.TagInfo.ClientFileName = "TarnoClientSideName";
  WebUpdate.TagInfo.Redirection = "TarnoRedirection";
  WebUpdate.TagInfo.RunParameters = "TarnoRunParameters";
  WebUpdate.TagInfo.Author = "TarnoAuthor";
  WebUpdate.TagInfo.Email = "TarnoEmail";
  WebUpdate.ProcessMessages = [] { QApplication::processEvents(); };
  WebUpdate.WaitMessages = [] { QApplication::processEvents(); };
  WebUpdate.OnUpdateAvailable = [this](TWebUpdate&, const std::string& actual,
                                       const std::string& newer, bool& canUpdate) {
    WebUpdateUpdateAvailable(actual, newer, canUpdate);
  };
  WebUpdate.OnNoUpdateFound = [this](TWebUpdate&) { WebUpdateNoUpdateFound(); };
  WebUpdate.OnDownloadError = [this](TWebUpdate&) { WebUpdateDownloadError(); };
  WebUpdate.OnClientFileExists = [this](TWebUpdate&, std::string& fileName, bool& overwrite) {
    WebUpdateClientFileExists(fileName, overwrite);
  };
  WebUpdate.OnAfterDownload = [this](TWebUpdate&, const std::string& fileName) {
    WebUpdateAfterDownload(fileName);
  };
}

bool TMainForm::UpdatesEnabled() const {
  return !UpdatePageURL.empty();
}

void TMainForm::CheckUpdates(bool force) {
  if (!UpdatesEnabled() || closing_) return;
  if (!force && !UpdateCheckDue(spnAutoUpdate->Value(), LastCheck, NowAsDays())) return;
  if (WebUpdate.Checking()) {
    StatBar->showMessage("Checking for updates...");
    return;  // the running check answers
  }
  StatBar->showMessage("Checking for updates...");
  LastCheck = NowAsDays();
  const bool downloaded = WebUpdate.CheckForUpdate();
  if (closing_) {
    // A close or the end of the session asked for during the check completes now.
    if (quitAfterCheck_) {
      QCoreApplication::quit();
    } else {
      close();
    }
    return;
  }
  // A failure the component reports without an event (the update file could not be made
  // or written) must not leave a hopeful text behind.
  const QString status = StatBar->currentMessage();
  if (!downloaded &&
      (status == "Checking for updates..." || status.startsWith("A new version was found: "))) {
    StatBar->showMessage(kUpdateError);
  }
}

void TMainForm::mnuUpdatesClick() {
  CheckUpdates(true);
}

void TMainForm::WebUpdateUpdateAvailable(const std::string& actualVersion,
                                         const std::string& newVersion, bool& canUpdate) {
  canUpdate = !closing_;
  if (closing_) return;
  StatBar->showMessage("A new version was found: " + QString::fromStdString(newVersion) +
                       "   |    Your current version is: " + QString::fromStdString(actualVersion));
}

void TMainForm::WebUpdateNoUpdateFound() {
  if (!closing_) StatBar->showMessage("Updating: no updates available at this time.");
}

void TMainForm::WebUpdateDownloadError() {
  if (!closing_) StatBar->showMessage(kUpdateError);
}

void TMainForm::WebUpdateClientFileExists(std::string& fileName, bool& overwrite) {
  // The program's own folder is not writable in an installed system; a second download
  // goes into the settings folder. A folder that cannot be made ends the download.
  const std::string folder = SettingsFolder(kProductName) + "Updates/";
  if (!ForceFolder(folder)) {
    overwrite = false;
    return;
  }
  fileName = folder + NamePart(fileName);
}

void TMainForm::WebUpdateAfterDownload(const std::string& fileName) {
  if (closing_) return;
  const std::string folder = FolderPart(fileName);
  const std::string text = "Update has been downloaded to \n     " + folder +
                           "\nDon't forget to close this program, before running the update!\n\n"
                           "Do you want to open this folder for you?";
  if (AskYesNo(kProductName, text)) ShellOpen(folder);
}

}  // namespace velora::app
