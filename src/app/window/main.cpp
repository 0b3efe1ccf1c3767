// velora-resizer: the window. Arguments (optional): a folder to show, or picture files of
// one folder to select.
#include <QApplication>
#include <QIcon>
#include <QStringList>

#include "desktop/desktop_entries.h"
#include "desktop/message_boxes.h"
#include "desktop/shell_open.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

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
  QApplication app(argc, argv);
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
  QStringList paths = QApplication::arguments();
  paths.removeFirst();
  form.OpenPaths(paths);
  form.show();
  return QApplication::exec();
}
