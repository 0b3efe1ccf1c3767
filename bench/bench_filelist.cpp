// Reading a folder of 20,000 pictures into the image file list, with the list shown and
// drawn afterwards, as the window does when the user opens such a folder. Target: under
// half a second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>

#include "controls/TarnoFileListBox.h"

namespace {

constexpr int kEntries = 20000;

const QTemporaryDir& BigFolder() {
  static QTemporaryDir folder;
  static const bool filled = [] {
    for (int i = 0; i < kEntries; ++i) {
      // Mixed case and a few types, as a camera's and an editor's files come.
      const char* ext = i % 4 == 0 ? "JPG" : i % 4 == 1 ? "jpg" : i % 4 == 2 ? "png" : "jpeg";
      QFile file(folder.filePath(QStringLiteral("IMG_%1.%2").arg(i, 5, 10, QChar(u'0')).arg(ext)));
      if (!file.open(QIODevice::WriteOnly)) std::abort();
    }
    return true;
  }();
  (void)filled;
  return folder;
}

void ReadFolderIntoList(benchmark::State& state) {
  const QString saved = QDir::currentPath();
  std::optional<QApplication> app;
  int argc = 1;
  char name[] = "velora_bench";
  char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app.emplace(argc, argv);
  }
  const QTemporaryDir& folder = BigFolder();
  velora::app::TTarnoFileList list;
  list.resize(300, 600);
  list.show();
  list.ShowFolder(folder.path() + u'/');
  for (auto _ : state) {
    list.Reread();
    QCoreApplication::processEvents();  // layout and drawing of the rows in view
  }
  if (list.count() != kEntries) state.SkipWithError("not every entry was listed");
  state.counters["entries"] = list.count();
  QDir::setCurrent(saved);
}

const bool registered = [] {
  benchmark::RegisterBenchmark("filelist/read/20000_entries", ReadFolderIntoList)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(1.0);
  return true;
}();

}  // namespace
