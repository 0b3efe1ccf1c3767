#pragma once
// Which pictures a command line names, and where each one's output goes.
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace velora::cli {

// The picture files of a folder as the window's file list shows them: names matching
// *.jp;*.jpeg;*.jpg;*.gif;*.bmp;*.png and *.heic;*.heif;*.hif;*.avif;*.webp;*.tif;*.tiff
// in any letter case, hidden files included, regular
// files and links to regular files only (no folders, FIFOs, sockets or devices), sorted by
// name without regard to case. Paths are full paths.
std::vector<std::string> PictureFilesOf(const std::string& folder);

struct Source {
  std::string Path;          // full path, as the job log shows it
  std::string OutputFolder;  // its own output folder: Output/ of the folder named, plus
                             // the subfolders below it
  std::string Mirror;        // the relative folder ("" or "2024/May/") kept under --output
};

struct Sources {
  std::vector<Source> Files;          // in the order they will be converted and logged
  std::vector<std::string> Problems;  // one clear line for each input that names nothing
};

// Folders expand to their picture files, with `recursive` also those of their subfolders
// in list order (ReadFolderTree), mirrored under Output/; files are taken as given.
Sources CollectSources(const std::vector<std::string>& inputs, bool recursive);
// As CollectSources for paths read from a list (--files-from): a relative path's folders
// are also mirrored under --output, as `find` names them; a path that leaves the current
// folder ("../x.jpg") or is absolute goes flat into --output.
void AddListedSources(const std::vector<std::string>& paths, bool recursive, Sources& sources);

// The paths of a --files-from list: one a line, or separated by NUL bytes. Every byte
// but the separator belongs to the name (blanks, and newlines with NUL separators);
// empty entries are skipped.
std::vector<std::string> ReadPathList(std::istream& in, char separator);

// Where a source's output goes: its own output folder, or the --output folder with the
// source's mirrored subfolders.
std::string OutputFolderFor(const Source& source, const std::string& outputDir);

// Shard `k` of `n` (1 <= k <= n): the sources are sorted by path, byte order, and those
// whose index mod n is k-1 are taken, in their own order. Sources that would write the
// same output go with the first of them, so independent runs never write one file twice.
std::vector<Source> TakeShard(const std::vector<Source>& sources, int k, int n,
                              const std::function<std::string(const Source&)>& outputOf);

}  // namespace velora::cli
