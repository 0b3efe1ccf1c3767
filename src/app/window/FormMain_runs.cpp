// The runs: the batch over the selected pictures, the single picture of a double click,
// the abort request and the job log. The pictures are converted on worker threads; the
// window thread only shows their results, in order, and stays responsive meanwhile.
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "controls/PATHEdit.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "jobs/run_clock.h"
#include "jobs/run_threads.h"
#include "preview/PreviewImage.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace velora::app {

// One run in progress. It lives on the stack of the run's handler while the window
// thread shows its results from the event loop.
struct TMainForm::ActiveRun {
  std::string Folder;  // the folder the run takes its pictures from
  bool Batch = false;  // the list follows the run and "Abort" stops it
  bool PreviewFollows = false;
  std::unique_ptr<TRunQueue> Queue;
  QEventLoop Loop;
  bool Showing = false;  // results are being shown (a box may be open)
  bool Aborted = false;
  uint32_t BoxMs = 0;              // time error boxes were open; not part of the run's time
  std::unique_ptr<TGraphic> Last;  // the last picture, shown when the preview did not follow
};

namespace {

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
  LogLine(QString::fromStdString(JobLogDateTime(std::time(nullptr))) + QString::fromUtf8(heading));
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

void TMainForm::EndRun(const char* timingPrefix, uint32_t startTick, uint32_t pausedMs) {
  actStart->setEnabled(true);
  actAbort->setEnabled(false);
  const uint32_t elapsed = TickCount() - startTick - pausedMs;
  StatBar->showMessage(QString::fromUtf8(timingPrefix) +
                       QString::fromStdString(ElapsedSeconds(elapsed)) + " sec");
}

// Converts the sources into the output folder with the settings as they are now, and
// shows each picture's result when every earlier one has been shown.
void TMainForm::RunPictures(const std::vector<std::string>& sources, const std::string& folder,
                            const std::string& output, bool batch, const char* timingPrefix) {
  RunScope scope(runActive_);
  const ResizeSettings settings = CurrentSettings();
  RunPlan plan;
  plan.Settings = settings;
  plan.OutputFolder = output;
  plan.Sources = sources;
  // An unusable factor stops the run at the first picture that gets that far, so the
  // pictures are taken strictly one after the other then.
  const bool factorValid =
      FactorIsValid(settings.Mode, XFactor(settings.FactorWhole, settings.FactorTenths));
  plan.Threads = factorValid ? DefaultJobs() : 1;
  plan.Convert = Converter ? Converter : ConvertFunction(ConvertImage);
  if (settings.ShowPreview) plan.Preview = imgLoader->Frame();

  ActiveRun run;
  run.Folder = folder;
  run.Batch = batch;
  run.PreviewFollows = settings.ShowPreview;
  run.Queue = std::make_unique<TRunQueue>(std::move(plan), [this] {
    QMetaObject::invokeMethod(this, &TMainForm::ShowRunResults, Qt::QueuedConnection);
  });
  run_ = &run;
  if (batch) {
    actAbort->setEnabled(true);
    runProgress_->setRange(0, static_cast<int>(sources.size()));
    runProgress_->setValue(0);
    runProgress_->setVisible(!sources.empty());
  }
  const uint32_t startTick = TickCount();
  // The pause before the first picture: an abort or a close already queued stops the
  // run before anything is written.
  QApplication::processEvents();
  if (!run.Aborted) run.Queue->Start();
  ShowRunResults();
  if (!run.Queue->Finished()) run.Loop.exec();

  if (run.Aborted && run.Queue->SkippedAny()) LogLine(QString::fromUtf8(kLogAborted));
  run.Queue.reset();
  run_ = nullptr;
  runProgress_->hide();
  if (run.Last) imgLoader->Picture().SetGraphic(std::move(run.Last));
  EndRun(timingPrefix, startTick, run.BoxMs);
}

void TMainForm::ShowRunResults() {
  ActiveRun* run = run_;
  if (!run || run->Showing) return;  // an error box is open: the results wait for it
  run->Showing = true;
  while (std::unique_ptr<RunPicture> picture = run->Queue->TakeNext()) {
    ShowRunPicture(*run, *picture);
  }
  run->Showing = false;
  if (run->Queue->Finished()) run->Loop.quit();
}

void TMainForm::ShowRunPicture(ActiveRun& run, RunPicture& picture) {
  // The list follows the run while it shows the run's folder.
  if (run.Batch && ListFolder() == run.Folder && FileExists(picture.Source)) {
    FileList->ShowFolder(QString::fromStdString(picture.Source.substr(run.Folder.size())));
  }
  if (picture.Graphic) {
    if (run.PreviewFollows) {
      imgLoader->ShowPrepared(std::move(picture.Graphic), std::move(picture.Preview));
      imgLoader->RepaintNow();
    } else {
      // Drawing every picture would cost as much as a good part of its conversion.
      run.Last = std::move(picture.Graphic);
    }
  }
  for (const RunEvent& event : picture.Events) {
    switch (event.Type) {
      case RunEvent::Kind::LogLine:
        LogLine(QString::fromStdString(event.Text));
        break;
      case RunEvent::Kind::ErrorBox: {
        const uint32_t opened = TickCount();
        MsgError(event.Text);
        run.BoxMs += TickCount() - opened;
        break;
      }
      case RunEvent::Kind::FocusFactorBox:
        if (spnRound->isVisible()) spnRound->setFocus();
        break;
    }
  }
  if (!picture.Result.SavedAs.empty()) {
    LogLine(QString::fromUtf8(kLogSaved) + QString::fromStdString(picture.Result.SavedAs));
  }
  if (run.Batch) runProgress_->setValue(runProgress_->value() + 1);
}

void TMainForm::actStartExecute() {
  if (runActive_) return;  // one run at a time
  if (!RunFolderAgrees()) return;
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
  if (!ok) {
    EndRun("Batch job done in ", TickCount(), 0);
    return;
  }
  StartLogSection(kLogNewBatch);
  std::vector<std::string> sources;
  for (const QString& name : SelectedNames()) sources.push_back(folder + name.toStdString());
  RunPictures(sources, folder, output, true, "Batch job done in ");
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
    EndRun("Job done in ", TickCount(), 0);
    return;
  }
  const std::string source = FileList->CurrentFilePath().toStdString();
  if (!FileExistsMsg(source)) return;
  StartLogSection(kLogSingleImage);
  RunPictures({source}, folder, output, false, "Job done in ");
  FinishDeferredClose();
}

// No picture starts after this; those under way finish and are shown in order.
void TMainForm::actAbortExecute() {
  AbortRequested = true;
  if (!run_) return;
  run_->Aborted = true;
  run_->Queue->Stop();
  QMetaObject::invokeMethod(this, &TMainForm::ShowRunResults, Qt::QueuedConnection);
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
