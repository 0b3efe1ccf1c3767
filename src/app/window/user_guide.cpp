#include "window/user_guide.h"

#include <QDir>
#include <QFileInfo>

namespace velora::app {

std::string UserGuideBelowPrefix() {
  return VELORA_USER_GUIDE;
}

std::string FindUserGuide(const std::string& programFolder) {
  // Installed: <prefix>/bin beside <prefix>/share; built: build/src/app, two folders below
  // the build folder.
  for (const char* up : {"../", "../../"}) {
    const QFileInfo guide(QString::fromStdString(programFolder + up + UserGuideBelowPrefix()));
    if (guide.isFile() && guide.isReadable()) {
      return QDir::cleanPath(guide.absoluteFilePath()).toStdString();
    }
  }
  return std::string();
}

}  // namespace velora::app
