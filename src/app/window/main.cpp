// velora-resizer: the window. Arguments (optional): a folder to show, or picture files of
// one folder to select.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStringList>

#include "desktop/desktop_entries.h"
#include "desktop/message_boxes.h"
#include "desktop/shell_open.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"
#include "window/command_line.h"

namespace {

// The application icon from its PNG sizes (Qt reads SVG only with an extra plugin).
QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/velora-image-resizer-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  // Taken before Qt reads its own options out of argv.
  QStringList raw;
  for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
  QApplication app(argc, argv);
  // Resolved now, against the folder the program was started in: the window's file list
  // changes the current folder as soon as it reads one.
  const QStringList paths = velora::app::AbsolutePaths(
      velora::app::CommandLineNames(raw, QApplication::arguments()), QDir::currentPath());
  Q_INIT_RESOURCE(resources);  // the window's pictures and texts live in the app library
  QGuiApplication::setDesktopFileName(velora::app::kDesktopId);
  QApplication::setWindowIcon(AppIcon());
  QApplication::setApplicationName(QString::fromUtf8(velora::kProductName));
  QApplication::setApplicationDisplayName(QString::fromUtf8(velora::kProductName));
  QApplication::setApplicationVersion(QString::fromStdString(velora::GetFileVersion()));
  velora::app::InstallMessageBoxes();
  velora::app::InstallShellOpen();

  velora::app::TMainForm form;
  form.LateInit();
  form.OpenPaths(paths);
  form.show();
  return QApplication::exec();
}
