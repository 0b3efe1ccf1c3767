// The window's batch, timed as a user runs it: the folder in the path box, "Select all",
// F9, and the clock stops when the status line shows the timing text. Offscreen, with a
// settings folder of its own.
//
//   velora-window-batch FOLDER [decrease|increase] [FACTOR]
//
// Prints the wall time in milliseconds of the batch as the window reports it and as
// measured around it.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "controls/PATHEdit.h"
#include "controls/SpinEdit.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: velora-window-batch FOLDER [decrease|increase] [FACTOR]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
  const bool increase = argc > 2 && std::string(argv[2]) == "increase";
  (increase ? form.radXIncrease : form.radXDecrease)->setChecked(true);
  const double factor = argc > 3 ? std::atof(argv[3]) : 2.0;
  form.spnRound->SetValue(static_cast<int>(factor));
  form.spnZecimal->SetValue(static_cast<int>(factor * 10 + 0.5) % 10);
  form.chkPreview->setChecked(false);
  form.edtPath->setText(QString::fromUtf8(argv[1]));
  form.show();
  QApplication::processEvents();

  form.actSellAll->trigger();
  QElapsedTimer timer;
  timer.start();
  QTest::keyClick(&form, Qt::Key_F9);
  const qint64 wall = timer.elapsed();
  const QString status = form.StatBar->currentMessage();
  std::printf("window batch: %lld ms wall; status \"%s\"\n", static_cast<long long>(wall),
              status.toUtf8().constData());
  form.SettingsSaved = true;  // nothing to keep from a benchmark
  return status.startsWith("Batch job done in ") ? 0 : 1;
}
