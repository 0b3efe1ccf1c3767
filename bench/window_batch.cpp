// The window's runs, timed as a user runs them: the folder in the path box, "Select all",
// F9 (or a double click on the first picture with --single), and the clock stops when the
// status line shows the timing text. A timer on the window thread measures how long the
// window goes without handling events meanwhile. Offscreen unless QT_QPA_PLATFORM says
// otherwise, with a settings folder of its own.
//
//   velora-window-batch [--preview] [--single] FOLDER [decrease|increase] [FACTOR]
//
// Prints the wall time in milliseconds and the longest stall of the window thread.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/PATHEdit.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace {

// Fires every few milliseconds on the window thread; the longest gap between two firings,
// less the interval, is the longest time the window handled no events.
class StallProbe {
 public:
  static constexpr int kIntervalMs = 5;
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    clock_.start();
    last_ = 0;
    longest_ = 0;
    timer_.start();
  }
  qint64 LongestStallMs() {
    timer_.stop();
    longest_ = std::max(longest_, clock_.elapsed() - last_);
    return std::max<qint64>(0, longest_ - kIntervalMs);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto flag = [&args](const char* name) {
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
  };
  const bool preview = flag("--preview");
  const bool single = flag("--single");
  if (args.empty()) {
    std::fprintf(stderr,
                 "usage: velora-window-batch [--preview] [--single] FOLDER [decrease|increase] "
                 "[FACTOR]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home;
  setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
  QApplication app(argc, argv);
  Q_INIT_RESOURCE(resources);
  velora::SetMessageHook([](velora::MessageKind, const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  });

  velora::app::TMainForm form;
  form.LateInit();
  form.btnAgreeClick();
  const bool increase = args.size() > 1 && args[1] == "increase";
  (increase ? form.radXIncrease : form.radXDecrease)->setChecked(true);
  const double factor = args.size() > 2 ? std::atof(args[2].c_str()) : 2.0;
  form.spnRound->SetValue(static_cast<int>(factor));
  form.spnZecimal->SetValue(static_cast<int>(factor * 10 + 0.5) % 10);
  form.chkPreview->setChecked(preview);
  form.edtPath->setText(QString::fromStdString(args[0]));
  form.show();
  QApplication::processEvents();

  if (single) {
    form.FileList->setCurrentRow(0);
    form.FileList->item(0)->setSelected(true);
  } else {
    form.actSellAll->trigger();
  }
  QApplication::processEvents();
  StallProbe probe;
  QElapsedTimer timer;
  probe.Start();
  timer.start();
  if (single) {
    form.FileListDblClick();
  } else {
    QTest::keyClick(&form, Qt::Key_F9);
  }
  const qint64 wall = timer.elapsed();
  const qint64 stall = probe.LongestStallMs();
  const QString status = form.StatBar->currentMessage();
  std::printf("window %s: %lld ms wall; longest stall %lld ms; status \"%s\"\n",
              single ? "single" : "batch", static_cast<long long>(wall),
              static_cast<long long>(stall), status.toUtf8().constData());
  form.SettingsSaved = true;  // nothing to keep from a benchmark
  return status.contains("ob done in ") ? 0 : 1;
}
