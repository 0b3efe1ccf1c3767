#include "window/command_line.h"

#include <QDir>

namespace velora::app {

QStringList CommandLineNames(const QStringList& raw, const QStringList& kept) {
  const qsizetype rawEnd = raw.indexOf(QStringLiteral("--"), 1);
  const qsizetype keptEnd = kept.indexOf(QStringLiteral("--"), 1);
  if (rawEnd < 0 || keptEnd < 0) return kept.mid(1);
  return kept.mid(1, keptEnd - 1) + raw.mid(rawEnd + 1);
}

QStringList AbsolutePaths(const QStringList& names, const QString& currentFolder) {
  const QDir current(currentFolder);
  QStringList paths;
  for (const QString& name : names) {
    if (!name.isEmpty()) paths << QDir::cleanPath(current.absoluteFilePath(name));
  }
  return paths;
}

}  // namespace velora::app
