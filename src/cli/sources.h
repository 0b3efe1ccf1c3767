#pragma once
// Which pictures a command line names.
#include <string>
#include <vector>

namespace velora::cli {

// The picture files of a folder as the window's file list shows them: names matching
// *.jp;*.jpeg;*.jpg;*.gif;*.bmp;*.png and *.heic;*.heif;*.hif;*.avif;*.webp;*.tif;*.tiff
// in any letter case, hidden files included, regular
// files and links to regular files only (no folders, FIFOs, sockets or devices), sorted by
// name without regard to case. Paths are full paths.
std::vector<std::string> PictureFilesOf(const std::string& folder);

struct Sources {
  std::vector<std::string> Files;     // in the order they will be converted and logged
  std::vector<std::string> Problems;  // one clear line for each argument that names nothing
};

// Folders expand to their picture files; files are taken as given. All become full
// paths, as the job log shows them.
Sources CollectSources(const std::vector<std::string>& inputs);

}  // namespace velora::cli
