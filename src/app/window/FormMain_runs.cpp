// The runs: the batch over the selected pictures, the single picture of a double click,
// the abort request and the job log.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "controls/PATHEdit.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "preview/PreviewImage.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace velora::app {

namespace {

// The millisecond tick count as an unsigned 32-bit number; differences wrap safely.
uint32_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The locale's short date, a blank and its long time without the time zone; the time is
// left out at exactly midnight.
QString LogDateTime(const QDateTime& now) {
  const QLocale locale = QLocale::system();
  QString text = locale.toString(now.date(), QLocale::ShortFormat);
  if (now.time() != QTime(0, 0)) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression("\\s*t+"));
    text += ' ' + locale.toString(now.time(), format.trimmed());
  }
  return text;
}

// Marks a run as active for as long as it lives, on every way out.
class RunScope {
 public:
  explicit RunScope(bool& active) : active_(active) {
    active_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~RunScope() {
    QApplication::restoreOverrideCursor();
    active_ = false;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  bool& active_;
};

}  // namespace

void TMainForm::LogLine(const QString& line) {
  Memo->appendPlainText(line);
}

QString TMainForm::JobLogText() const {
  return Memo->toPlainText();
}

void TMainForm::StartLogSection(const char* heading) {
  if (JobLogText() == WelcomeText) Memo->clear();
  // The separator: empty lines that set this run off from the one before.
  LogLine("\n");
  LogLine(LogDateTime(QDateTime::currentDateTime()) + QString::fromUtf8(heading));
  LogLine(QString());
}

// Creates the run's output folder. A folder that cannot be made is reported once with
// the system's reason, and the run ends there.
std::string TMainForm::RunOutputFolder(const std::string& folder, bool& ok) {
  const std::string output = folder + "Output/";
  ok = ForceFolder(output);
  if (!ok) {
    std::error_code error;
    std::filesystem::create_directories(output, error);
    const std::string reason = error ? error.message() : "not a folder";
    MsgError("Cannot create the output folder: " + output + "\r\n" + reason);
  }
  return output;
}

ConvertResult TMainForm::ConvertOne(const std::string& sourcePath,
                                    const std::string& outputFolder) {
  ConvertHooks hooks;
  hooks.Log = [this](const std::string& line) { LogLine(QString::fromStdString(line)); };
  hooks.RepaintPreview = [this] { imgLoader->RepaintNow(); };
  hooks.FocusFactorBox = [this] {
    if (spnRound->isVisible()) spnRound->setFocus();
  };
  try {
    return ConvertImage(CurrentSettings(), sourcePath, outputFolder, imgLoader->Picture(), hooks,
                        QThread::idealThreadCount());
  } catch (const std::exception& error) {
    LogLine(QString::fromUtf8(kLogCannotResize) + QString::fromStdString(sourcePath) + " (" +
            QString::fromUtf8(error.what()) + ")");
    return ConvertResult{};
  }
}

void TMainForm::EndRun(const char* timingPrefix, uint32_t startTick) {
  actStart->setEnabled(true);
  actAbort->setEnabled(false);
  const uint32_t elapsed = TickCount() - startTick;
  StatBar->showMessage(QString::fromUtf8(timingPrefix) +
                       QString::fromStdString(FormatReal(2, elapsed / 1000.0)) + " sec");
}

void TMainForm::actStartExecute() {
  if (runActive_) return;  // one run at a time
  if (!RunFolderAgrees()) return;
  actAbort->setEnabled(true);
  AbortRequested = false;
  imgLoader->SetStretch(true);
  trkQualityChange();
  if (FileList->count() == 0) {
    MsgWarning("No pictures to process");
    return;
  }
  if (SelectedNames().isEmpty()) {
    MsgWarning("Please select the file(s) you want to resize!");
  }
  const QString pathText = edtPath->text();
  if (!pathText.isEmpty() && !pathText.endsWith('/')) edtPath->setText(pathText + '/');

  // The run takes its folder once: what the list shows now.
  const std::string folder = ListFolder();
  bool ok = false;
  const std::string output = RunOutputFolder(folder, ok);
  const uint32_t startTick = TickCount();
  if (!ok) {
    EndRun("Batch job done in ", startTick);
    return;
  }
  StartLogSection(kLogNewBatch);
  {
    RunScope scope(runActive_);
    const QStringList names = SelectedNames();
    runProgress_->setRange(0, static_cast<int>(names.size()));
    runProgress_->setValue(0);
    runProgress_->setVisible(!names.isEmpty());
    const uint32_t runStart = TickCount();
    for (const QString& name : names) {
      const std::string source = folder + name.toStdString();
      if (FileExists(source)) FileList->ShowFolder(name);
      QApplication::processEvents();
      if (AbortRequested) {
        LogLine(QString::fromUtf8(kLogAborted));
        break;
      }
      // Without "Show preview panel" the preview does not follow the batch: drawing every
      // picture would cost as much as a good part of its conversion.
      imgLoader->setUpdatesEnabled(chkPreview->isChecked());
      const ConvertResult result = ConvertOne(source, output);
      if (!result.SavedAs.empty()) {
        LogLine(QString::fromUtf8(kLogSaved) + QString::fromStdString(result.SavedAs));
      }
      runProgress_->setValue(runProgress_->value() + 1);
      if (!result.FactorValid) break;
    }
    runProgress_->hide();
    imgLoader->setUpdatesEnabled(true);
    EndRun("Batch job done in ", runStart);
  }
  FinishDeferredClose();
}

void TMainForm::FileListDblClick() {
  if (runActive_) return;  // one run at a time
  if (!RunFolderAgrees()) return;
  AbortRequested = false;
  imgLoader->SetStretch(true);
  trkQualityChange();
  if (SelectedNames().isEmpty()) {
    MsgWarning("Please select the file(s) you want to resize!");
  }
  const std::string folder = ListFolder();
  bool ok = false;
  const std::string output = RunOutputFolder(folder, ok);
  if (!ok) {
    EndRun("Job done in ", TickCount());
    return;
  }
  const std::string source = FileList->CurrentFilePath().toStdString();
  if (!FileExistsMsg(source)) return;
  StartLogSection(kLogSingleImage);
  {
    RunScope scope(runActive_);
    const uint32_t startTick = TickCount();
    const ConvertResult result = ConvertOne(source, output);
    if (!result.SavedAs.empty()) {
      LogLine(QString::fromUtf8(kLogSaved) + QString::fromStdString(result.SavedAs));
    }
    EndRun("Job done in ", startTick);
  }
  FinishDeferredClose();
}

void TMainForm::actAbortExecute() {
  AbortRequested = true;
}

// A close or a termination signal that came during a run takes effect when it has ended.
void TMainForm::FinishDeferredClose() {
  if (quitAfterRun_) {
    QCoreApplication::quit();
  } else if (closeAfterRun_) {
    close();
  }
}

}  // namespace velora::app
