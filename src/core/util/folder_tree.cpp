#include "util/folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>

namespace velora {

namespace {

class TreeReader {
 public:
  TreeReader(const NameFilter& wanted, const NameOrder& before, FolderTree& tree)
      : wanted_(wanted), before_(before), tree_(tree) {}

  // Reads one folder (`relative` is "" or ends in "/") and then its subfolders.
  bool Read(const std::string& full, const std::string& relative) {
    DIR* dir = ::opendir(full.c_str());
    if (!dir) return false;
    struct stat self {};
    if (::fstat(::dirfd(dir), &self) != 0 || !seen_.emplace(self.st_dev, self.st_ino).second) {
      ::closedir(dir);
      return true;  // entered already by another way
    }
    std::vector<std::string> files, folders;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      switch (Kind(::dirfd(dir), name, entry->d_type)) {
        case EntryKind::File:
          if (wanted_(name)) files.push_back(name);
          break;
        case EntryKind::Folder:
          if (name[0] != '.' && name != "Output") folders.push_back(name);
          break;
        case EntryKind::Other:
          break;
      }
    }
    ::closedir(dir);
    // Only one folder is open at a time, so a deep tree cannot run out of descriptors.
    std::sort(files.begin(), files.end(), before_);
    std::sort(folders.begin(), folders.end(), before_);
    for (const std::string& name : files) tree_.Files.push_back(relative + name);
    for (const std::string& name : folders) {
      const std::string path = (full == "/" ? "" : full) + "/" + name;
      if (!Read(path, relative + name + "/")) tree_.Unreadable.push_back(path);
    }
    return true;
  }

 private:
  enum class EntryKind { File, Folder, Other };

  // Regular files count through a link; folders only as themselves, so no link can lead
  // the walk into a loop or out of the tree.
  static EntryKind Kind(int dirFd, const std::string& name, unsigned char type) {
    if (type == DT_REG) return EntryKind::File;
    if (type == DT_DIR) return EntryKind::Folder;
    struct stat st {};
    if (type == DT_UNKNOWN) {
      if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
      if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
      if (S_ISREG(st.st_mode)) return EntryKind::File;
      if (!S_ISLNK(st.st_mode)) return EntryKind::Other;
    } else if (type != DT_LNK) {
      return EntryKind::Other;
    }
    if (::fstatat(dirFd, name.c_str(), &st, 0) != 0) return EntryKind::Other;
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
  }

  const NameFilter& wanted_;
  const NameOrder& before_;
  FolderTree& tree_;
  std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

bool ReadFolderTree(const std::string& folder, const NameFilter& wanted, const NameOrder& before,
                    FolderTree& tree) {
  std::string top = folder;
  while (top.size() > 1 && top.back() == '/') top.pop_back();
  TreeReader reader(wanted, before, tree);
  return reader.Read(top, "");
}

}  // namespace velora
