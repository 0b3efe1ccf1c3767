#pragma once
// A folder and its subfolders read as one list of files with names relative to the top
// folder ("2024/May/IMG_1.jpg"), for runs that keep a photo collection's structure.
#include <functional>
#include <string>
#include <vector>

namespace velora {

struct FolderTree {
  // Relative names in list order: the top folder's files first, then each subfolder's
  // (subfolders in the same order as files, each one's own subfolders after its files).
  std::vector<std::string> Files;
  // Subfolders that could not be read, as full paths, each named once.
  std::vector<std::string> Unreadable;
};

// Reads `folder` and every subfolder below it. Lists regular files and links to regular
// files whose name `wanted` accepts, sorted within each folder by `before`. Never enters
// folders named "Output" (earlier runs' results), hidden folders (name starting with
// "."), links to folders, or a folder already entered by another way (a bind mount of an
// ancestor), so the walk always ends. Returns false when the top folder itself cannot
// be read.
using NameFilter = std::function<bool(const std::string& name)>;
using NameOrder = std::function<bool(const std::string& a, const std::string& b)>;
bool ReadFolderTree(const std::string& folder, const NameFilter& wanted, const NameOrder& before,
                    FolderTree& tree);

}  // namespace velora
