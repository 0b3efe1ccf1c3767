#pragma once
// Reading a folder's entries for the window's controls: one pass over the folder, the kind
// of each wanted entry found by following links, and the order in which names are shown.
#include <QString>
#include <functional>
#include <vector>

namespace velora::app {

// Special files (devices, FIFOs, sockets) and links that lead nowhere are `Other`; opening
// one as a picture could block, so no control offers them as files.
enum class EntryKind { File, Folder, Other };

struct FolderEntry {
  QString name;
  EntryKind kind;
};

// Calls `wanted` for every name in the folder except "." and "..", and appends the entries
// it accepts with their kind. False, with errno set, when the folder cannot be opened or
// read to its end; `entries` is then left as it was.
bool ScanFolder(const QString& folder, const std::function<bool(const QString& name)>& wanted,
                std::vector<FolderEntry>& entries);

// Hidden entries are those whose name starts with a dot.
inline bool IsHiddenName(const QString& name) {
  return name.startsWith(u'.');
}

// The order of names on screen: alphabetical without regard to case; names that differ only
// in case keep a fixed order among themselves.
bool NameLess(const QString& a, const QString& b);

// The folder named by `path`, resolved against `base` when relative, with "." and ".."
// taken out and without a trailing "/" (except for the root).
QString AbsoluteFolder(const QString& base, const QString& path);

}  // namespace velora::app
