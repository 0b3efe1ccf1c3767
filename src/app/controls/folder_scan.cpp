#include "controls/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <cerrno>
#include <memory>

namespace velora::app {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

EntryKind KindOf(int dirFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return EntryKind::File;
    case DT_DIR:
      return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
      break;  // follow the link, or ask a file system that does not tell
    default:
      return EntryKind::Other;
  }
  struct stat st {};
  if (::fstatat(dirFd, entry.d_name, &st, 0) != 0) return EntryKind::Other;
  if (S_ISREG(st.st_mode)) return EntryKind::File;
  if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
  return EntryKind::Other;
}

}  // namespace

bool ScanFolder(const QString& folder, const std::function<bool(const QString& name)>& wanted,
                std::vector<FolderEntry>& entries) {
  const QByteArray path = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(path.constData()));
  if (!dir) return false;
  const int dirFd = ::dirfd(dir.get());
  std::vector<FolderEntry> found;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) break;
    const char* raw = entry->d_name;
    if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'))) continue;
    QString name = QFile::decodeName(raw);
    if (!wanted(name)) continue;
    found.push_back({std::move(name), KindOf(dirFd, *entry)});
  }
  // A read error ends the loop like the end of the folder does; only errno tells them apart.
  if (errno != 0) return false;
  entries.insert(entries.end(), std::make_move_iterator(found.begin()),
                 std::make_move_iterator(found.end()));
  return true;
}

bool NameLess(const QString& a, const QString& b) {
  const int order = QString::compare(a, b, Qt::CaseInsensitive);
  return order != 0 ? order < 0 : a < b;
}

QString AbsoluteFolder(const QString& base, const QString& path) {
  const QString full = path.startsWith(u'/') ? path : base + u'/' + path;
  return QDir::cleanPath(full);
}

}  // namespace velora::app
